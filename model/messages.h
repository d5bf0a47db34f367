#pragma once
// The message service: string-table messages, logged reports and questions,
// from any thread of the program.
//
// Only the user-interface thread may open a message box. A worker thread's
// message or question is carried to that thread through the IUiThread seam,
// and the worker waits for it to be dismissed or answered on a condition that
// its own stop flag also wakes: an owner that stops the worker and joins it
// never deadlocks, even when the owner is the UI thread itself and so never
// gets to show the posted box.
//
// Routing, for ShowMessage, LogMessage and Ask (and their *Text forms):
//  - no UI thread installed (headless programs, most tests): the sink is
//    called on the calling thread, so such sinks must be thread-safe;
//  - on the UI thread: the sink is called directly;
//  - on any other thread: the call is posted to the UI thread. A message or a
//    question waits there until the box is closed, or until the worker's stop
//    is requested (see CWorkerStopScope); a log entry does not wait. A
//    message waits like a question because the boxes are modal: the worker
//    goes on only once the user has seen it. A worker whose stop is already
//    requested shows and asks nothing.
// So with a UI thread installed, the sink is only ever called on it.
//
// When the stop is requested while a worker waits, the worker returns at
// once with the dismissing answer of the buttons (DismissAnswer), and a box
// the UI thread has not shown yet is never shown. The pending question is
// shared between the worker and the posted call, so an answer arriving after
// the worker gave up goes nowhere.
#include <functional>
#include <stop_token>
#include <string>

#include "platform/text/format.h"
#include "resources/string_table.h"

namespace model {

// The buttons of a question box.
enum class EMessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
// The button that closed it.
enum class EMessageAnswer { Ok, Cancel, Yes, No };

// Whether `answer` is one of the buttons.
bool HasButton(EMessageButtons buttons, EMessageAnswer answer);
// The answer of a box closed without choosing, as Escape closes it: Cancel
// where there is a Cancel button; for Yes/No, which has none, No, the answer
// that leaves things as they are, whatever the default button; OK for a box
// with OK alone. A stopped worker gets this answer.
EMessageAnswer DismissAnswer(EMessageButtons buttons);

// Where string-table messages go.
class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    // A message the user must see (the program shows a message box).
    virtual void ShowMessage(int id, const std::string& text) = 0;
    // A report that must not interrupt what is going on, such as drawing:
    // the program logs it.
    virtual void Log(int id, const std::string& text) = 0;
    // A modal question with the buttons, `defaultAnswer` (one of them) on
    // the default button; returns the button chosen, one of `buttons`.
    virtual EMessageAnswer Ask(int id, const std::string& text, EMessageButtons buttons,
                               EMessageAnswer defaultAnswer) = 0;
};

// The sink in use: the one installed, else one that writes to standard
// error (and takes the default answer). Calling it directly skips the
// routing above: code that may run on a worker uses the functions below.
IMessageSink& Messages();
// Installs a sink (null: the standard-error one again); returns the previous
// one (null when it was the standard-error one).
IMessageSink* SetMessageSink(IMessageSink* sink);

// The user-interface thread as the message service needs it. The program's
// shell implements it over its event loop.
class IUiThread {
public:
    virtual ~IUiThread() = default;
    // Whether the calling thread is the UI thread.
    virtual bool IsUiThread() const = 0;
    // Runs `task` on the UI thread later, in the order posted. A task may be
    // destroyed without having run (the loop ended): a worker waiting for it
    // is then released with the dismissing answer.
    virtual void Post(std::function<void()> task) = 0;
};

// The UI thread, or null (no windows: the sink is called on every thread).
IUiThread* GetUiThread();
// Installs the UI thread (null: none); returns the previous one.
IUiThread* SetUiThread(IUiThread* thread);

// Runs `task` on the UI thread and waits for it the way a message waits:
// directly when there is no UI thread or this is it; from a worker, until
// the task has run or the worker's stop is requested (then it may never
// run). Returns whether it ran. For notifications a worker must see done
// before it goes on.
bool RunOnUiThread(std::function<void()> task);

// Ties the calling worker thread's stop flag to the message service for the
// scope's life: a message or question this thread waits on is given up when
// a stop is requested. A worker starts one first thing:
//     std::jthread([](std::stop_token stop) { CWorkerStopScope scope(stop); ... });
// A thread without one waits until the box is closed.
class CWorkerStopScope {
public:
    explicit CWorkerStopScope(std::stop_token stop);
    ~CWorkerStopScope();
    CWorkerStopScope(const CWorkerStopScope&) = delete;
    CWorkerStopScope& operator=(const CWorkerStopScope&) = delete;

private:
    std::stop_token previous_;
};

// The routed calls with the text already made.
void ShowMessageText(int id, const std::string& text);
void LogMessageText(int id, const std::string& text);
// Throws std::invalid_argument when `defaultAnswer` is not one of the
// buttons.
EMessageAnswer AskText(int id, const std::string& text, EMessageButtons buttons,
                       EMessageAnswer defaultAnswer);

// String-table text `id` formatted with the arguments.
template <typename... Args> std::string FormatMessage(int id, const Args&... args) {
    return platform::text::format(resources::LoadString(id), args...);
}
template <typename... Args> void ShowMessage(int id, const Args&... args) {
    ShowMessageText(id, FormatMessage(id, args...));
}
template <typename... Args> void LogMessage(int id, const Args&... args) {
    LogMessageText(id, FormatMessage(id, args...));
}
// Asks question `id` (its text formatted with the arguments).
template <typename... Args>
EMessageAnswer Ask(int id, EMessageButtons buttons, EMessageAnswer defaultAnswer,
                   const Args&... args) {
    return AskText(id, FormatMessage(id, args...), buttons, defaultAnswer);
}

// With OSTREL_MESSAGE_LOG=<file> set (and not empty), installs a sink that
// appends to that file one flushed line per entry, "MSG <id> <text>" for a
// message or a question and "LOG <id> <text>" for a logged report, and takes
// the default answer of every question, so whole programs run in tests
// without windows. Line breaks in a text are written as the two characters
// "\n". Safe from several threads and processes at once (one append write
// per line). Returns whether it installed the sink; throws
// std::runtime_error when the file cannot be opened.
bool InstallMessageLogFromEnvironment();

} // namespace model

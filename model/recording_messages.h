#pragma once
// For tests of any part of the program: a message sink that records what is
// shown, logged and asked and answers questions from a script, and a UI
// thread whose posted calls run when the test says so.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "model/messages.h"

namespace model {

// Installed as the message sink for its life (the previous one comes back
// after). Thread-safe.
class CRecordingMessages final : public IMessageSink {
public:
    using Entry = std::pair<int, std::string>; // id, text

    CRecordingMessages();
    ~CRecordingMessages() override;
    CRecordingMessages(const CRecordingMessages&) = delete;
    CRecordingMessages& operator=(const CRecordingMessages&) = delete;

    // Queues the answer to the next question `id` not yet answered from the
    // script. Answers are used in the order given; the last one stays for
    // every later question with that id. A question without a script gets
    // its default answer.
    void ScriptAnswer(int id, EMessageAnswer answer);

    void ShowMessage(int id, const std::string& text) override;
    void Log(int id, const std::string& text) override;
    // Throws std::invalid_argument when the scripted answer is not one of
    // the buttons: the script is wrong, not the code under test.
    EMessageAnswer Ask(int id, const std::string& text, EMessageButtons buttons,
                       EMessageAnswer defaultAnswer) override;

    std::vector<Entry> Shown() const;
    std::vector<Entry> Logged() const;
    std::vector<Entry> Asked() const;
    std::vector<int> ShownIds() const;
    std::vector<int> LoggedIds() const;
    std::vector<int> AskedIds() const;

private:
    mutable std::mutex mutex_;
    std::vector<Entry> shown_, logged_, asked_;
    std::map<int, std::deque<EMessageAnswer>> script_;
    IMessageSink* previous_;
};

// Installed as the UI thread for its life (the previous one comes back
// after). The thread that creates it is the UI thread; posted calls wait in
// a queue until that thread runs them. Calls still queued at the end are
// destroyed without running, as when a program's loop ends.
class CManualUiThread final : public IUiThread {
public:
    CManualUiThread();
    ~CManualUiThread() override;
    CManualUiThread(const CManualUiThread&) = delete;
    CManualUiThread& operator=(const CManualUiThread&) = delete;

    bool IsUiThread() const override;
    void Post(std::function<void()> task) override;

    // Runs the calls queued now, and those they post; returns how many ran.
    std::size_t RunPosted();
    // Runs posted calls as they arrive until `done` holds or the time is up;
    // returns whether `done` holds.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Waits, without running anything, until at least `count` calls are
    // queued or the time is up; returns whether they are.
    bool WaitForPosted(std::size_t count,
                       std::chrono::milliseconds limit = std::chrono::seconds(10));
    std::size_t PostedCount() const;

private:
    std::thread::id ui_;
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
    IUiThread* previous_;
};

} // namespace model

#include "model/messages.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <utility>

namespace model {

namespace {

class CStderrSink final : public IMessageSink {
public:
    void ShowMessage(int id, const std::string& text) override { Write("message", id, text); }
    void Log(int id, const std::string& text) override { Write("log", id, text); }
    EMessageAnswer Ask(int id, const std::string& text, EMessageButtons,
                       EMessageAnswer defaultAnswer) override {
        Write("question", id, text);
        return defaultAnswer;
    }

private:
    static void Write(const char* what, int id, const std::string& text) {
        std::fprintf(stderr, "ostrel %s %d: %s\n", what, id, text.c_str());
    }
};

// Appends to the file named by OSTREL_MESSAGE_LOG. The file is opened with
// O_APPEND and every line goes out in one write, so lines from several
// threads, or from several programs sharing the file, never interleave.
class CMessageLogSink final : public IMessageSink {
public:
    void Open(const std::string& path) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0)
            throw std::runtime_error("cannot open the message log " + path + ": " +
                                     std::strerror(errno));
        std::lock_guard lock(mutex_);
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

    void ShowMessage(int id, const std::string& text) override { Write("MSG", id, text); }
    void Log(int id, const std::string& text) override { Write("LOG", id, text); }
    EMessageAnswer Ask(int id, const std::string& text, EMessageButtons,
                       EMessageAnswer defaultAnswer) override {
        Write("MSG", id, text);
        return defaultAnswer;
    }

private:
    void Write(const char* kind, int id, const std::string& text) {
        std::string line = std::string(kind) + ' ' + std::to_string(id) + ' ';
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                continue;
            if (text[i] == '\r' || text[i] == '\n')
                line += "\\n";
            else
                line += text[i];
        }
        line += '\n';
        // The lock keeps a reopen from closing the descriptor under a write.
        std::lock_guard lock(mutex_);
        const char* p = line.data();
        std::size_t left = line.size();
        while (left > 0 && fd_ >= 0) {
            const ssize_t n = ::write(fd_, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break; // a full disk must not take the program down with it
            p += n;
            left -= static_cast<std::size_t>(n);
        }
    }

    std::mutex mutex_;
    int fd_ = -1;
};

CStderrSink g_stderr_sink;
std::atomic<IMessageSink*> g_sink{nullptr};
std::atomic<IUiThread*> g_ui_thread{nullptr};
thread_local std::stop_token t_stop;

// A box carried to the UI thread: shared by the waiting worker and the
// posted call, so either may go first.
struct CPendingBox {
    std::mutex mutex;
    std::condition_variable_any closed;
    std::optional<EMessageAnswer> answer;
    bool abandoned = false; // the worker stopped waiting

    void Close(EMessageAnswer chosen) {
        {
            std::lock_guard lock(mutex);
            if (!answer)
                answer = chosen;
        }
        closed.notify_all();
    }
    bool Abandoned() {
        std::lock_guard lock(mutex);
        return abandoned;
    }
};

// Held by the posted call only. Whatever becomes of the call (run, thrown
// out of, or destroyed by a loop that ended without running it), the worker
// is released: with the answer when there is one, else the dismissing one.
class CBoxDelivery {
public:
    CBoxDelivery(std::shared_ptr<CPendingBox> box, EMessageAnswer dismiss)
        : box_(std::move(box)), dismiss_(dismiss) {}
    ~CBoxDelivery() { box_->Close(dismiss_); }
    CBoxDelivery(const CBoxDelivery&) = delete;
    CBoxDelivery& operator=(const CBoxDelivery&) = delete;

    CPendingBox& Box() { return *box_; }

private:
    std::shared_ptr<CPendingBox> box_;
    EMessageAnswer dismiss_;
};

// Runs `show` (which opens the box through the sink) on the UI thread and
// waits for its answer or for the calling thread's stop.
EMessageAnswer ShowOnUiThread(IUiThread& ui, std::function<EMessageAnswer()> show,
                              EMessageAnswer dismiss) {
    const std::stop_token stop = t_stop;
    if (stop.stop_requested())
        return dismiss;
    auto box = std::make_shared<CPendingBox>();
    // Only the posted call may hold the delivery, or dropping the call
    // would not release this thread.
    ui.Post([delivery = std::make_shared<CBoxDelivery>(box, dismiss), show = std::move(show)] {
        // Not shown at all once the worker is gone: nobody would read the
        // answer, and the user would be asked about something already over.
        if (delivery->Box().Abandoned())
            return;
        delivery->Box().Close(show());
    });
    std::unique_lock lock(box->mutex);
    if (!box->closed.wait(lock, stop, [&] { return box->answer.has_value(); })) {
        box->abandoned = true;
        return dismiss;
    }
    return *box->answer;
}

} // namespace

bool HasButton(EMessageButtons buttons, EMessageAnswer answer) {
    switch (buttons) {
    case EMessageButtons::Ok:
        return answer == EMessageAnswer::Ok;
    case EMessageButtons::OkCancel:
        return answer == EMessageAnswer::Ok || answer == EMessageAnswer::Cancel;
    case EMessageButtons::YesNo:
        return answer == EMessageAnswer::Yes || answer == EMessageAnswer::No;
    case EMessageButtons::YesNoCancel:
        return answer != EMessageAnswer::Ok;
    }
    return false;
}

EMessageAnswer DismissAnswer(EMessageButtons buttons) {
    switch (buttons) {
    case EMessageButtons::Ok:
        return EMessageAnswer::Ok;
    case EMessageButtons::YesNo:
        return EMessageAnswer::No;
    case EMessageButtons::OkCancel:
    case EMessageButtons::YesNoCancel:
        break;
    }
    return EMessageAnswer::Cancel;
}

IMessageSink& Messages() {
    IMessageSink* sink = g_sink.load();
    return sink != nullptr ? *sink : g_stderr_sink;
}

IMessageSink* SetMessageSink(IMessageSink* sink) {
    return g_sink.exchange(sink);
}

IUiThread* GetUiThread() {
    return g_ui_thread.load();
}

IUiThread* SetUiThread(IUiThread* thread) {
    return g_ui_thread.exchange(thread);
}

CWorkerStopScope::CWorkerStopScope(std::stop_token stop) : previous_(std::exchange(t_stop, stop)) {}

CWorkerStopScope::~CWorkerStopScope() {
    t_stop = std::move(previous_);
}

void ShowMessageText(int id, const std::string& text) {
    IUiThread* ui = GetUiThread();
    if (ui == nullptr || ui->IsUiThread()) {
        Messages().ShowMessage(id, text);
        return;
    }
    ShowOnUiThread(
        *ui,
        [id, text] {
            Messages().ShowMessage(id, text);
            return EMessageAnswer::Ok;
        },
        EMessageAnswer::Ok);
}

void LogMessageText(int id, const std::string& text) {
    IUiThread* ui = GetUiThread();
    if (ui == nullptr || ui->IsUiThread()) {
        Messages().Log(id, text);
        return;
    }
    ui->Post([id, text] { Messages().Log(id, text); });
}

bool RunOnUiThread(std::function<void()> task) {
    IUiThread* ui = GetUiThread();
    if (ui == nullptr || ui->IsUiThread()) {
        task();
        return true;
    }
    return ShowOnUiThread(
               *ui,
               [task = std::move(task)] {
                   task();
                   return EMessageAnswer::Ok;
               },
               EMessageAnswer::Cancel) == EMessageAnswer::Ok;
}

EMessageAnswer AskText(int id, const std::string& text, EMessageButtons buttons,
                       EMessageAnswer defaultAnswer) {
    if (!HasButton(buttons, defaultAnswer))
        throw std::invalid_argument("question " + std::to_string(id) +
                                    ": the default answer is not one of its buttons");
    IUiThread* ui = GetUiThread();
    if (ui == nullptr || ui->IsUiThread())
        return Messages().Ask(id, text, buttons, defaultAnswer);
    return ShowOnUiThread(
        *ui,
        [id, text, buttons, defaultAnswer] {
            return Messages().Ask(id, text, buttons, defaultAnswer);
        },
        DismissAnswer(buttons));
}

bool InstallMessageLogFromEnvironment() {
    const char* path = std::getenv("OSTREL_MESSAGE_LOG");
    if (path == nullptr || *path == '\0')
        return false;
    // Never destroyed: threads still running at exit may write to it.
    static CMessageLogSink* const sink = new CMessageLogSink;
    sink->Open(path);
    SetMessageSink(sink);
    return true;
}

} // namespace model

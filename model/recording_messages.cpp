#include "model/recording_messages.h"

#include <stdexcept>

namespace model {

namespace {

std::vector<int> Ids(const std::vector<CRecordingMessages::Entry>& entries) {
    std::vector<int> out;
    out.reserve(entries.size());
    for (const auto& [id, text] : entries)
        out.push_back(id);
    return out;
}

} // namespace

CRecordingMessages::CRecordingMessages() : previous_(SetMessageSink(this)) {}

CRecordingMessages::~CRecordingMessages() {
    SetMessageSink(previous_);
}

void CRecordingMessages::ScriptAnswer(int id, EMessageAnswer answer) {
    std::lock_guard lock(mutex_);
    script_[id].push_back(answer);
}

void CRecordingMessages::ShowMessage(int id, const std::string& text) {
    std::lock_guard lock(mutex_);
    shown_.emplace_back(id, text);
}

void CRecordingMessages::Log(int id, const std::string& text) {
    std::lock_guard lock(mutex_);
    logged_.emplace_back(id, text);
}

EMessageAnswer CRecordingMessages::Ask(int id, const std::string& text, EMessageButtons buttons,
                                       EMessageAnswer defaultAnswer) {
    std::lock_guard lock(mutex_);
    asked_.emplace_back(id, text);
    auto it = script_.find(id);
    if (it == script_.end())
        return defaultAnswer;
    std::deque<EMessageAnswer>& answers = it->second;
    const EMessageAnswer answer = answers.front();
    if (answers.size() > 1)
        answers.pop_front();
    if (!HasButton(buttons, answer))
        throw std::invalid_argument("the scripted answer to question " + std::to_string(id) +
                                    " is not one of its buttons");
    return answer;
}

std::vector<CRecordingMessages::Entry> CRecordingMessages::Shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

std::vector<CRecordingMessages::Entry> CRecordingMessages::Logged() const {
    std::lock_guard lock(mutex_);
    return logged_;
}

std::vector<CRecordingMessages::Entry> CRecordingMessages::Asked() const {
    std::lock_guard lock(mutex_);
    return asked_;
}

std::vector<int> CRecordingMessages::ShownIds() const {
    return Ids(Shown());
}

std::vector<int> CRecordingMessages::LoggedIds() const {
    return Ids(Logged());
}

std::vector<int> CRecordingMessages::AskedIds() const {
    return Ids(Asked());
}

CManualUiThread::CManualUiThread()
    : ui_(std::this_thread::get_id()), previous_(SetUiThread(this)) {}

CManualUiThread::~CManualUiThread() {
    SetUiThread(previous_);
    // Destroyed outside the lock: a call's end releases its waiting worker.
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(queue_);
    }
}

bool CManualUiThread::IsUiThread() const {
    return std::this_thread::get_id() == ui_;
}

void CManualUiThread::Post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(task));
    }
    posted_.notify_all();
}

std::size_t CManualUiThread::RunPosted() {
    std::size_t ran = 0;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty())
                return ran;
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        task();
        ++ran;
    }
}

bool CManualUiThread::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        RunPosted();
        if (done())
            return true;
        std::unique_lock lock(mutex_);
        // `done` may turn true without anything posted (a worker ending), so
        // look again at short intervals.
        posted_.wait_for(lock, std::chrono::milliseconds(1), [&] { return !queue_.empty(); });
        if (std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            RunPosted();
            return done();
        }
    }
}

bool CManualUiThread::WaitForPosted(std::size_t count, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return posted_.wait_for(lock, limit, [&] { return queue_.size() >= count; });
}

std::size_t CManualUiThread::PostedCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

} // namespace model

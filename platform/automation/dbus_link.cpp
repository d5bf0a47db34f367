#include "platform/automation/dbus_link.h"

#include "platform/automation/dbus_bus.h"

#include <cerrno>
#include <condition_variable>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform::automation::dbus {

namespace {

std::atomic<std::uint64_t> next_link_id{1};

// How long after its caller gave up an answer is still awaited, so that the
// objects it hands over are given back rather than held for the connection's
// lifetime.
constexpr std::chrono::seconds late_window{60};

} // namespace

struct bus_link_t::pending_t {
    std::unique_ptr<sdbus::IProxy> proxy;
    late_fn on_late;
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;      // an answer came, or the link ended
    bool abandoned = false; // the caller stopped waiting
    call_result_t result;
};

struct bus_link_t::finished_t {
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
};

bus_link_t::bus_link_t() : id_(next_link_id.fetch_add(1)) {
    connection_ = connect_bus();
    wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0)
        throw sdbus::createError(errno, "Cannot make the bus thread's wake-up descriptor");
    finished_ = std::make_shared<finished_t>();
    std::thread([this, finished = finished_] {
        loop();
        std::lock_guard lock(finished->mutex);
        finished->done = true;
        finished->changed.notify_all();
    }).detach();
}

bus_link_t::~bus_link_t() {
    stopping_.store(true);
    wake();
    {
        std::unique_lock lock(finished_->mutex);
        finished_->changed.wait(lock, [&] { return finished_->done; });
    }
    // Callers are gone (each held the link while waiting); what is left are
    // calls nobody waits for. Their proxies go before the connection.
    pending_.clear();
    connection_.reset();
    if (wake_fd_ >= 0)
        ::close(wake_fd_);
}

outgoing_t bus_link_t::prepare(const std::string& destination, const std::string& path,
                               const char* member) {
    outgoing_t out;
    out.proxy = sdbus::createProxy(*connection_, destination, path);
    out.call = out.proxy->createMethodCall(interface_name, member);
    return out;
}

call_result_t bus_link_t::call(outgoing_t out, std::chrono::milliseconds timeout, late_fn on_late) {
    auto p = std::make_shared<pending_t>();
    p->proxy = std::move(out.proxy);
    p->on_late = std::move(on_late);
    {
        std::lock_guard lock(mutex_);
        if (ended_.load())
            return {};
        // Listed before sending, so that the link's end finds it even when
        // the connection fails while the call is on its way.
        pending_.push_back(p);
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pending_t* raw = p.get();
    auto handler = [this, raw](sdbus::MethodReply& reply, const sdbus::Error* error) {
        bool late = false;
        {
            std::lock_guard lock(raw->mutex);
            if (raw->done)
                return;
            raw->done = true;
            late = raw->abandoned;
            if (!late && error) {
                raw->result.outcome = outcome_t::failed;
                raw->result.error_name = error->getName();
                raw->result.error_message = error->getMessage();
            } else if (!late) {
                raw->result.outcome = outcome_t::answered;
                raw->result.reply = reply;
            }
        }
        raw->answered.notify_all();
        if (late && !error && raw->on_late) {
            try {
                raw->on_late(*this, reply);
            } catch (const std::exception&) {
                // A late answer that cannot be read holds nothing to give back.
            }
        }
    };
    const auto bus_timeout =
        std::chrono::duration_cast<std::chrono::microseconds>(timeout + late_window);
    try {
        (void)p->proxy->callMethod(out.call, std::move(handler),
                                   static_cast<std::uint64_t>(bus_timeout.count()));
    } catch (const sdbus::Error& e) {
        {
            std::lock_guard lock(p->mutex);
            p->done = true;
        }
        give_up();
        call_result_t r;
        r.error_name = e.getName();
        r.error_message = e.getMessage();
        return r;
    }
    // The link's thread recomputes what it waits for: this call's bytes may
    // still be queued, and its time-out is new.
    wake();
    std::unique_lock lock(p->mutex);
    if (!p->answered.wait_until(lock, deadline, [&] { return p->done; })) {
        p->abandoned = true;
        call_result_t r;
        r.outcome = outcome_t::timed_out;
        return r;
    }
    return std::move(p->result);
}

bool bus_link_t::send(outgoing_t out) {
    if (ended_.load())
        return false;
    try {
        out.call.dontExpectReply();
        (void)out.proxy->callMethod(out.call);
    } catch (const sdbus::Error&) {
        give_up();
        return false;
    }
    wake();
    return true;
}

void bus_link_t::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto w = ::write(wake_fd_, &one, sizeof one);
}

void bus_link_t::give_up() {
    {
        // At once, so that the next creation makes a new link.
        std::lock_guard lock(mutex_);
        ended_.store(true);
    }
    stopping_.store(true);
    wake();
}

void bus_link_t::loop() {
    while (!stopping_.load()) {
        sdbus::IConnection::PollData poll_data{};
        try {
            while (connection_->processPendingRequest()) {
            }
            poll_data = connection_->getEventLoopPollData();
        } catch (const sdbus::Error&) {
            break; // the connection failed: the bus went away
        }
        // Outside any reply handler: proxies of answered calls can go.
        std::vector<std::shared_ptr<pending_t>> finished;
        {
            std::lock_guard lock(mutex_);
            for (auto it = pending_.begin(); it != pending_.end();) {
                bool done = false;
                {
                    std::lock_guard call_lock((*it)->mutex);
                    done = (*it)->done;
                }
                if (done) {
                    finished.push_back(std::move(*it));
                    it = pending_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        finished.clear();
        pollfd fds[2] = {{poll_data.fd, poll_data.events, 0}, {wake_fd_, POLLIN, 0}};
        int timeout = -1;
        if (const auto rel = poll_data.getRelativeTimeout())
            timeout = static_cast<int>((rel->count() + 999) / 1000);
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto r = ::read(wake_fd_, &count, sizeof count);
        }
    }
    end();
}

void bus_link_t::end() {
    std::list<std::shared_ptr<pending_t>> left;
    {
        std::lock_guard lock(mutex_);
        ended_.store(true);
        left.swap(pending_);
    }
    for (const auto& p : left) {
        {
            std::lock_guard lock(p->mutex);
            if (p->done)
                continue;
            p->done = true;
            p->result.outcome = outcome_t::lost;
            p->result.error_message = "The connection to the bus ended";
        }
        p->answered.notify_all();
    }
}

} // namespace platform::automation::dbus

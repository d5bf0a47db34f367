#include "qo/handle.h"
#include "qo/proc/exception.h"
#include "qo/proc/thread.h"
#include "qo/proc/thread_stop_exception.h"
#include "qo/wapi/exception.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;
using platform::sync::event_t;
using platform::sync::infinite;
using clock_type = std::chrono::steady_clock;

// Polls until `done` holds or ten seconds pass; its last answer.
template <typename F> bool eventually(F done) {
    const auto until = clock_type::now() + 10s;
    while (!done() && clock_type::now() < until)
        std::this_thread::sleep_for(1ms);
    return done();
}

// A thread whose body the test gives. The body is copied when the thread
// starts, so it stays alive even when the object goes first.
class probe_thread_t : public qo::proc::thread_t {
public:
    using body_t = std::function<void(probe_thread_t&)>;

    explicit probe_thread_t(body_t body, std::uint32_t stop_wait_ms = stop_timeout_ms)
        : body_(std::move(body)) {
        set_stop_timeout(stop_wait_ms);
    }
    ~probe_thread_t() override {
        try {
            stop();
        } catch (...) {
        }
    }

    using thread_t::check_stop;
    using thread_t::wait_for_objects;

protected:
    void thread_function() override {
        const body_t body = body_;
        body(*this);
    }

private:
    body_t body_;
};

std::shared_ptr<event_t> manual_event() {
    return std::make_shared<event_t>(event_t::reset::manual);
}

long long ms_since(clock_type::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count();
}

TEST(QoThread, StopsOnRequestWhilePollingCheckStop) {
    std::atomic<int> rounds{0};
    probe_thread_t t([&](probe_thread_t& self) {
        for (;;) {
            self.check_stop(5);
            ++rounds;
        }
    });
    t.start();
    EXPECT_TRUE(t.running());
    ASSERT_TRUE(eventually([&] { return rounds.load() >= 3; }));
    const auto start = clock_type::now();
    t.stop();
    EXPECT_LT(ms_since(start), 1000);
    EXPECT_FALSE(t.running());
    EXPECT_TRUE(t.handle().wait(0));
}

TEST(QoThread, StopsWhileBlockedInAWait) {
    auto never = manual_event();
    std::atomic<bool> stop_seen{false};
    auto entered = manual_event();
    probe_thread_t t([&](probe_thread_t& self) {
        entered->set();
        try {
            self.wait_for_objects(*never, infinite);
        } catch (const qo::proc::thread_stop_exception_t&) {
            stop_seen = true;
            throw;
        }
    });
    t.start();
    ASSERT_TRUE(entered->wait(2000));
    const auto start = clock_type::now();
    t.stop();
    EXPECT_LT(ms_since(start), 1000);
    EXPECT_TRUE(stop_seen);
    EXPECT_FALSE(t.running());
}

TEST(QoThread, WaitForObjectsSeesTheObjectAndTheTime) {
    auto work = std::make_shared<event_t>(event_t::reset::automatic);
    const qo::handle_t work_handle(work);
    std::atomic<int> result{-1};
    auto timed_out = manual_event();
    probe_thread_t t([&](probe_thread_t& self) {
        if (!self.wait_for_objects(work_handle, 20))
            timed_out->set();
        result = self.wait_for_objects(work_handle, 5000) ? 1 : 0;
    });
    t.start();
    ASSERT_TRUE(timed_out->wait(2000));
    work->set();
    ASSERT_TRUE(t.handle().wait(2000));
    EXPECT_EQ(result.load(), 1);
    // The automatic-reset event was taken by the wait.
    EXPECT_FALSE(work->is_set());
}

TEST(QoThread, CheckStopReturnsFalseUntilStopped) {
    std::atomic<int> quiet{-1};
    probe_thread_t t([&](probe_thread_t& self) {
        quiet = self.check_stop(10) ? 1 : 0;
        self.check_stop(infinite);
    });
    t.start();
    ASSERT_TRUE(eventually([&] { return quiet.load() != -1; }));
    EXPECT_EQ(quiet.load(), 0);
    EXPECT_TRUE(t.running());
    t.stop();
    EXPECT_FALSE(t.running());
}

TEST(QoThread, StartWhileRunningDoesNothingAndStopBeforeStartReturns) {
    std::atomic<int> runs{0};
    probe_thread_t t([&](probe_thread_t& self) {
        ++runs;
        self.check_stop(infinite);
    });
    const auto start = clock_type::now();
    t.stop();
    EXPECT_LT(ms_since(start), 100);
    EXPECT_FALSE(t.handle().valid());

    t.start();
    const qo::handle_t first = t.handle();
    t.start();
    EXPECT_EQ(t.handle().get(), first.get());
    t.stop();
    EXPECT_EQ(runs.load(), 1);
}

// A stopped thread started again must not see the old stop request.
TEST(QoThread, RestartResetsTheStopEvent) {
    std::atomic<int> runs{0};
    std::atomic<bool> saw_old_stop{false};
    auto gate = std::make_shared<event_t>(event_t::reset::automatic);
    probe_thread_t t([&](probe_thread_t& self) {
        const int run = ++runs;
        try {
            self.check_stop(0);
        } catch (const qo::proc::thread_stop_exception_t&) {
            // The first run may well see its stop already.
            if (run == 2)
                saw_old_stop = true;
            throw;
        }
        self.wait_for_objects(*gate, infinite);
    });
    t.start();
    t.stop();
    t.start();
    const qo::handle_t second = t.handle();
    gate->set();
    ASSERT_TRUE(second.wait(2000));
    EXPECT_EQ(runs.load(), 2);
    EXPECT_FALSE(saw_old_stop);
    EXPECT_FALSE(t.running());
}

TEST(QoThread, ThrowingFunctionEndsQuietly) {
    probe_thread_t std_error([](probe_thread_t&) { throw std::runtime_error("boom"); });
    probe_thread_t family_error([](probe_thread_t&) { throw qo::exception_t("boom"); });
    probe_thread_t other([](probe_thread_t&) { throw 42; });
    for (probe_thread_t* t : {&std_error, &family_error, &other}) {
        t->start();
        ASSERT_TRUE(t->handle().wait(2000));
        EXPECT_FALSE(t->running());
        EXPECT_NO_THROW(t->stop());
    }
}

TEST(QoThread, HandleTellsWhetherTheThreadEnded) {
    auto gate = manual_event();
    probe_thread_t t([gate](probe_thread_t&) { gate->wait(infinite); });
    t.start();
    EXPECT_FALSE(t.handle().wait(0));
    gate->set();
    EXPECT_TRUE(t.handle().wait(2000));
    EXPECT_TRUE(t.handle().wait(0));
}

// The stop wait is 60000 ms; a thread that ignores its stop event is shown
// with a shorter wait.
TEST(QoThread, StopOfAThreadThatIgnoresItTimesOut) {
    EXPECT_EQ(qo::proc::thread_t::stop_timeout_ms, 60000u);
    auto gate = manual_event();
    probe_thread_t t([gate](probe_thread_t&) { gate->wait(infinite); }, 50);
    t.start();
    const auto start = clock_type::now();
    try {
        t.stop();
        FAIL() << "no time-out";
    } catch (const qo::proc::exception_t& e) {
        EXPECT_STREQ(e.what(), "WAIT_TIMEOUT in thread_t::stop");
    }
    EXPECT_GE(ms_since(start), 45);
    EXPECT_TRUE(t.running());
    gate->set();
    EXPECT_TRUE(t.handle().wait(2000));
    EXPECT_FALSE(t.running());
}

// The object goes while its thread still runs (its stop timed out): when
// the thread ends later, it clears its running flag and signals its end on
// state it keeps itself (ASan reports a use after free otherwise).
TEST(QoThread, ThreadOutlivingItsObjectKeepsItsState) {
    auto gate = manual_event();
    // An atomic, not an event: the test deletes the body's object once the
    // thread has copied it, and that order must be visible to ThreadSanitizer.
    auto entered = std::make_shared<std::atomic<bool>>(false);
    auto t = std::make_unique<probe_thread_t>(
        [gate, entered](probe_thread_t&) {
            entered->store(true);
            gate->wait(infinite);
        },
        20);
    t->start();
    ASSERT_TRUE(eventually([&] { return entered->load(); }));
    const qo::handle_t ended = t->handle();
    t.reset();
    EXPECT_FALSE(ended.wait(0));
    gate->set();
    EXPECT_TRUE(ended.wait(2000));
}

TEST(QoThread, PriorityIsBestEffort) {
    probe_thread_t t([](probe_thread_t& self) { self.check_stop(infinite); });
    EXPECT_FALSE(t.set_priority(-1));
    t.start();
    // Lowering needs no privilege.
    EXPECT_TRUE(t.set_priority(-1));
    t.stop();
    EXPECT_FALSE(t.set_priority(-1));
}

TEST(QoHandle, WaitsOnItsObject) {
    qo::handle_t empty;
    try {
        empty.wait(0);
        FAIL() << "no exception";
    } catch (const qo::wapi::exception_t& e) {
        EXPECT_EQ(e.code(), 6u);
    }
    auto units = std::make_shared<platform::sync::semaphore_t>(1, 5);
    const qo::handle_t h(units);
    const qo::handle_t copy = h;
    EXPECT_TRUE(h.wait(0));
    EXPECT_FALSE(copy.wait(10));
    qo::handle_t closing = h;
    closing.close();
    EXPECT_FALSE(closing.valid());
    EXPECT_TRUE(h.valid());
}

} // namespace

#include "platform/sync/event.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using platform::sync::event_t;
using platform::sync::infinite;
using platform::sync::semaphore_t;
using platform::sync::tick_ms;
using platform::sync::wait_any;
using platform::sync::waitable_t;
using clock_type = std::chrono::steady_clock;

// Spins until `done` holds or two seconds pass; the caller asserts again.
template <typename F> bool eventually(F done) {
    const auto until = clock_type::now() + 2s;
    while (!done() && clock_type::now() < until)
        std::this_thread::sleep_for(1ms);
    return done();
}

// Whether the thread `tid` of this process has ended or sleeps in the
// kernel (its state in /proc is 'S').
bool gone_or_asleep(pid_t tid) {
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/stat");
    if (!in)
        return true;
    std::stringstream text;
    text << in.rdbuf();
    const std::string stat = text.str();
    // The state follows the name, which is in parentheses and may hold any
    // character.
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() || stat[close + 2] == 'S';
}

// Takes every unit a semaphore holds (up to a cap, so a count gone wild
// fails instead of draining for minutes); the count is otherwise invisible.
int drain(semaphore_t& s) {
    int units = 0;
    while (units < 64 && s.try_take())
        ++units;
    return units;
}

// Rows are named after the fault they catch. Test names carry the row name;
// without this they carry the row's bytes.
template <typename Row>
requires requires(const Row& r) {
    r.name;
}
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

// ---------------------------------------------------------------------------
// Single-threaded state of one event. Script steps: S set, R reset,
// W / w wait(0) expecting true / false, I / i is_set expecting true / false.

struct event_script_row {
    const char* name;
    event_t::reset mode;
    bool initially_set;
    const char* script;
};

class SyncEventState : public ::testing::TestWithParam<event_script_row> {};

TEST_P(SyncEventState, FollowsScript) {
    const auto& row = GetParam();
    event_t event(row.mode, row.initially_set);
    EXPECT_EQ(event.manual_reset(), row.mode == event_t::reset::manual);
    const std::string script = row.script;
    for (std::size_t i = 0; i < script.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i) + " '" + script[i] + "'");
        switch (script[i]) {
        case 'S':
            event.set();
            break;
        case 'R':
            event.reset_event();
            break;
        case 'W':
            EXPECT_TRUE(event.wait(0));
            break;
        case 'w':
            EXPECT_FALSE(event.wait(0));
            break;
        case 'I':
            EXPECT_TRUE(event.is_set());
            break;
        case 'i':
            EXPECT_FALSE(event.is_set());
            break;
        default:
            FAIL() << "bad script";
        }
    }
}

constexpr auto manual = event_t::reset::manual;
constexpr auto automatic = event_t::reset::automatic;

INSTANTIATE_TEST_SUITE_P(
    Rows, SyncEventState,
    ::testing::Values(
        event_script_row{"starts_signalled", manual, false, "iw"},
        event_script_row{"initially_set_ignored", automatic, true, "IWw"},
        event_script_row{"manual_wait_consumes", manual, false, "SWWI"},
        event_script_row{"auto_wait_does_not_consume", automatic, false, "SWwi"},
        event_script_row{"is_set_consumes_auto", automatic, false, "SIIWi"},
        event_script_row{"auto_double_set_counted_twice", automatic, false, "SSWw"},
        event_script_row{"manual_double_set_survives_one_reset", manual, false, "SSRiw"},
        event_script_row{"auto_reset_leaves_set", automatic, false, "SRw"},
        event_script_row{"reset_when_clear_breaks_later_set", manual, false, "RRSWI"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Several threads block on one object; count how many each signal releases.

struct release_row {
    const char* name;
    std::function<std::unique_ptr<waitable_t>()> make;
    std::function<void(waitable_t&)> signal;
    int waiters;
    int signals;
    int released; // after all signals
};

class SyncReleaseWaiters : public ::testing::TestWithParam<release_row> {
protected:
    // Waiters also watch `stop_` so the test can always join them.
    void start(waitable_t& object, int count) {
        for (int i = 0; i < count; ++i)
            threads_.emplace_back([this, &object] {
                {
                    std::lock_guard lock(tids_lock_);
                    tids_.push_back(::gettid());
                }
                ++blocked_;
                if (wait_any({&object, &stop_}, infinite) == 0)
                    ++released_;
            });
        ASSERT_TRUE(eventually([&] { return blocked_ == count; }));
        // Every waiter sleeps in poll(), so a signal wakes them all at once.
        ASSERT_TRUE(eventually([&] { return all_gone_or_asleep(); }));
    }

    bool all_gone_or_asleep() {
        std::lock_guard lock(tids_lock_);
        for (const pid_t tid : tids_)
            if (!gone_or_asleep(tid))
                return false;
        return true;
    }

    void TearDown() override {
        stop_.set();
        for (auto& t : threads_)
            t.join();
    }

    std::unique_ptr<waitable_t> object_;
    event_t stop_{event_t::reset::manual};
    std::atomic<int> blocked_{0};
    std::atomic<int> released_{0};
    std::vector<std::thread> threads_;
    std::mutex tids_lock_;
    std::vector<pid_t> tids_;
};

TEST_P(SyncReleaseWaiters, SignalReleasesExpectedCount) {
    const auto& row = GetParam();
    object_ = row.make();
    start(*object_, row.waiters);
    const int per_signal = row.released / row.signals;
    for (int s = 1; s <= row.signals; ++s) {
        row.signal(*object_);
        // Signal again only once the previous one has been taken: a set on a
        // set auto event is meant to count once.
        EXPECT_TRUE(eventually([&] { return released_ >= s * per_signal; }));
    }
    // Extra waiters woken by the same signal must go back to sleep: once
    // every waiter has ended or sleeps again, none more is released.
    EXPECT_TRUE(eventually([&] { return all_gone_or_asleep(); }));
    EXPECT_EQ(released_, row.released);
}

std::unique_ptr<waitable_t> make_event(event_t::reset mode) {
    return std::make_unique<event_t>(mode);
}

void set_event(waitable_t& w) {
    static_cast<event_t&>(w).set();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SyncReleaseWaiters,
    ::testing::Values(release_row{"manual_set_releases_only_one", [] { return make_event(manual); },
                                  set_event, 4, 1, 4},
                      release_row{"auto_set_releases_more_than_one",
                                  [] { return make_event(automatic); }, set_event, 4, 1, 1},
                      release_row{"auto_later_sets_lost", [] { return make_event(automatic); },
                                  set_event, 4, 3, 3},
                      release_row{"semaphore_release_n_releases_other_than_n",
                                  [] { return std::make_unique<semaphore_t>(0, 10); },
                                  [](waitable_t& w) { static_cast<semaphore_t&>(w).release(3); }, 5,
                                  1, 3}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Time-outs.

struct timeout_row {
    const char* name;
    std::function<bool(std::uint32_t)> wait; // true when signalled
};

class SyncTimeout : public ::testing::TestWithParam<timeout_row> {};

TEST_P(SyncTimeout, UnsignalledWaitTimesOutAfterTheTime) {
    const auto start = clock_type::now();
    EXPECT_FALSE(GetParam().wait(30));
    EXPECT_GE(clock_type::now() - start, 30ms);
}

TEST_P(SyncTimeout, ZeroTimeoutReportsUnsignalled) {
    EXPECT_FALSE(GetParam().wait(0));
}

INSTANTIATE_TEST_SUITE_P(Rows, SyncTimeout,
                         ::testing::Values(timeout_row{"manual_event_never_set",
                                                       [](std::uint32_t t) {
                                                           return event_t(manual).wait(t);
                                                       }},
                                           timeout_row{"auto_event_left_set_by_wait",
                                                       [](std::uint32_t t) {
                                                           event_t e(automatic, true);
                                                           return e.wait(0) && e.wait(t);
                                                       }},
                                           timeout_row{"manual_event_left_set_by_reset",
                                                       [](std::uint32_t t) {
                                                           event_t e(manual, true);
                                                           e.reset_event();
                                                           return e.wait(t);
                                                       }},
                                           timeout_row{"semaphore_unit_taken_twice",
                                                       [](std::uint32_t t) {
                                                           semaphore_t s(1, 1);
                                                           return s.wait(0) && s.wait(t);
                                                       }},
                                           timeout_row{"wait_any_reports_unsignalled",
                                                       [](std::uint32_t t) {
                                                           event_t a(automatic), b(manual);
                                                           semaphore_t c(0, 1);
                                                           return wait_any({&a, &b, &c}, t) != -1;
                                                       }}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// wait_any over a fixed set: A, B auto events, C manual event, D semaphore.
// `signalled` lists what is signalled before the call (a letter per set or
// unit); `left` what is still signalled afterwards.

struct pick_row {
    const char* name;
    const char* signalled;
    int index;
    const char* left;
};

class SyncWaitAnyPick : public ::testing::TestWithParam<pick_row> {
protected:
    std::string left() {
        std::string s;
        if (a_.is_set())
            s += 'A';
        if (b_.is_set())
            s += 'B';
        if (c_.is_set())
            s += 'C';
        s.append(drain(d_), 'D');
        return s;
    }

    event_t a_{automatic}, b_{automatic}, c_{manual};
    semaphore_t d_{0, 5};
};

TEST_P(SyncWaitAnyPick, TakesLowestSignalledOnly) {
    const auto& row = GetParam();
    for (const char* p = row.signalled; *p; ++p) {
        switch (*p) {
        case 'A':
            a_.set();
            break;
        case 'B':
            b_.set();
            break;
        case 'C':
            c_.set();
            break;
        case 'D':
            ASSERT_TRUE(d_.release());
            break;
        }
    }
    EXPECT_EQ(wait_any({&a_, &b_, &c_, &d_}, 0), row.index);
    EXPECT_EQ(left(), row.left);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SyncWaitAnyPick,
    ::testing::Values(pick_row{"higher_index_preferred", "BA", 0, "B"},
                      pick_row{"higher_auto_event_also_taken", "BD", 1, "D"},
                      pick_row{"manual_winner_reset", "CD", 2, "CD"},
                      pick_row{"semaphore_takes_more_than_one_unit", "DDD", 3, "DD"},
                      pick_row{"spurious_index_when_nothing_signalled", "", -1, ""},
                      pick_row{"more_than_winner_taken_when_all_signalled", "ABCD", 0, "BCD"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SyncWaitAny, SetFromAnotherThreadWakesIt) {
    event_t a(automatic), b(automatic);
    // The pause is the scenario: the set comes while the wait is (most
    // likely) under way; the answer does not depend on it.
    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        b.set();
    });
    EXPECT_EQ(wait_any({&a, &b}, 10'000), 1);
    setter.join();
    EXPECT_FALSE(b.is_set());
}

// A waiter hands data over through the event and then owns it alone: it may
// read what the setter wrote and destroy the event at once. Under
// ThreadSanitizer this fails when set() and a successful wait are not
// ordered (a manual event is only polled, never read).
TEST(SyncWaitAny, WaiterOwnsWhatTheSetterHandedOver) {
    for (const auto mode : {event_t::reset::manual, event_t::reset::automatic}) {
        for (int round = 0; round < 200; ++round) {
            auto event = std::make_unique<event_t>(mode);
            int payload = 0;
            std::thread setter([&, e = event.get()] {
                payload = round + 1;
                e->set();
            });
            ASSERT_TRUE(event->wait(5000));
            EXPECT_EQ(payload, round + 1);
            event.reset();
            setter.join();
        }
    }
}

TEST(SyncWaitAny, NoObjectsRejectedInsteadOfBlocking) {
    EXPECT_THROW(wait_any(std::span<waitable_t* const>{}, infinite), std::system_error);
}

// ---------------------------------------------------------------------------
// Semaphore counting.

struct release_limit_row {
    const char* name;
    std::uint32_t initial, maximum, count;
    bool ok;
    std::uint32_t previous;
    int units_after;
};

class SyncSemaphoreRelease : public ::testing::TestWithParam<release_limit_row> {};

TEST_P(SyncSemaphoreRelease, RespectsMaximum) {
    const auto& row = GetParam();
    semaphore_t s(row.initial, row.maximum);
    std::uint32_t previous = 12345;
    EXPECT_EQ(s.release(row.count, &previous), row.ok);
    EXPECT_EQ(previous, row.previous);
    EXPECT_EQ(drain(s), row.units_after);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SyncSemaphoreRelease,
    ::testing::Values(release_limit_row{"up_to_maximum_refused", 0, 3, 3, true, 0, 3},
                      release_limit_row{"below_maximum_refused", 2, 3, 1, true, 2, 3},
                      release_limit_row{"past_maximum_adds_part", 2, 3, 2, false, 2, 2},
                      release_limit_row{"sum_wraps_32_bits", 1, 0xFFFFFFFFu, 0xFFFFFFFFu, false, 1,
                                        1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SyncSemaphore, EachWaitTakesOneUnit) {
    semaphore_t s(0, 5);
    ASSERT_TRUE(s.release(3));
    EXPECT_TRUE(s.wait(0));
    EXPECT_TRUE(s.wait(0));
    std::uint32_t previous = 0;
    // The bookkeeping must follow the takes, or the maximum check drifts.
    EXPECT_TRUE(s.release(1, &previous));
    EXPECT_EQ(previous, 1u);
    EXPECT_TRUE(s.wait(0));
    EXPECT_TRUE(s.wait(0));
    EXPECT_FALSE(s.wait(0));
}

TEST(SyncSemaphore, InitialAboveMaximumRejected) {
    EXPECT_THROW((semaphore_t{4, 3}), std::system_error);
}

// Releasers and takers racing; the count must stay within the maximum and
// end where the totals say.
TEST(SyncSemaphore, CountStaysConsistentUnderContention) {
    constexpr int per_thread = 2000;
    semaphore_t s(0, 4);
    std::atomic<int> taken{0};
    std::vector<std::thread> threads;
    // A drifting count makes releases fail for good; give up rather than hang.
    const auto until = clock_type::now() + 5s;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < per_thread && clock_type::now() < until;)
                if (s.release())
                    ++i;
                else
                    std::this_thread::yield();
        });
        threads.emplace_back([&] {
            for (int i = 0; i < per_thread && s.wait(1'000); ++i)
                ++taken;
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(taken, 2 * per_thread);
    EXPECT_EQ(drain(s), 0);
    std::uint32_t previous = 99;
    EXPECT_TRUE(s.release(4, &previous));
    EXPECT_EQ(previous, 0u);
}

// ---------------------------------------------------------------------------
// The reason for eventfd: a worker blocks on its socket and its quit event in
// one poll().

TEST(SyncEventWithSocket, QuitEventPolledBesideSocket) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    event_t quit(manual);
    std::atomic<int> bytes{0};
    std::thread worker([&] {
        pollfd fds[2] = {{pair[0], POLLIN, 0}, {quit.fd(), POLLIN, 0}};
        for (;;) {
            ASSERT_GT(::poll(fds, 2, 10'000), 0);
            if (fds[1].revents & POLLIN)
                return;
            char buffer[16];
            const auto n = ::read(pair[0], buffer, sizeof buffer);
            ASSERT_GT(n, 0);
            bytes += static_cast<int>(n);
        }
    });
    ASSERT_EQ(::write(pair[1], "abc", 3), 3);
    EXPECT_TRUE(eventually([&] { return bytes == 3; }));
    quit.set();
    worker.join();
    EXPECT_EQ(bytes, 3);
    ::close(pair[0]);
    ::close(pair[1]);
}

// ---------------------------------------------------------------------------
// Descriptor handling, with the process limited to one free descriptor.

class SyncFdLimit : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved_), 0);
        // UBSan checks an object's dynamic type on first sight through a
        // pipe; show it every type used here while descriptors are to be had.
        {
            event_t warm_event(manual);
            semaphore_t warm_semaphore(0, 1);
            const std::system_error warm_error(EMFILE, std::system_category(), "warm");
            EXPECT_EQ(warm_error.code(), std::errc::too_many_files_open);
        }
        const int lowest_free = ::dup(0);
        ASSERT_GE(lowest_free, 0);
        ::close(lowest_free);
        rlimit tight = saved_;
        tight.rlim_cur = static_cast<rlim_t>(lowest_free) + 1;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    }
    void TearDown() override { ::setrlimit(RLIMIT_NOFILE, &saved_); }

    rlimit saved_{};
};

TEST_F(SyncFdLimit, DestroyedObjectsCloseTheirDescriptor) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_NO_THROW(event_t{manual});
        EXPECT_NO_THROW((semaphore_t{0, 1}));
    }
}

TEST_F(SyncFdLimit, ConstructorsReportEventfdFailure) {
    event_t holder(manual);
    const auto expect_emfile = [](auto make) {
        try {
            make();
            ADD_FAILURE() << "no exception";
        } catch (const std::system_error& e) {
            EXPECT_EQ(e.code(), std::errc::too_many_files_open);
        }
    };
    expect_emfile([] { event_t e(automatic); });
    expect_emfile([] { semaphore_t s(0, 1); });
}

// ---------------------------------------------------------------------------

TEST(SyncTick, AdvancesWithMonotonicTime) {
    const auto before = tick_ms();
    // The time that must pass is what the test is about.
    std::this_thread::sleep_for(20ms);
    const auto after = tick_ms();
    EXPECT_GE(after - before, 20u);
    EXPECT_GE(tick_ms(), after);
}

} // namespace

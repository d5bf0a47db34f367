// The watch list without threads: the tests play the workers' part.
#include "poller/snmp_watch_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using kestrin2::snmp_answer_t;
using kestrin2::snmp_kind_t;
using kestrin2::snmp_one_shot_t;
using kestrin2::snmp_variable_t;
using kestrin2::snmp_work_t;

const std::string address1 = "10.0.0.1";
const std::string address2 = "10.0.0.2";

snmp_answer_t success(const std::string& value, int type = 4) {
    snmp_answer_t answer;
    answer.error = false;
    answer.value = value;
    answer.type = type;
    return answer;
}

snmp_answer_t failure(const std::string& text) {
    snmp_answer_t answer;
    answer.value = text;
    return answer;
}

std::shared_ptr<snmp_one_shot_t> one_shot(snmp_kind_t kind, const std::string& name,
                                          const std::string& value = " ") {
    return std::make_shared<snmp_one_shot_t>(kind, name, value);
}

bool answered(snmp_one_shot_t& caller) {
    return caller.completed();
}

std::vector<std::string> names(const std::vector<snmp_variable_t>& list) {
    std::vector<std::string> out;
    for (const auto& variable : list)
        out.push_back(variable.ip + " " + variable.name);
    return out;
}

class PollerWatchList : public ::testing::Test {
protected:
    // Takes the next request, as a worker with a token does.
    snmp_work_t take() {
        snmp_work_t work;
        EXPECT_TRUE(list.next_task(work)) << "no request given out";
        return work;
    }
    bool nothing_to_take() {
        snmp_work_t work;
        return !list.next_task(work);
    }
    // Takes and answers one request of each of `count` tokens; returns what
    // was sent, as "ip name".
    std::vector<std::string> serve(int count, const std::string& value = "v") {
        std::vector<std::string> sent;
        for (int i = 0; i < count; ++i) {
            snmp_work_t work;
            if (!list.next_task(work)) {
                sent.push_back("none");
                continue;
            }
            sent.push_back(work.ip + " " + work.name);
            list.store_result(work, success(value), false);
        }
        return sent;
    }

    kestrin2::snmp_watch_list_t list;
};

TEST_F(PollerWatchList, EmptyListHasNothingAndParksTheScheduler) {
    EXPECT_TRUE(list.get_all().empty());
    EXPECT_EQ(list.watch_size(), 0u);
    EXPECT_FALSE(list.not_empty().is_set());
    EXPECT_TRUE(nothing_to_take());

    list.watch(address1, "1.3.6.1.2.1.1.1.0");
    EXPECT_TRUE(list.not_empty().is_set());
    list.end_watch(address1, "1.3.6.1.2.1.1.1.0");
    EXPECT_EQ(list.device_count(), 0u);
    EXPECT_FALSE(list.not_empty().is_set());
}

TEST_F(PollerWatchList, TasksOfOneDeviceGoRoundRobinInKeyOrderOncePerRound) {
    list.watch(address1, "c");
    list.watch(address1, "a");
    list.watch(address1, "b");
    ASSERT_EQ(list.new_round(), 3u);
    // The cursor starts on the task watched last; a token that finds its
    // task already done this round is spent.
    EXPECT_EQ(serve(4), (std::vector<std::string>{address1 + " b", address1 + " c", address1 + " a", "none"}));
    ASSERT_EQ(list.new_round(), 3u);
    EXPECT_EQ(serve(3), (std::vector<std::string>{address1 + " c", address1 + " a", address1 + " b"}));
}

TEST_F(PollerWatchList, BusyDeviceIsPassedOverAndNeverGetsASecondRequest) {
    list.watch(address1, "a1");
    list.watch(address1, "a2");
    list.watch(address2, "b1");
    list.watch(address2, "b2");
    list.new_round();

    snmp_work_t first = take();
    snmp_work_t second = take();
    EXPECT_NE(first.ip, second.ip);
    // Both devices busy: the token finds nothing.
    EXPECT_TRUE(nothing_to_take());

    snmp_work_t& on_ip2 = first.ip == address2 ? first : second;
    list.store_result(on_ip2, success("v"), false);
    // The cursor's device is still busy; the walk finds the idle one.
    snmp_work_t third = take();
    EXPECT_EQ(third.ip, address2);
    EXPECT_TRUE(nothing_to_take());
}

TEST_F(PollerWatchList, WatchTwiceKeepsOneTaskAndRevivesAnEndedBusyTask) {
    list.watch(address1, "a");
    list.watch(address1, "a");
    EXPECT_EQ(list.watch_size(), 1u);

    list.new_round();
    snmp_work_t work = take();
    list.end_watch(address1, "a");
    list.watch(address1, "a");
    list.store_result(work, success("v"), false);
    EXPECT_EQ(list.new_round(), 1u);
    EXPECT_EQ(serve(1), std::vector<std::string>{address1 + " a"});
}

TEST_F(PollerWatchList, EndedBusyTaskStaysUntilTheNextRoundAndIsNotGivenOutAgain) {
    list.watch(address1, "a");
    list.watch(address1, "b");
    list.new_round();
    snmp_work_t work = take();
    const std::string ended = work.name;
    list.end_watch(address1, ended);
    EXPECT_EQ(list.watch_size(), 2u);
    list.store_result(work, success("v"), false);
    EXPECT_EQ(list.watch_size(), 2u);

    // Within the round only the other task is served.
    for (const std::string& sent : serve(4))
        EXPECT_NE(sent, address1 + " " + ended);
    EXPECT_EQ(list.new_round(), 1u);
}

TEST_F(PollerWatchList, OneShotGoesBeforeWatchedTasksOfTheSameDevice) {
    list.watch(address1, "a");
    list.watch(address1, "b");
    list.new_round();
    auto caller = one_shot(snmp_kind_t::get, "x");
    EXPECT_TRUE(list.add_one_shot(address1, caller)) << "an idle device needs a worker woken";

    snmp_work_t work = take();
    EXPECT_EQ(work.name, "x");
    EXPECT_EQ(work.caller, caller);
    list.store_result(work, success("42", 2), false);
    ASSERT_TRUE(answered(*caller));
    EXPECT_FALSE(caller->answer.error);
    EXPECT_EQ(caller->answer.value, "42");
    EXPECT_EQ(caller->answer.type, 2);
    // The answered request's task is gone; the watched ones follow.
    EXPECT_EQ(list.watch_size(), 2u);
    EXPECT_NE(take().name, "x");
}

TEST_F(PollerWatchList, OneShotToABusyDeviceIsServedByTheWorkerThatFinishes) {
    list.watch(address1, "a");
    list.watch(address1, "b");
    list.new_round();
    snmp_work_t work = take();
    auto caller = one_shot(snmp_kind_t::get, "x");
    EXPECT_FALSE(list.add_one_shot(address1, caller)) << "the busy device's worker serves it";
    EXPECT_FALSE(list.one_shot_ready());
    EXPECT_TRUE(nothing_to_take());

    ASSERT_TRUE(list.store_result(work, success("v"), true));
    EXPECT_EQ(work.name, "x");
    EXPECT_EQ(work.caller, caller);
    // Then the next watched task, not a second one-shot.
    EXPECT_FALSE(list.store_result(work, success("y"), true));
    EXPECT_TRUE(answered(*caller));
}

TEST_F(PollerWatchList, OneShotsAreServedInArrivalOrderEachWithItsOwnAnswer) {
    auto first = one_shot(snmp_kind_t::set, "x", "1");
    auto other = one_shot(snmp_kind_t::get, "y");
    auto second = one_shot(snmp_kind_t::set, "x", "2");
    EXPECT_TRUE(list.add_one_shot(address1, first));
    EXPECT_FALSE(list.add_one_shot(address1, other));
    EXPECT_FALSE(list.add_one_shot(address1, second));

    // Pending one-shot requests stand in the list under "oid" + name.
    EXPECT_EQ(list.watch_size(), 2u);
    EXPECT_EQ(names(list.get_all()), (std::vector<std::string>{address1 + " oidx", address1 + " oidy"}));

    snmp_work_t work = take();
    std::vector<std::string> sent;
    bool more = true;
    while (more) {
        sent.push_back(work.name + "=" + work.value);
        more = list.store_result(work, success(work.name == "x" ? work.value : "why"), true);
    }
    EXPECT_EQ(sent, (std::vector<std::string>{"x=1", "y= ", "x=2"}));
    ASSERT_TRUE(answered(*first) && answered(*other) && answered(*second));
    EXPECT_EQ(first->answer.value, "1");
    EXPECT_EQ(other->answer.value, "why");
    EXPECT_EQ(second->answer.value, "2");
    EXPECT_EQ(list.watch_size(), 0u);
    EXPECT_EQ(list.device_count(), 0u);
}

TEST_F(PollerWatchList, ClearingTheWatchKeepsPendingOneShots) {
    struct row_t {
        const char* fault;
        void (*clear)(kestrin2::snmp_watch_list_t&);
    };
    const row_t rows[] = {
        {"clear_watch_drops_one_shot", [](auto& l) { l.clear_watch(); }},
        {"end_device_watch_drops_one_shot", [](auto& l) { l.end_device_watch(address1); }},
        {"end_watch_by_task_key_drops_one_shot",
         [](auto& l) {
             l.end_watch(address1, "oidx");
             l.end_watch(address1, "a");
         }},
    };
    for (const row_t& row : rows) {
        SCOPED_TRACE(row.fault);
        list.watch(address1, "a");
        auto caller = one_shot(snmp_kind_t::get, "x");
        list.add_one_shot(address1, caller);
        row.clear(list);
        EXPECT_EQ(names(list.get_all()), std::vector<std::string>{address1 + " oidx"});
        snmp_work_t work = take();
        EXPECT_EQ(work.caller, caller);
        list.store_result(work, success("v"), false);
        EXPECT_TRUE(answered(*caller));
        EXPECT_EQ(list.device_count(), 0u);
    }
}

TEST_F(PollerWatchList, ChangesAreReportedOnceAndFailuresKeepTheType) {
    list.watch(address1, "a");
    list.watch(address1, "b");
    auto poll = [&](const std::string& name, const snmp_answer_t& answer) {
        list.new_round();
        for (int i = 0; i < 2; ++i) {
            snmp_work_t work = take();
            list.store_result(work, work.name == name ? answer : success("same-b"), false);
        }
    };

    // A task that never ran counts as failed.
    for (const auto& variable : list.get_all()) {
        EXPECT_EQ(variable.valid, 0);
        EXPECT_EQ(variable.value, "");
    }

    poll("a", success("1", 2));
    auto changes = list.get_changes();
    ASSERT_EQ(names(changes), (std::vector<std::string>{address1 + " a", address1 + " b"}));
    EXPECT_EQ(changes[0].value, "1");
    EXPECT_EQ(changes[0].valid, 1);
    EXPECT_EQ(changes[0].type, 2);
    EXPECT_TRUE(list.get_changes().empty()) << "a change is reported once";

    poll("a", success("1", 2));
    EXPECT_TRUE(list.get_changes().empty()) << "the same value again is no change";

    poll("a", failure("Request timeout"));
    changes = list.get_device_changes(address1);
    ASSERT_EQ(names(changes), std::vector<std::string>{address1 + " a"});
    EXPECT_EQ(changes[0].value, "Request timeout");
    EXPECT_EQ(changes[0].valid, 0);
    EXPECT_EQ(changes[0].type, 2) << "a failure leaves the type as it was";

    poll("a", success("3", 2));
    EXPECT_EQ(list.get_all().size(), 2u);
    EXPECT_TRUE(list.get_changes().empty()) << "get_all clears the flags";
    EXPECT_TRUE(list.get_device_changes("10.9.9.9").empty());
}

TEST_F(PollerWatchList, AbandonedRequestsLoseNothing) {
    list.watch(address1, "a");
    list.new_round();
    snmp_work_t work = take();
    list.store_result(work, success("1"), false);
    list.get_changes();

    list.new_round();
    work = take();
    list.give_back(work);
    EXPECT_TRUE(list.get_changes().empty()) << "an abandoned poll changes no value";
    EXPECT_EQ(take().name, "a") << "and the task is still due this round";

    auto caller = one_shot(snmp_kind_t::get, "x");
    list.add_one_shot(address2, caller);
    work = take();
    ASSERT_EQ(work.caller, caller);
    list.give_back(work);
    EXPECT_FALSE(answered(*caller));
    EXPECT_TRUE(list.one_shot_ready()) << "the request goes back to a worker";
    work = take();
    EXPECT_EQ(work.caller, caller);
}

} // namespace

#pragma once
// One polled device: its task table and the one-shot requests waiting for
// it. Nothing here locks; the poller's watch-list lock guards it all.
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "poller/round_robin_map.h"
#include "poller/snmp_task.h"
#include "poller/snmp_variable.h"

namespace kestrin2 {

class snmp_agent_t;

// One request a worker was given: what to send, and where the answer goes.
// `device` and `task` stay valid while the task is busy.
struct snmp_work_t {
    snmp_kind_t kind = snmp_kind_t::get;
    // The device's key (the caller's text) and where the request goes.
    std::string ip;
    std::string address;
    std::string key;
    // The identifier to send.
    std::string name;
    std::string value;
    snmp_agent_t* device = nullptr;
    snmp_task_t* task = nullptr;
    // Set for a one-shot request: the caller that waits for this answer.
    std::shared_ptr<snmp_one_shot_t> caller;
};

class snmp_agent_t {
public:
    // Key of a one-shot task, so it never collides with a watched task of
    // the same variable.
    static std::string one_shot_key(const std::string& name) { return "oid" + name; }

    // Where its requests go: a dotted address with an optional port; for a
    // device named by a host name, what the name resolved to when the
    // device entered the watch list.
    std::string address;
    // Requests of this device in flight (0 or 1).
    int busy = 0;
    round_robin_map_t<snmp_task_t> tasks;
    // The device stands in the watch list's line of devices with a one-shot
    // request to serve.
    bool ready_queued = false;

    // Queues a caller's request behind every one-shot request already
    // waiting for this device.
    void add_one_shot(std::shared_ptr<snmp_one_shot_t> caller);
    // A one-shot request waits to be given out.
    bool one_shot_waiting() const { return !one_shot_order_.empty(); }

    void watch(const std::string& name);
    // Watched tasks only: a pending one-shot request keeps its task.
    void end_watch(const std::string& key);
    void clear();
    // Clears the done flags and drops ended idle tasks; returns the number
    // of tasks left.
    std::size_t new_round();

    // The next request for a worker: the oldest waiting one-shot request,
    // else the watched task under the cursor if it is due; nothing while a
    // request of this device is in flight. `work.ip` and `work.address`
    // are the caller's to fill.
    bool next_task(snmp_work_t& work);
    // Stores the answer of `work` and hands a one-shot caller its answer.
    void store_result(snmp_work_t& work, const snmp_answer_t& answer);
    // Takes back a request that was abandoned: a watched task keeps its
    // last value, a one-shot request goes back to the head of the line.
    void give_back(snmp_work_t& work);

    // Appends every task (or only the changed ones) as variables and clears
    // their changed flags.
    void get_all(const std::string& ip, std::vector<snmp_variable_t>& list);
    void get_changes(const std::string& ip, std::vector<snmp_variable_t>& list);

private:
    using iterator = round_robin_map_t<snmp_task_t>::iterator;

    // Whether the task may be deleted: nobody holds it and no caller waits.
    static bool idle(const snmp_task_t& task) { return task.busy == 0 && task.callers.empty(); }
    void end_watch(iterator it);
    // The newest slot names the task of the oldest waiting one-shot request.
    void point_newest();
    void append(const std::string& ip, iterator it, std::vector<snmp_variable_t>& list);

    // Keys of the waiting one-shot requests in arrival order, one per caller.
    std::deque<std::string> one_shot_order_;
};

} // namespace kestrin2

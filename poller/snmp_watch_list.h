#pragma once
// The poller's table of work: devices by address text, each with its
// watched variables and the one-shot requests of waiting callers.
//
// Nothing here locks: every call runs under the poller's watch-list lock.
//
// One-shot requests do not depend on the scheduler's tokens. A device with
// a one-shot request and nothing in flight stands in a line of ready
// devices, which a worker serves before any polling; a worker that finishes
// a request serves the next ready device at once, the same device first.
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/sync/event.h"
#include "poller/round_robin_map.h"
#include "poller/snmp_agent.h"
#include "poller/snmp_variable.h"

namespace kestrin2 {

class snmp_watch_list_t {
public:
    snmp_watch_list_t();
    snmp_watch_list_t(const snmp_watch_list_t&) = delete;
    snmp_watch_list_t& operator=(const snmp_watch_list_t&) = delete;

    // Signalled from the first watch until the device table is empty again.
    // One-shot requests need no tokens of the scheduler, so a table that
    // holds only them leaves it parked, and a get or set costs no system
    // call for the event.
    platform::sync::event_t& not_empty() { return not_empty_; }

    // Devices are keyed by the caller's text `ip`. A device made by watch
    // or add_one_shot sends its requests to `address` (a dotted address,
    // by default `ip` itself, which the caller must have checked); the
    // address of a device already listed stays.
    void watch(const std::string& ip, const std::string& name, const std::string& address = {});
    void end_watch(const std::string& ip, const std::string& name);
    void end_device_watch(const std::string& ip);
    void clear_watch();
    std::size_t watch_size() const;
    std::size_t device_count() const { return devices_.size(); }
    // Where the requests of the listed device `ip` go; null when it is not
    // listed.
    const std::string* device_address(const std::string& ip) const;

    std::vector<snmp_variable_t> get_all();
    std::vector<snmp_variable_t> get_changes();
    std::vector<snmp_variable_t> get_device_changes(const std::string& ip);

    // Starts a round: clears the done flags, drops ended idle tasks and
    // devices left without tasks; returns the number of tasks.
    std::size_t new_round();

    // Queues a caller's request. true when its device has just become
    // ready: the caller then wakes a worker for it.
    bool add_one_shot(const std::string& ip, std::shared_ptr<snmp_one_shot_t> caller,
                      const std::string& address = {});
    // What became of a request added by a caller that has a back end at hand.
    enum class one_shot_start_t {
        // Its device is busy or already in line: a worker serves it.
        queued,
        // Its device has just become ready: the caller wakes a worker.
        ready,
        // Its device was idle with nothing else waiting: the request is
        // given out to the caller itself, as next_task gives it to a worker.
        given,
    };
    one_shot_start_t add_one_shot(const std::string& ip, std::shared_ptr<snmp_one_shot_t> caller,
                                  snmp_work_t& work, const std::string& address = {});

    // The worker's side. next_task: a ready device's one-shot request
    // first, else (when `watched_allowed`) round-robin over the devices,
    // never two requests to one device at a time.
    bool next_task(snmp_work_t& work, bool watched_allowed = true);
    // Stores the answer; the device, if a one-shot request waits for it,
    // goes to the head of the ready line. With `follow`, `work` then
    // becomes the next ready request and true is returned.
    bool store_result(snmp_work_t& work, const snmp_answer_t& answer, bool follow);
    // An abandoned request: see snmp_agent_t::give_back.
    void give_back(snmp_work_t& work);
    // Some device may be waiting for a worker to serve its one-shot request.
    bool one_shot_ready() const { return !ready_.empty(); }
    // The device stands first in that line, as store_result and give_back
    // put a device whose one-shot request waits.
    bool one_shot_ready(const std::string& ip) const {
        return !ready_.empty() && ready_.front() == ip;
    }

private:
    using iterator = round_robin_map_t<snmp_agent_t>::iterator;

    iterator find_or_add(const std::string& ip, const std::string& address);
    one_shot_start_t add_one_shot(const std::string& ip, std::shared_ptr<snmp_one_shot_t> caller,
                                  snmp_work_t* work, const std::string& address);
    // Erases the device when it has no task left.
    void erase_if_empty(iterator it);
    void queue_ready(iterator it, bool first);
    bool take_ready(snmp_work_t& work);
    bool ask(iterator it, snmp_work_t& work);

    round_robin_map_t<snmp_agent_t> devices_;
    // Addresses of devices that had a one-shot request waiting and nothing
    // in flight when queued; checked again when taken.
    std::deque<std::string> ready_;
    platform::sync::event_t not_empty_;
    // Whether not_empty_ is signalled; spares the system calls of setting
    // it again.
    bool signalled_ = false;
};

} // namespace kestrin2

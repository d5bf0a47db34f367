#include "poller/snmp_watch_list.h"

#include <new>
#include <utility>

#include "qo/exception.h"

namespace kestrin2 {

snmp_watch_list_t::snmp_watch_list_t() : not_empty_(platform::sync::event_t::reset::manual) {}

snmp_watch_list_t::iterator snmp_watch_list_t::find_or_add(const std::string& ip,
                                                           const std::string& address) {
    auto it = devices_.find(ip);
    if (it != devices_.end())
        return it;
    try {
        auto device = std::make_unique<snmp_agent_t>();
        device->address = address.empty() ? ip : address;
        it = devices_.insert(ip, std::move(device));
    } catch (const std::bad_alloc&) {
        throw qo::exception_t("Out of memory space, snmp_manager_t::watch_list_add()");
    }
    if (devices_.size() == 1)
        devices_.set_cursor(devices_.begin());
    return it;
}

void snmp_watch_list_t::erase_if_empty(iterator it) {
    if (!it->second->tasks.empty())
        return;
    devices_.erase(it);
    // Parks the scheduler until there is work again.
    if (devices_.empty() && signalled_) {
        not_empty_.reset_event();
        signalled_ = false;
    }
}

const std::string* snmp_watch_list_t::device_address(const std::string& ip) const {
    const auto it = devices_.find(ip);
    return it == devices_.end() ? nullptr : &it->second->address;
}

void snmp_watch_list_t::watch(const std::string& ip, const std::string& name,
                              const std::string& address) {
    auto it = find_or_add(ip, address);
    try {
        it->second->watch(name);
    } catch (...) {
        erase_if_empty(it);
        throw;
    }
    if (!signalled_) {
        not_empty_.set();
        signalled_ = true;
    }
}

void snmp_watch_list_t::end_watch(const std::string& ip, const std::string& name) {
    auto it = devices_.find(ip);
    if (it == devices_.end())
        return;
    it->second->end_watch(name);
    erase_if_empty(it);
}

void snmp_watch_list_t::end_device_watch(const std::string& ip) {
    auto it = devices_.find(ip);
    if (it == devices_.end())
        return;
    it->second->clear();
    erase_if_empty(it);
}

void snmp_watch_list_t::clear_watch() {
    for (auto it = devices_.begin(); it != devices_.end();) {
        auto here = it++;
        here->second->clear();
        erase_if_empty(here);
    }
}

std::size_t snmp_watch_list_t::watch_size() const {
    std::size_t count = 0;
    for (const auto& device : devices_)
        count += device.second->tasks.size();
    return count;
}

std::vector<snmp_variable_t> snmp_watch_list_t::get_all() {
    std::vector<snmp_variable_t> list;
    for (auto& device : devices_)
        device.second->get_all(device.first, list);
    return list;
}

std::vector<snmp_variable_t> snmp_watch_list_t::get_changes() {
    std::vector<snmp_variable_t> list;
    for (auto& device : devices_)
        device.second->get_changes(device.first, list);
    return list;
}

std::vector<snmp_variable_t> snmp_watch_list_t::get_device_changes(const std::string& ip) {
    std::vector<snmp_variable_t> list;
    auto it = devices_.find(ip);
    if (it != devices_.end())
        it->second->get_changes(it->first, list);
    return list;
}

std::size_t snmp_watch_list_t::new_round() {
    std::size_t count = 0;
    for (auto it = devices_.begin(); it != devices_.end();) {
        auto here = it++;
        count += here->second->new_round();
        erase_if_empty(here);
    }
    return count;
}

bool snmp_watch_list_t::add_one_shot(const std::string& ip, std::shared_ptr<snmp_one_shot_t> caller,
                                     const std::string& address) {
    return add_one_shot(ip, std::move(caller), nullptr, address) != one_shot_start_t::queued;
}

snmp_watch_list_t::one_shot_start_t
snmp_watch_list_t::add_one_shot(const std::string& ip, std::shared_ptr<snmp_one_shot_t> caller,
                                snmp_work_t& work, const std::string& address) {
    return add_one_shot(ip, std::move(caller), &work, address);
}

snmp_watch_list_t::one_shot_start_t
snmp_watch_list_t::add_one_shot(const std::string& ip, std::shared_ptr<snmp_one_shot_t> caller,
                                snmp_work_t* work, const std::string& address) {
    auto it = find_or_add(ip, address);
    try {
        it->second->add_one_shot(std::move(caller));
    } catch (...) {
        erase_if_empty(it);
        throw;
    }
    snmp_agent_t& device = *it->second;
    // A busy device is served by the worker that finishes its request; a
    // device already in line has a worker coming.
    if (device.busy != 0 || device.ready_queued)
        return one_shot_start_t::queued;
    // Nothing else of the device waits, so the request given out is this
    // caller's.
    if (work && ask(it, *work))
        return one_shot_start_t::given;
    try {
        queue_ready(it, false);
    } catch (const std::bad_alloc&) {
        throw qo::exception_t("Out of memory, error in snmp_agent_t::add_task().");
    }
    return one_shot_start_t::ready;
}

void snmp_watch_list_t::queue_ready(iterator it, bool first) {
    if (first)
        ready_.push_front(it->first);
    else
        ready_.push_back(it->first);
    it->second->ready_queued = true;
}

bool snmp_watch_list_t::ask(iterator it, snmp_work_t& work) {
    if (!it->second->next_task(work))
        return false;
    work.ip = it->first;
    work.address = it->second->address;
    return true;
}

bool snmp_watch_list_t::take_ready(snmp_work_t& work) {
    while (!ready_.empty()) {
        auto it = devices_.find(ready_.front());
        ready_.pop_front();
        if (it == devices_.end())
            continue;
        snmp_agent_t& device = *it->second;
        device.ready_queued = false;
        // Served meanwhile, or busy: then its worker serves it on finishing.
        if (device.busy != 0 || !device.one_shot_waiting())
            continue;
        if (ask(it, work))
            return true;
    }
    return false;
}

bool snmp_watch_list_t::next_task(snmp_work_t& work, bool watched_allowed) {
    if (take_ready(work))
        return true;
    if (!watched_allowed)
        return false;
    iterator picked;
    if (devices_.pick(picked) == round_robin_map_t<snmp_agent_t>::picked::none)
        return false;
    if (picked->second->busy == 0)
        return ask(picked, work);

    // The device under the cursor is busy: the first idle device after it
    // that has a task due takes the turn, and the cursor moves past it.
    devices_.set_cursor(picked);
    auto it = picked;
    for (;;) {
        if (++it == devices_.end())
            it = devices_.begin();
        if (it == picked)
            return false;
        if (it->second->busy == 0 && ask(it, work)) {
            devices_.set_cursor(it);
            devices_.advance_cursor();
            return true;
        }
    }
}

bool snmp_watch_list_t::store_result(snmp_work_t& work, const snmp_answer_t& answer, bool follow) {
    auto it = devices_.find(work.ip);
    snmp_agent_t& device = *work.device;
    device.store_result(work, answer);
    work.device = nullptr;
    if (device.busy == 0 && device.one_shot_waiting())
        queue_ready(it, true);
    else
        erase_if_empty(it);
    return follow && take_ready(work);
}

void snmp_watch_list_t::give_back(snmp_work_t& work) {
    auto it = devices_.find(work.ip);
    snmp_agent_t& device = *work.device;
    device.give_back(work);
    work.device = nullptr;
    if (device.busy == 0 && device.one_shot_waiting())
        queue_ready(it, true);
}

} // namespace kestrin2

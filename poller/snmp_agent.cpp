#include "poller/snmp_agent.h"

#include <new>
#include <utility>

#include "qo/exception.h"

namespace kestrin2 {

void snmp_agent_t::add_one_shot(std::shared_ptr<snmp_one_shot_t> caller) {
    std::string key = one_shot_key(caller->name);
    auto it = tasks.find(key);
    bool created = false;
    bool queued = false;
    try {
        if (it == tasks.end()) {
            auto task = std::make_unique<snmp_task_t>();
            task->kind = caller->kind;
            task->watched = 0;
            task->value = caller->value;
            it = tasks.insert(key, std::move(task));
            created = true;
            if (tasks.cursor() == tasks.end())
                tasks.set_cursor(it);
        }
        // A second caller of the same variable waits behind the first
        // rather than sharing its task and answer.
        it->second->callers.push_back(caller);
        queued = true;
        one_shot_order_.push_back(key);
    } catch (const std::bad_alloc&) {
        if (queued)
            it->second->callers.pop_back();
        if (created)
            tasks.erase(it);
        throw qo::exception_t("Out of memory, error in snmp_agent_t::add_task().");
    }
    // A request queued behind others must not take the slot of the oldest.
    point_newest();
}

void snmp_agent_t::point_newest() {
    tasks.set_newest(one_shot_order_.empty() ? tasks.end() : tasks.find(one_shot_order_.front()));
}

void snmp_agent_t::watch(const std::string& name) {
    auto it = tasks.find(name);
    if (it == tasks.end()) {
        try {
            it = tasks.insert(name, std::make_unique<snmp_task_t>());
        } catch (const std::bad_alloc&) {
            throw qo::exception_t("Out of memory, error in snmp_agent_t::add_task().");
        }
        tasks.set_cursor(it);
    } else {
        snmp_task_t& task = *it->second;
        task.removing = 0;
        if (task.watched == 0) {
            task.watched = 1;
            task.kind = snmp_kind_t::get;
        }
    }
    if (tasks.size() == 1)
        tasks.set_cursor(tasks.begin());
}

void snmp_agent_t::end_watch(iterator it) {
    snmp_task_t& task = *it->second;
    if (task.watched == 0)
        return;
    if (idle(task))
        tasks.erase(it);
    else
        task.removing = 1;
}

void snmp_agent_t::end_watch(const std::string& key) {
    auto it = tasks.find(key);
    if (it != tasks.end())
        end_watch(it);
}

void snmp_agent_t::clear() {
    for (auto it = tasks.begin(); it != tasks.end();) {
        auto here = it++;
        end_watch(here);
    }
}

std::size_t snmp_agent_t::new_round() {
    for (auto it = tasks.begin(); it != tasks.end();) {
        snmp_task_t& task = *it->second;
        task.done = 0;
        if (task.removing && idle(task))
            tasks.erase(it);
        else
            ++it;
    }
    return tasks.size();
}

bool snmp_agent_t::next_task(snmp_work_t& work) {
    if (busy != 0)
        return false;
    iterator it;
    switch (tasks.pick(it)) {
    case round_robin_map_t<snmp_task_t>::picked::none:
        return false;
    case round_robin_map_t<snmp_task_t>::picked::newest: {
        // The newest slot always names the oldest caller's task, and with
        // nothing in flight that caller is first among the task's callers.
        one_shot_order_.pop_front();
        snmp_task_t& task = *it->second;
        const std::shared_ptr<snmp_one_shot_t>& caller = task.callers.front();
        work.kind = caller->kind;
        work.name = caller->name;
        work.value = caller->value;
        work.caller = caller;
        point_newest();
        break;
    }
    case round_robin_map_t<snmp_task_t>::picked::cursor: {
        const snmp_task_t& task = *it->second;
        if (!task.watched || task.done || task.removing)
            return false;
        work.kind = task.kind;
        work.name = it->first;
        work.value = task.value;
        work.caller.reset();
        break;
    }
    }
    work.key = it->first;
    work.device = this;
    work.task = it->second.get();
    work.task->busy = 1;
    ++busy;
    return true;
}

void snmp_agent_t::store_result(snmp_work_t& work, const snmp_answer_t& answer) {
    snmp_task_t& task = *work.task;
    task.error = answer.error ? 1 : 0;
    if (!answer.returned_name.empty())
        task.returned_name = answer.returned_name;
    if (answer.value != task.value) {
        task.changed = 1;
        task.value = answer.value;
    }
    --busy;
    task.busy = 0;
    task.done = 1;
    if (!answer.error)
        task.type = answer.type;
    work.task = nullptr;
    if (!work.caller)
        return;

    std::shared_ptr<snmp_one_shot_t> caller = std::move(work.caller);
    caller->answer.error = answer.error;
    caller->answer.value = task.value;
    caller->answer.type = task.type;
    caller->answer.returned_name = task.returned_name;
    task.callers.pop_front();
    if (!task.callers.empty()) {
        // The task now stands for the next caller of the same variable.
        task.kind = task.callers.front()->kind;
        task.value = task.callers.front()->value;
    } else if (task.watched == 0) {
        auto it = tasks.find(work.key);
        tasks.erase(it);
    }
    caller->complete();
}

void snmp_agent_t::give_back(snmp_work_t& work) {
    --busy;
    work.task->busy = 0;
    work.task = nullptr;
    if (!work.caller)
        return;
    work.caller.reset();
    one_shot_order_.push_front(work.key);
    point_newest();
}

void snmp_agent_t::append(const std::string& ip, iterator it, std::vector<snmp_variable_t>& list) {
    snmp_task_t& task = *it->second;
    snmp_variable_t variable;
    variable.ip = ip;
    variable.name = task.returned_name.empty() ? it->first : task.returned_name;
    variable.value = task.value;
    variable.valid = task.error ? 0 : 1;
    variable.type = task.type;
    list.push_back(std::move(variable));
    task.changed = 0;
}

void snmp_agent_t::get_all(const std::string& ip, std::vector<snmp_variable_t>& list) {
    try {
        for (auto it = tasks.begin(); it != tasks.end(); ++it)
            append(ip, it, list);
    } catch (const std::bad_alloc&) {
        throw qo::exception_t("Out of memory, error in snmp_agent_t::get_all()");
    }
}

void snmp_agent_t::get_changes(const std::string& ip, std::vector<snmp_variable_t>& list) {
    try {
        for (auto it = tasks.begin(); it != tasks.end(); ++it)
            if (it->second->changed)
                append(ip, it, list);
    } catch (const std::bad_alloc&) {
        throw qo::exception_t("Out of memory, error in snmp_agent_t::get_all()");
    }
}

} // namespace kestrin2

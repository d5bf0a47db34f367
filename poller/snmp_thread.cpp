#include "poller/snmp_thread.h"

#include <atomic>
#include <new>
#include <utility>

#include "qo/exception.h"

namespace kestrin2 {

struct snmp_thread_t::context_t {
    context_t(std::shared_ptr<snmp_poller_state_t> poller, std::shared_ptr<snmp_base_t> backend)
        : poller(std::move(poller)), backend(std::move(backend)) {}

    std::shared_ptr<snmp_poller_state_t> poller;
    std::shared_ptr<snmp_base_t> backend;
    std::shared_ptr<snmp_waiter_t> waiter = std::make_shared<snmp_waiter_t>();
    // Signalled once the thread holds its own share of the context.
    platform::sync::event_t entered{platform::sync::event_t::reset::automatic};
};

bool snmp_run_request(snmp_base_t& backend, const snmp_work_t& work, snmp_vb_t& vb,
                      const snmp_request_options_t& options, snmp_answer_t& answer) {
    vb.ip = work.address;
    vb.name = work.name;
    vb.value = work.value;
    answer = snmp_answer_t{};
    try {
        switch (work.kind) {
        case snmp_kind_t::get:
            backend.get(vb, options);
            break;
        case snmp_kind_t::get_next:
            backend.get_next(vb, options);
            answer.returned_name = vb.name;
            break;
        case snmp_kind_t::set:
            backend.set(vb, options);
            break;
        }
        answer.error = false;
        answer.value = vb.value;
        answer.type = vb.type;
    } catch (const snmp_abandoned_t& e) {
        if (options.abandoned())
            return false;
        answer.value = e.what();
    } catch (const qo::exception_t& e) {
        answer.value = e.what();
    } catch (...) {
        answer.value = "Catch unknown error in snmp_thread_t::thread_function.";
    }
    return true;
}

snmp_thread_t::snmp_thread_t(std::shared_ptr<snmp_poller_state_t> poller, int type,
                             const snmp_backend_factory_t& make_backend)
    : type_(type) {
    if (type != snmp_backend_snmppp && type != snmp_backend_nt)
        throw qo::exception_t("Undefined type , error in constructor of snmp_thread_t");
    try {
        std::shared_ptr<snmp_base_t> backend = make_backend ? make_backend(type) : nullptr;
        if (!backend)
            throw std::bad_alloc();
        context_ = std::make_shared<context_t>(std::move(poller), std::move(backend));
    } catch (const std::bad_alloc&) {
        throw qo::exception_t("Out of memory, error in constructor of snmp_thread_t");
    }
}

snmp_thread_t::~snmp_thread_t() {
    try {
        stop();
    } catch (const qo::exception_t& e) {
        write_stdout_line(e.what());
    } catch (...) {
        write_stdout_line("Unknown error while stopping the snmp_thread thread in destructuror");
    }
}

void snmp_thread_t::start() {
    if (running())
        return;
    context_->waiter->reset();
    thread_t::start();
    // Ends on the handshake, or when the thread ended before it.
    platform::sync::wait_any({&context_->entered, handle().get()}, platform::sync::infinite);
}

void snmp_thread_t::request_stop() {
    if (!running())
        return;
    stop_event().set();
    context_->poller->interrupt(*context_->waiter);
}

void snmp_thread_t::stop() {
    request_stop();
    thread_t::stop();
}

void snmp_thread_t::thread_function() {
    std::shared_ptr<context_t> context = context_;
    platform::sync::event_t& stop = stop_event();
    context->waiter->backend = context->backend.get();
    context->waiter->abandon = &stop;
    context->entered.set();
    serve(*context, stop);
}

void snmp_thread_t::serve(context_t& context, platform::sync::event_t& stop) {
    snmp_poller_state_t& poller = *context.poller;
    snmp_base_t& backend = *context.backend;
    snmp_vb_t vb;
    snmp_answer_t answer;
    for (;;) {
        if (!poller.take_token(context.waiter))
            return;

        int pool = 1;
        {
            std::lock_guard lock(poller.settings_lock);
            pool = poller.settings.num_threads;
        }
        snmp_work_t work;
        {
            std::lock_guard lock(poller.watch_lock);
            if (!poller.watch_list.next_task(work, poller.watch_slot_free(pool)))
                continue;
            if (!work.caller)
                ++poller.watch_workers;
        }
        for (;;) {
            const bool answered =
                snmp_run_request(backend, work, vb, poller.request_options(&stop), answer);
            // An abandoned request means the stop event fired, even if the
            // interruption of the token wait has not come yet.
            const bool stopping = !answered || context.waiter->stopping();
            bool more = false;
            bool wake = false;
            {
                std::lock_guard lock(poller.watch_lock);
                if (!work.caller)
                    --poller.watch_workers;
                if (answered)
                    more = poller.watch_list.store_result(work, answer, !stopping);
                else
                    poller.watch_list.give_back(work);
                if (more && !work.caller)
                    ++poller.watch_workers;
                // A one-shot request this worker leaves behind goes to
                // another worker.
                wake = stopping && poller.watch_list.one_shot_ready();
            }
            if (wake)
                poller.wake_worker();
            if (stopping)
                return;
            if (!more)
                break;
        }
    }
}

} // namespace kestrin2

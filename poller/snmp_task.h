#pragma once
// One entry of a device's task table: a watched variable, or the one-shot
// requests of callers that wait for their answer.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <utility>

namespace kestrin2 {

enum class snmp_kind_t : int { get = 0, get_next = 1, set = 2 };

// What a finished request left behind.
struct snmp_answer_t {
    bool error = true;
    // The value received, or the text of the failure.
    std::string value;
    // Only taken on success.
    int type = 0;
    // The identifier a get-next returned; empty otherwise.
    std::string returned_name;
};

// One caller's one-shot request. The caller keeps its own share and waits
// for completion; the answer is written before completion is published, so
// two callers of the same variable each read the answer of their own
// request.
struct snmp_one_shot_t {
    snmp_one_shot_t(snmp_kind_t kind, std::string name, std::string value)
        : kind(kind), name(std::move(name)), value(std::move(value)) {}

    const snmp_kind_t kind;
    const std::string name;
    // The value to write for a set.
    const std::string value;

    snmp_answer_t answer;

    // When the worker completed the request; read once wait() returned.
    std::chrono::steady_clock::time_point completed_at;

    // The worker's side, once `answer` is filled. Only a caller that went
    // to sleep is woken: the notification is a system call even when nobody
    // waits on the word, as soon as any other thread waits on a word that
    // shares its slot in the library's table of waiters.
    void complete() {
        completed_at = std::chrono::steady_clock::now();
        done_.store(true, std::memory_order_seq_cst);
        if (sleeping_.load(std::memory_order_seq_cst))
            done_.notify_all();
    }
    bool completed() const { return done_.load(std::memory_order_acquire); }
    // Blocks without a time limit: the request's own time-out and retries
    // end every request. For up to `spin` the caller watches the word
    // before it sleeps: waking a sleeping caller costs a good part of a
    // request to a device that answers in a fraction of a millisecond. It
    // yields while it watches, so that on a busy machine the worker it
    // waits for is not kept off the processor.
    void wait(std::chrono::nanoseconds spin = std::chrono::nanoseconds::zero()) const {
        if (spin > std::chrono::nanoseconds::zero()) {
            const auto until = std::chrono::steady_clock::now() + spin;
            while (!done_.load(std::memory_order_acquire)) {
                std::this_thread::yield();
                if (std::chrono::steady_clock::now() >= until)
                    break;
            }
        }
        // With complete() storing `done_` before it reads `sleeping_`, and
        // this the other way round, one of the two sees the other's store.
        sleeping_.store(true, std::memory_order_seq_cst);
        while (!done_.load(std::memory_order_seq_cst))
            done_.wait(false, std::memory_order_acquire);
    }

private:
    // A futex word rather than an event: a one-shot request is the hot path
    // of every command the operator's program sends.
    std::atomic<bool> done_{false};
    // Set by a caller before it sleeps on `done_`.
    mutable std::atomic<bool> sleeping_{false};
};

struct snmp_task_t {
    snmp_kind_t kind = snmp_kind_t::get;
    int watched = 1;
    // For a set the value to write; after a request the value received or
    // the text of the failure.
    std::string value;
    std::string returned_name;
    int type = 0;
    std::uint8_t done = 0;
    // A task that never ran counts as failed.
    std::uint8_t error = 1;
    std::uint8_t changed = 0;
    std::uint8_t removing = 0;
    int busy = 0;

    // One-shot task: the callers waiting under this key, in arrival order;
    // the first is the one served (or in flight).
    std::deque<std::shared_ptr<snmp_one_shot_t>> callers;
};

} // namespace kestrin2

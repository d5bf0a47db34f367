// What the poller itself costs per request, with a back end that answers at
// once: one-shot requests from 1 and from 8 caller threads, and polling of
// 1,000 watched variables over 100 devices with 30 workers. The baseline is
// the bare hand-over the poller cannot avoid: a caller wakes a worker
// with a token and the worker wakes the caller.
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "poller/snmp_base.h"
#include "poller/snmp_manager.h"

namespace {

using clock_type = std::chrono::steady_clock;

std::atomic<long> g_requests{0};

class instant_backend_t final : public kestrin2::snmp_base_t {
public:
    void get(kestrin2::snmp_vb_t& vb, const kestrin2::snmp_request_options_t&) override {
        answer(vb);
    }
    void get_next(kestrin2::snmp_vb_t& vb, const kestrin2::snmp_request_options_t&) override {
        vb.name += ".1";
        answer(vb);
    }
    void set(kestrin2::snmp_vb_t& vb, const kestrin2::snmp_request_options_t&) override {
        answer(vb);
    }

private:
    static void answer(kestrin2::snmp_vb_t& vb) {
        g_requests.fetch_add(1, std::memory_order_relaxed);
        vb.value = "1";
        vb.type = 2;
    }
};

kestrin2::snmp_backend_factory_t instant_factory() {
    return [](int) { return std::make_unique<instant_backend_t>(); };
}

double cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double seconds_since(clock_type::time_point began) {
    return std::chrono::duration<double>(clock_type::now() - began).count();
}

struct result_t {
    long requests;
    double wall;
    double cpu;
    double wall_us() const { return wall * 1e6 / static_cast<double>(requests); }
    double cpu_us() const { return cpu * 1e6 / static_cast<double>(requests); }
};

// The same primitives the poller hands a request over with: a token under
// a mutex with a condition for the worker, a futex word for the caller.
result_t baseline(long count) {
    std::mutex lock;
    std::condition_variable ready;
    int tokens = 0;
    std::atomic<long> done{0};
    std::thread worker([&] {
        for (long i = 1; i <= count; ++i) {
            {
                std::unique_lock guard(lock);
                ready.wait(guard, [&] { return tokens > 0; });
                --tokens;
            }
            done.store(i, std::memory_order_release);
            done.notify_all();
        }
    });
    const auto began = clock_type::now();
    const double cpu = cpu_seconds();
    for (long i = 1; i <= count; ++i) {
        {
            std::lock_guard guard(lock);
            ++tokens;
        }
        ready.notify_one();
        for (long seen = done.load(std::memory_order_acquire); seen < i;
             seen = done.load(std::memory_order_acquire))
            done.wait(seen, std::memory_order_acquire);
    }
    result_t r{count, seconds_since(began), cpu_seconds() - cpu};
    worker.join();
    return r;
}

result_t one_shots(int callers, long per_caller, int threads_n = 30) {
    kestrin2::snmp_manager_t manager(instant_factory());
    manager.set_num_threads(threads_n);
    manager.start();
    // Warm up: workers running, devices known.
    for (int c = 0; c < callers; ++c)
        manager.get("10.1.0." + std::to_string(c + 1), "1.3.6.1.2.1.1.5.0");

    std::vector<std::thread> threads;
    const auto began = clock_type::now();
    const double cpu = cpu_seconds();
    for (int c = 0; c < callers; ++c) {
        threads.emplace_back([&manager, c, per_caller] {
            const std::string ip = "10.1.0." + std::to_string(c + 1);
            for (long i = 0; i < per_caller; ++i)
                manager.get(ip, "1.3.6.1.2.1.1.5.0");
        });
    }
    for (auto& thread : threads)
        thread.join();
    return {callers * per_caller, seconds_since(began), cpu_seconds() - cpu};
}

result_t polling(double run_seconds) {
    kestrin2::snmp_manager_t manager(instant_factory());
    manager.set_num_threads(30);
    manager.set_poll_period(100);
    for (int d = 0; d < 100; ++d)
        for (int v = 0; v < 10; ++v)
            manager.watch("10.2." + std::to_string(d / 250) + "." + std::to_string(d % 250 + 1),
                          "1.3.6.1.4.1.2680.1." + std::to_string(v));
    const long before = g_requests.load();
    const auto began = clock_type::now();
    const double cpu = cpu_seconds();
    manager.start();
    std::this_thread::sleep_for(std::chrono::duration<double>(run_seconds));
    const long served = g_requests.load() - before;
    return {served, seconds_since(began), cpu_seconds() - cpu};
}

// The poller's own work per request without any thread hand-over: the
// caller's and the worker's steps under the watch-list lock, run in one
// thread, with the instant back end between them.
result_t bookkeeping_one_shot(long count) {
    std::mutex lock;
    kestrin2::snmp_watch_list_t list;
    instant_backend_t backend;
    kestrin2::snmp_vb_t vb;
    const kestrin2::snmp_request_options_t options;
    const double cpu = cpu_seconds();
    const auto began = clock_type::now();
    for (long i = 0; i < count; ++i) {
        // A dotted address: checked, never looked up.
        const std::string address = kestrin2::snmp_device_address("10.1.0.1", {});
        auto caller = std::make_shared<kestrin2::snmp_one_shot_t>(kestrin2::snmp_kind_t::get,
                                                                  "1.3.6.1.2.1.1.5.0", " ");
        {
            std::lock_guard guard(lock);
            list.add_one_shot("10.1.0.1", caller, address);
        }
        kestrin2::snmp_work_t work;
        {
            std::lock_guard guard(lock);
            list.next_task(work);
        }
        vb.ip = work.address;
        vb.name = work.name;
        vb.value = work.value;
        backend.get(vb, options);
        kestrin2::snmp_answer_t answer;
        answer.error = false;
        answer.value = vb.value;
        answer.type = vb.type;
        {
            std::lock_guard guard(lock);
            list.store_result(work, answer, true);
        }
        caller->wait();
        kestrin2::snmp_variable_t variable{"10.1.0.1", "1.3.6.1.2.1.1.5.0", caller->answer.value,
                                           caller->answer.type, 1};
        (void)variable;
    }
    return {count, seconds_since(began), cpu_seconds() - cpu};
}

result_t bookkeeping_polling(int rounds) {
    std::mutex lock;
    kestrin2::snmp_watch_list_t list;
    instant_backend_t backend;
    kestrin2::snmp_vb_t vb;
    const kestrin2::snmp_request_options_t options;
    for (int d = 0; d < 100; ++d)
        for (int v = 0; v < 10; ++v)
            list.watch("10.2.0." + std::to_string(d + 1),
                       "1.3.6.1.4.1.2680.1." + std::to_string(v));
    long served = 0;
    const double cpu = cpu_seconds();
    const auto began = clock_type::now();
    for (int r = 0; r < rounds; ++r) {
        std::size_t count = 0;
        {
            std::lock_guard guard(lock);
            count = list.new_round();
        }
        for (std::size_t t = 0; t < count; ++t) {
            kestrin2::snmp_work_t work;
            {
                std::lock_guard guard(lock);
                if (!list.next_task(work))
                    continue;
            }
            vb.ip = work.ip;
            vb.name = work.name;
            vb.value = work.value;
            backend.get(vb, options);
            kestrin2::snmp_answer_t answer;
            answer.error = false;
            answer.value = vb.value;
            answer.type = vb.type;
            std::lock_guard guard(lock);
            list.store_result(work, answer, true);
            ++served;
        }
    }
    return {served, seconds_since(began), cpu_seconds() - cpu};
}

void print(const char* what, const result_t& r, const result_t& base) {
    std::printf("%-44s %9ld requests %9.0f /s  wall %7.2f us/request  cpu %7.2f us/request  "
                "(%.2fx baseline wall)\n",
                what, r.requests, static_cast<double>(r.requests) / r.wall, r.wall_us(), r.cpu_us(),
                r.wall_us() / base.wall_us());
}

} // namespace

int main() {
    const result_t base = baseline(200000);
    std::printf("end to end, through the worker threads:\n");
    std::printf("%-44s %9ld requests %9.0f /s  wall %7.2f us/request  cpu %7.2f us/request\n",
                "baseline: token + futex hand-over", base.requests,
                static_cast<double>(base.requests) / base.wall, base.wall_us(), base.cpu_us());
    print("one-shot get, 1 caller, 30 workers", one_shots(1, 100000), base);
    print("one-shot get, 1 caller, 1 worker", one_shots(1, 50000, 1), base);
    print("one-shot get, 8 callers (own device each)", one_shots(8, 25000), base);
    print("polling, 1000 variables / 100 devices / 30w", polling(2.0), base);

    const result_t one_shot = bookkeeping_one_shot(500000);
    const result_t poll = bookkeeping_polling(500);
    std::printf("\nown overhead per request, without the hand-over (target < 20 us):\n");
    std::printf("  one-shot request: %6.3f us\n", one_shot.cpu_us());
    std::printf("  polled request  : %6.3f us\n", poll.cpu_us());
    return 0;
}

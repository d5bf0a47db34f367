#pragma once
// Update jobs: reading a unit's firmware (upload) and writing an image into
// a unit (download), each on its own worker thread, polled by the client
// for progress, status text and the end.
//
// The thread co-owns what it works on (status, state, family object,
// catalogue), so a job object released while its thread still runs frees
// nothing the thread uses.
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "firmware/base.h"
#include "firmware/status.h"
#include "qo/ip_address.h"
#include "qo/proc/thread.h"

class catalogue_t;
struct image_record;

namespace update {

// Something that keeps the server library loaded for as long as it lives.
using hold_factory_t = std::function<std::shared_ptr<void>()>;
// Every job made afterwards takes a hold from `factory` and keeps it until
// both the job object and its thread are gone. The server sets it when it
// is loaded; none by default.
void set_job_hold(hold_factory_t factory);

// What a finished upload hands on to a unit object.
struct unit_result_t {
    std::shared_ptr<const catalogue_t> catalogue;
    // Inside *catalogue; none when no record has the unit's code checksum.
    const image_record* record = nullptr;
    // None when no family took the unit.
    std::shared_ptr<base_t> family;
};

class job_t {
public:
    enum state_t : std::int32_t { running = 0, finished = 1, failed = 2, cancelled = 3 };

    virtual ~job_t();
    job_t(const job_t&) = delete;
    job_t& operator=(const job_t&) = delete;

    // 0 until the thread has really ended, then 1 done, 2 error, 3
    // cancelled.
    std::int32_t done() const;
    // The work still runs to its end, which is then 3 instead of 1.
    void cancel();
    std::string status() const;
    double percent() const;
    // Nothing for a download job.
    virtual std::optional<unit_result_t> result() const;

    // The state the job's thread shares with the job object.
    struct core_t {
        core_t();
        // Ends the work: 3 when cancel was asked for, else 1.
        void finish();
        void fail(const std::string& text);

        const std::shared_ptr<job_status_t> sink = std::make_shared<job_status_t>();
        mutable std::mutex lock;
        std::int32_t state = running;
        bool cancel = false;

    private:
        std::shared_ptr<void> hold_;
    };

protected:
    explicit job_t(std::shared_ptr<core_t> core) : core_(std::move(core)) {}
    virtual bool thread_ended() const = 0;

    // Until the job's thread has taken its share of the work it reads the
    // job object, which a caller may release at once: the constructor waits
    // for the thread's word.
    void work_taken() { taken_.set_value(); }
    void await_work_taken() { taken_.get_future().wait(); }

    const std::shared_ptr<core_t> core_;

private:
    std::promise<void> taken_;
};

class upload_job_t final : public qo::proc::thread_t, public job_t {
public:
    // Starts at once. `catalogue` may be empty (no record is then found).
    upload_job_t(std::shared_ptr<const catalogue_t> catalogue, const qo::ip_address_t& unit);
    ~upload_job_t() override;

    // Throws qo::exception_t "Haven't finished the operation, no result."
    // while the thread runs.
    std::optional<unit_result_t> result() const override;

    // Shortens how long releasing the job waits for its thread; for tests.
    void limit_stop_wait(std::uint32_t milliseconds) { set_stop_timeout(milliseconds); }

    struct work_t;

protected:
    void thread_function() override;
    bool thread_ended() const override;

private:
    explicit upload_job_t(std::shared_ptr<work_t> work);

    const std::shared_ptr<work_t> work_;
};

class download_job_t final : public qo::proc::thread_t, public job_t {
public:
    // Starts at once: writes the image at `image` with its checksums into
    // the unit of `family`.
    download_job_t(std::shared_ptr<base_t> family, std::string image, const checksums_t& checksums,
                   std::int32_t boot_mode, std::int32_t runtime_mode);
    ~download_job_t() override;

    void limit_stop_wait(std::uint32_t milliseconds) { set_stop_timeout(milliseconds); }

    struct work_t;

protected:
    void thread_function() override;
    bool thread_ended() const override;

private:
    explicit download_job_t(std::shared_ptr<work_t> work);

    const std::shared_ptr<work_t> work_;
};

} // namespace update

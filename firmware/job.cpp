#include "firmware/job.h"

#include "firmware/database.h"
#include "firmware/tftp.h"
#include "qo/exception.h"

#include <exception>

namespace update {

namespace {

// Above normal, as the work competes with the client's own threads.
constexpr int job_priority = 1;

std::mutex hold_lock;

// Destroyed with the library that holds it (or at exit): only the making of
// a job asks it, never a running job.
hold_factory_t& hold_factory() {
    static hold_factory_t factory;
    return factory;
}

std::shared_ptr<void> take_hold() {
    std::lock_guard guard(hold_lock);
    const hold_factory_t& factory = hold_factory();
    return factory ? factory() : nullptr;
}

} // namespace

void set_job_hold(hold_factory_t factory) {
    std::lock_guard guard(hold_lock);
    hold_factory() = std::move(factory);
}

// ---------------------------------------------------------------------------

job_t::core_t::core_t() : hold_(take_hold()) {}

void job_t::core_t::finish() {
    std::lock_guard guard(lock);
    state = cancel ? cancelled : finished;
}

void job_t::core_t::fail(const std::string& text) {
    sink->set_status(text);
    std::lock_guard guard(lock);
    state = failed;
}

job_t::~job_t() = default;

std::int32_t job_t::done() const {
    if (!thread_ended())
        return running;
    std::lock_guard guard(core_->lock);
    return core_->state;
}

void job_t::cancel() {
    std::lock_guard guard(core_->lock);
    core_->cancel = true;
}

std::string job_t::status() const {
    return core_->sink->status();
}

double job_t::percent() const {
    return core_->sink->percent();
}

std::optional<unit_result_t> job_t::result() const {
    return std::nullopt;
}

// ---------------------------------------------------------------------------

struct upload_job_t::work_t : job_t::core_t {
    std::shared_ptr<const catalogue_t> catalogue;
    qo::ip_address_t unit;
    // Set by the thread, read by result() under the lock.
    std::shared_ptr<base_t> family;
    const image_record* record = nullptr;

    void run();
};

void upload_job_t::work_t::run() {
    try {
        for (const probe_t probe : family_probes()) {
            int tftp_result = -1;
            std::shared_ptr<base_t> found = probe(unit, sink, tftp_result);
            if (found) {
                {
                    std::lock_guard guard(lock);
                    family = found;
                }
                const checksums_t checksums = found->upload();
                const image_record* match =
                    catalogue ? catalogue->find_by_code(checksums.code) : nullptr;
                std::lock_guard guard(lock);
                record = match;
                state = cancel ? cancelled : finished;
                return;
            }
            // A unit that does not answer would not answer the next family
            // either.
            if (tftp_result == tftp::result_timeout)
                throw qo::exception_t(tftp::timeout_text);
        }
        throw qo::exception_t("Error uploading firmware from " + unit.to_string());
    } catch (const qo::exception_t& e) {
        fail(e.what());
    } catch (...) {
        fail("Unknown Error");
    }
}

upload_job_t::upload_job_t(std::shared_ptr<const catalogue_t> catalogue,
                           const qo::ip_address_t& unit)
    : upload_job_t([&] {
          auto work = std::make_shared<work_t>();
          work->catalogue = std::move(catalogue);
          work->unit = unit;
          return work;
      }()) {}

upload_job_t::upload_job_t(std::shared_ptr<work_t> work) : job_t(work), work_(std::move(work)) {
    start();
    await_work_taken();
    set_priority(job_priority);
}

upload_job_t::~upload_job_t() {
    try {
        stop();
    } catch (...) {
        // The thread did not end in time; it keeps its own share of the
        // work and is let go.
    }
}

void upload_job_t::thread_function() {
    const std::shared_ptr<work_t> work = work_;
    work_taken();
    work->run();
}

bool upload_job_t::thread_ended() const {
    return handle().valid() && handle().wait(0);
}

std::optional<unit_result_t> upload_job_t::result() const {
    if (!thread_ended())
        throw qo::exception_t("Haven't finished the operation, no result.");
    std::lock_guard guard(work_->lock);
    return unit_result_t{work_->catalogue, work_->record, work_->family};
}

// ---------------------------------------------------------------------------

struct download_job_t::work_t : job_t::core_t {
    std::shared_ptr<base_t> family;
    std::string image;
    checksums_t checksums;
    std::int32_t boot_mode = 0;
    std::int32_t runtime_mode = 0;

    void run();
};

void download_job_t::work_t::run() {
    try {
        if (!family)
            throw qo::exception_t("object error");
        family->download(image, checksums, sink, boot_mode, runtime_mode);
        finish();
    } catch (const qo::exception_t& e) {
        fail(e.what());
    } catch (...) {
        fail("Unknown Error");
    }
}

download_job_t::download_job_t(std::shared_ptr<base_t> family, std::string image,
                               const checksums_t& checksums, std::int32_t boot_mode,
                               std::int32_t runtime_mode)
    : download_job_t([&] {
          auto work = std::make_shared<work_t>();
          work->family = std::move(family);
          work->image = std::move(image);
          work->checksums = checksums;
          work->boot_mode = boot_mode;
          work->runtime_mode = runtime_mode;
          return work;
      }()) {}

download_job_t::download_job_t(std::shared_ptr<work_t> work)
    : job_t(work), work_(std::move(work)) {
    start();
    await_work_taken();
    set_priority(job_priority);
}

download_job_t::~download_job_t() {
    try {
        stop();
    } catch (...) {
        // As for the upload job: the thread keeps its share and is let go.
    }
}

void download_job_t::thread_function() {
    const std::shared_ptr<work_t> work = work_;
    work_taken();
    work->run();
}

bool download_job_t::thread_ended() const {
    return handle().valid() && handle().wait(0);
}

} // namespace update

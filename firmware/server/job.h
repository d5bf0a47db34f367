#pragma once
// Cjob (class "job" over Ijob): a running or finished upload or download
// job, owned by the object. Releasing the object stops the job the
// qo::proc::thread_t way (its work is not interrupted, so that waits for its
// end); a job whose thread outlives the wait keeps what it works on and the
// library until it ends.
#include <cstdint>
#include <memory>

#include "firmware/job.h"
#include "firmware/server/interfaces.h"
#include "platform/automation/dispatch.h"

namespace gorlith {

class Cjob : public pa::dispatch_object_t<Cjob, Ijob> {
public:
    static const pa::dispatch_class_t& dispatch_class();

    // A job object a client created itself has no job: its members fail
    // with "object error".
    Cjob() = default;
    explicit Cjob(std::unique_ptr<update::job_t> job) : job_(std::move(job)) {}

    pa::HRESULT get_percent(double* out);
    pa::HRESULT get_status(pa::BSTR* out);
    pa::HRESULT get_done(std::int32_t* out);
    pa::HRESULT cancel();
    // The unit of an upload job; nothing for a download job.
    pa::HRESULT result(pa::IDispatch** out);

private:
    const update::job_t& job() const;

    const std::unique_ptr<update::job_t> job_;
};

} // namespace gorlith

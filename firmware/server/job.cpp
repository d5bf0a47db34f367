#include "firmware/server/job.h"

#include "firmware/server/errors.h"
#include "firmware/server/unit.h"
#include "platform/automation/object.h"

namespace gorlith {

const update::job_t& Cjob::job() const {
    if (!job_)
        throw qo::exception_t(object_error_text);
    return *job_;
}

pa::HRESULT Cjob::get_percent(double* out) {
    return report_errors(progid_job, "", [&] {
        *out = job().percent();
        return pa::S_OK;
    });
}

pa::HRESULT Cjob::get_status(pa::BSTR* out) {
    return report_errors(progid_job, "", [&] { return hand_out_text(job().status(), out); });
}

pa::HRESULT Cjob::get_done(std::int32_t* out) {
    return report_errors(progid_job, "", [&] {
        *out = job().done();
        return pa::S_OK;
    });
}

pa::HRESULT Cjob::cancel() {
    return report_errors(progid_job, "", [&] {
        job();
        job_->cancel();
        return pa::S_OK;
    });
}

pa::HRESULT Cjob::result(pa::IDispatch** out) {
    return report_errors(progid_job, "", [&] {
        const std::optional<update::unit_result_t> result = job().result();
        if (!result)
            return pa::S_OK;
        return pa::hand_out(
            pa::make_object<Cunit>(result->catalogue, result->record, result->family), out);
    });
}

const pa::dispatch_class_t& Cjob::dispatch_class() {
    static const pa::member_t members[] = {
        pa::property_get<&Cjob::get_percent>("percent", DISPID_percent),
        pa::property_get<&Cjob::get_status>("status", DISPID_status),
        pa::property_get<&Cjob::get_done>("done", DISPID_done),
        pa::method<&Cjob::cancel>("cancel", DISPID_cancel),
        pa::method<&Cjob::result>("result", DISPID_result),
    };
    static const pa::dispatch_class_t cls{"Cjob", progid_job, members};
    return cls;
}

} // namespace gorlith

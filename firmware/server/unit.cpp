#include "firmware/server/unit.h"

#include "firmware/job.h"
#include "firmware/server/errors.h"
#include "firmware/server/job.h"
#include "firmware/server/update_check.h"
#include "firmware/server/version.h"
#include "platform/automation/object.h"
#include "qo/bstr.h"

namespace gorlith {

namespace {

constexpr const char* check_prefix = "Unit::check_update : ";
constexpr const char* update_prefix = "Unit::update : ";
constexpr const char* mac_prefix = "Unit::mac : ";

// The version argument of a member that needs one with a record.
pa::com_ptr_t<Cversion> version_with_record(const pa::VARIANT& argument) {
    pa::com_ptr_t<Cversion> version = Cversion::from(argument);
    if (!version)
        throw qo::exception_t(invalid_parameter_text);
    if (!version->record())
        throw qo::exception_t(object_error_text);
    return version;
}

} // namespace

Cunit::Cunit(std::shared_ptr<const catalogue_t> catalogue, const image_record* record,
             std::shared_ptr<update::base_t> family)
    : catalogue_(std::move(catalogue)), record_(catalogue_ ? record : nullptr),
      family_(std::move(family)) {}

pa::HRESULT Cunit::get_ver(pa::IDispatch** out) {
    if (!family_)
        return pa::S_OK;
    return pa::hand_out(pa::make_object<Cversion>(catalogue_, record_), out);
}

pa::HRESULT Cunit::check_update(const pa::VARIANT& new_ver, pa::IDispatch** out) {
    return report_errors(progid_unit, check_prefix, [&] {
        const pa::com_ptr_t<Cversion> version = version_with_record(new_ver);
        if (!family_)
            throw qo::exception_t(object_error_text);
        const image_record& record = *version->record();
        const update::update_flags_t flags =
            family_->check_update(record.checksums, version->catalogue()->image_path(record));
        return pa::hand_out(pa::make_object<Cupdate_check>(flags), out);
    });
}

pa::HRESULT Cunit::get_mac(pa::BSTR* out) {
    if (!family_)
        return pa::S_OK;
    return hand_out_text(family_->state().current_mac.to_string(), out);
}

pa::HRESULT Cunit::put_mac(pa::BSTR mac) {
    return report_errors(progid_unit, mac_prefix, [&] {
        // Only a whole MAC: a short text would be padded with zeros and
        // written into the unit's configuration.
        qo::mac_address_t parsed;
        if (!parsed.try_parse(bstr_to_string(mac)))
            throw qo::exception_t(invalid_parameter_text);
        if (family_)
            family_->set_mac(parsed);
        return pa::S_OK;
    });
}

pa::HRESULT Cunit::download(const pa::VARIANT& ver, pa::IDispatch** out) {
    return download2(ver, 0, 0, out);
}

pa::HRESULT Cunit::get_type(std::int32_t* out) {
    *out = family_ ? family_->type() : -1;
    return pa::S_OK;
}

pa::HRESULT Cunit::download2(const pa::VARIANT& ver, std::int32_t boot, std::int32_t runtime,
                             pa::IDispatch** out) {
    return report_errors(progid_unit, update_prefix, [&] {
        if (boot < 0 || boot > 2)
            throw qo::exception_t("invalid boot range");
        if (runtime < 0 || runtime > 1)
            throw qo::exception_t("invalid code range");
        const pa::com_ptr_t<Cversion> version = version_with_record(ver);
        if (!family_ || !catalogue_)
            throw qo::exception_t(object_error_text);
        const image_record& record = *version->record();
        auto job = std::make_unique<update::download_job_t>(
            family_, version->catalogue()->image_path(record), record.checksums, boot, runtime);
        return pa::hand_out(pa::make_object<Cjob>(std::move(job)), out);
    });
}

const pa::dispatch_class_t& Cunit::dispatch_class() {
    static const pa::member_t members[] = {
        pa::property_get<&Cunit::get_ver>("ver", DISPID_ver),
        pa::method<&Cunit::check_update>("check_update", DISPID_check_update),
        pa::property_get<&Cunit::get_mac>("mac", DISPID_mac),
        pa::property_put<&Cunit::put_mac>("mac", DISPID_mac),
        pa::method<&Cunit::download>("download", DISPID_download),
        pa::property_get<&Cunit::get_type>("type", DISPID_type),
        pa::method<&Cunit::download2>("download2", DISPID_download2),
    };
    static const pa::dispatch_class_t cls{"Cunit", progid_unit, members};
    return cls;
}

} // namespace gorlith

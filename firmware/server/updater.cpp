#include "firmware/server/updater.h"

#include <cstdlib>

#include "firmware/job.h"
#include "firmware/server/com_vector.h"
#include "firmware/server/errors.h"
#include "firmware/server/job.h"
#include "firmware/server/version.h"
#include "firmware/tftp.h"
#include "platform/automation/object.h"
#include "qo/bstr.h"
#include "qo/ip_address.h"

namespace gorlith {

namespace {

// GORLITH_TFTP_PORT: the units' TFTP port, read whenever an updater is
// made. Units listen on 69 only; tests point the server at simulated units
// on unprivileged ports this way, as the process-wide settings inside a
// loaded library are out of their reach.
void apply_port_override() {
    const char* text = std::getenv("GORLITH_TFTP_PORT");
    if (!text || !*text)
        return;
    char* end = nullptr;
    const long port = std::strtol(text, &end, 10);
    if (*end == '\0' && port > 0 && port <= 65535)
        tftp::instance().port = static_cast<std::uint16_t>(port);
}

pa::com_ptr_t<Cversion> version_argument(const pa::VARIANT& argument) {
    pa::com_ptr_t<Cversion> version = Cversion::from(argument);
    if (!version)
        throw qo::exception_t(invalid_parameter_text);
    return version;
}

pa::HRESULT hand_out_versions(std::shared_ptr<const catalogue_t> catalogue,
                              std::vector<const image_record*> records, pa::IDispatch** out) {
    auto generator =
        std::make_unique<version_generator_t>(std::move(catalogue), std::move(records));
    return pa::hand_out(pa::make_object<Ccom_vector>(std::move(generator)), out);
}

} // namespace

Cupdater::Cupdater() {
    apply_port_override();
}

pa::HRESULT Cupdater::upload(pa::BSTR ip, pa::IDispatch** out) {
    return report_errors(progid_updater, "updater::upload : ", [&] {
        // Only a whole dotted address: a text read leniently would give
        // 0.0.0.0, which reaches this machine's own services.
        qo::ip_address_t unit;
        if (!unit.try_parse(bstr_to_string(ip)) || unit.value() == 0)
            throw qo::exception_t(invalid_parameter_text);
        return pa::hand_out(pa::make_object<Cjob>(database_.start_upload(unit)), out);
    });
}

pa::HRESULT Cupdater::find_all(pa::IDispatch** out) {
    const std::shared_ptr<const catalogue_t> catalogue = database_.snapshot();
    return hand_out_versions(catalogue, catalogue->find_all(), out);
}

pa::HRESULT Cupdater::find_prefered(const pa::VARIANT& ver, pa::IDispatch** out) {
    return report_errors(progid_updater, "updater::find_prefered : ", [&] {
        const pa::com_ptr_t<Cversion> version = version_argument(ver);
        const std::shared_ptr<const catalogue_t> catalogue = database_.snapshot();
        return pa::hand_out(
            pa::make_object<Cversion>(catalogue, catalogue->find_prefered(version->record())), out);
    });
}

pa::HRESULT Cupdater::find_compatible(const pa::VARIANT& ver, pa::IDispatch** out) {
    return report_errors(progid_updater, "updater::find_compatible : ", [&] {
        const pa::com_ptr_t<Cversion> version = version_argument(ver);
        const std::shared_ptr<const catalogue_t> catalogue = database_.snapshot();
        return hand_out_versions(catalogue, catalogue->find_compatible(version->record()), out);
    });
}

pa::HRESULT Cupdater::get_timeout(std::int32_t* out) {
    *out = tftp::instance().timeout;
    return pa::S_OK;
}

pa::HRESULT Cupdater::put_timeout(std::int32_t value) {
    tftp::instance().timeout = value;
    return pa::S_OK;
}

pa::HRESULT Cupdater::get_retries(std::int32_t* out) {
    *out = tftp::instance().retries;
    return pa::S_OK;
}

pa::HRESULT Cupdater::put_retries(std::int32_t value) {
    tftp::instance().retries = value;
    return pa::S_OK;
}

pa::HRESULT Cupdater::get_holdoff(std::int32_t* out) {
    *out = tftp::instance().holdoff;
    return pa::S_OK;
}

pa::HRESULT Cupdater::put_holdoff(std::int32_t value) {
    tftp::instance().holdoff = value;
    return pa::S_OK;
}

pa::HRESULT Cupdater::put_debug(std::int32_t value) {
    tftp::set_debug(value != 0);
    return pa::S_OK;
}

pa::HRESULT Cupdater::init(pa::BSTR path) {
    return report_errors(progid_updater, "updater::init : ", [&] {
        database_.init(bstr_to_string(path));
        return pa::S_OK;
    });
}

pa::HRESULT Cupdater::get_write_timeout(std::int32_t* out) {
    *out = tftp::instance().write_timeout;
    return pa::S_OK;
}

pa::HRESULT Cupdater::put_write_timeout(std::int32_t value) {
    tftp::instance().write_timeout = value;
    return pa::S_OK;
}

const pa::dispatch_class_t& Cupdater::dispatch_class() {
    static const pa::member_t members[] = {
        pa::method<&Cupdater::upload>("upload", DISPID_upload),
        pa::method<&Cupdater::find_all>("find_all", DISPID_find_all),
        pa::method<&Cupdater::find_prefered>("find_prefered", DISPID_find_prefered),
        pa::method<&Cupdater::find_compatible>("find_compatible", DISPID_find_compatible),
        pa::property_get<&Cupdater::get_timeout>("timeout", DISPID_timeout),
        pa::property_put<&Cupdater::put_timeout>("timeout", DISPID_timeout),
        pa::property_get<&Cupdater::get_retries>("retries", DISPID_retries),
        pa::property_put<&Cupdater::put_retries>("retries", DISPID_retries),
        pa::property_get<&Cupdater::get_holdoff>("holdoff", DISPID_holdoff),
        pa::property_put<&Cupdater::put_holdoff>("holdoff", DISPID_holdoff),
        pa::property_put<&Cupdater::put_debug>("debug", DISPID_debug),
        pa::method<&Cupdater::init>("init", DISPID_init),
        pa::property_get<&Cupdater::get_write_timeout>("write_timeout", DISPID_write_timeout),
        pa::property_put<&Cupdater::put_write_timeout>("write_timeout", DISPID_write_timeout),
    };
    static const pa::dispatch_class_t cls{"Cupdater", progid_updater, members};
    return cls;
}

} // namespace gorlith

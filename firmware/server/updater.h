#pragma once
// Cupdater (class "updater" over Iupdater), the server's entry object: it
// owns the firmware catalogue, starts upload jobs and shows the
// process-wide TFTP settings as its properties.
#include <cstdint>

#include "firmware/database.h"
#include "firmware/server/interfaces.h"
#include "platform/automation/dispatch.h"

namespace gorlith {

class Cupdater : public pa::dispatch_object_t<Cupdater, Iupdater> {
public:
    static const pa::dispatch_class_t& dispatch_class();

    Cupdater();

    pa::HRESULT upload(pa::BSTR ip, pa::IDispatch** out);
    pa::HRESULT find_all(pa::IDispatch** out);
    pa::HRESULT find_prefered(const pa::VARIANT& ver, pa::IDispatch** out);
    pa::HRESULT find_compatible(const pa::VARIANT& ver, pa::IDispatch** out);
    pa::HRESULT get_timeout(std::int32_t* out);
    pa::HRESULT put_timeout(std::int32_t value);
    pa::HRESULT get_retries(std::int32_t* out);
    pa::HRESULT put_retries(std::int32_t value);
    pa::HRESULT get_holdoff(std::int32_t* out);
    pa::HRESULT put_holdoff(std::int32_t value);
    pa::HRESULT put_debug(std::int32_t value);
    pa::HRESULT init(pa::BSTR path);
    pa::HRESULT get_write_timeout(std::int32_t* out);
    pa::HRESULT put_write_timeout(std::int32_t value);

private:
    database_t database_;
};

} // namespace gorlith

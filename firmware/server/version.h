#pragma once
// Cversion (class "version" over Iversion): one firmware image of the
// catalogue, or a unit's current firmware; it may have no record (a unit
// whose firmware is not listed, or a version a client created itself).
#include <cstdint>
#include <memory>

#include "firmware/database.h"
#include "firmware/server/interfaces.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/object.h"

namespace gorlith {

class Cversion : public pa::dispatch_object_t<Cversion, Iversion> {
public:
    // How the server recognises its own versions among the arguments it
    // receives; no client asks for it.
    static constexpr pa::IID implementation_iid =
        pa::make_guid("{6B0D2F31-9C4E-4E57-A2B8-3F1C7D5E9A40}");
    static const pa::dispatch_class_t& dispatch_class();

    Cversion() = default;
    Cversion(std::shared_ptr<const catalogue_t> catalogue, const image_record* record);

    // The version object of this server that `argument` holds; null for any
    // other value or object.
    static pa::com_ptr_t<Cversion> from(const pa::VARIANT& argument);

    // Inside *catalogue(); none when the version has no record.
    const image_record* record() const { return record_; }
    const std::shared_ptr<const catalogue_t>& catalogue() const { return catalogue_; }

    pa::HRESULT get_name(pa::BSTR* out);
    pa::HRESULT get_path(pa::BSTR* out);
    pa::HRESULT get_code_cs(std::int32_t* out);
    pa::HRESULT get_fpga_cs(std::int32_t* out);
    pa::HRESULT get_fpga2_cs(std::int32_t* out);
    pa::HRESULT get_boot_cs(std::int32_t* out);
    pa::HRESULT get_valid(std::int32_t* out);
    pa::HRESULT get_exists(std::int32_t* out);
    pa::HRESULT is_compatible(const pa::VARIANT& ver, std::int32_t* out);

private:
    const std::shared_ptr<const catalogue_t> catalogue_;
    const image_record* const record_ = nullptr;
};

} // namespace gorlith

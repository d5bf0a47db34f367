#pragma once
// Cunit (class "unit" over Iunit): one module whose firmware an upload job
// read: the catalogue record of its current firmware (none when the unit's
// code checksum is not listed), its family object and the catalogue. A
// unit a client created itself has neither family object nor catalogue.
#include <cstdint>
#include <memory>

#include "firmware/base.h"
#include "firmware/database.h"
#include "firmware/server/interfaces.h"
#include "platform/automation/dispatch.h"

namespace gorlith {

class Cunit : public pa::dispatch_object_t<Cunit, Iunit> {
public:
    static const pa::dispatch_class_t& dispatch_class();

    Cunit() = default;
    Cunit(std::shared_ptr<const catalogue_t> catalogue, const image_record* record,
          std::shared_ptr<update::base_t> family);

    pa::HRESULT get_ver(pa::IDispatch** out);
    pa::HRESULT check_update(const pa::VARIANT& new_ver, pa::IDispatch** out);
    pa::HRESULT get_mac(pa::BSTR* out);
    pa::HRESULT put_mac(pa::BSTR mac);
    pa::HRESULT download(const pa::VARIANT& ver, pa::IDispatch** out);
    pa::HRESULT get_type(std::int32_t* out);
    pa::HRESULT download2(const pa::VARIANT& ver, std::int32_t boot, std::int32_t runtime,
                          pa::IDispatch** out);

private:
    const std::shared_ptr<const catalogue_t> catalogue_;
    const image_record* const record_ = nullptr;
    const std::shared_ptr<update::base_t> family_;
};

} // namespace gorlith

#pragma once
// Ccom_vector (class "com_vector" over Icom_vector): a read-only vector of
// objects made by a generator when first asked for and kept for later
// requests. Besides `length` and `at`, an item answers the dispatch name
// "n" with DISPID 256 + n.
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "firmware/database.h"
#include "firmware/server/interfaces.h"
#include "platform/automation/vector_dispatch.h"

namespace gorlith {

// Producer of a vector's items.
class dispatch_generator_abc {
public:
    virtual ~dispatch_generator_abc() = default;
    virtual std::uint32_t count() const = 0;
    // A new item with one reference for the caller; null out of range.
    virtual pa::com_ptr_t<pa::IDispatch> item(std::uint32_t index) = 0;
};

// Versions over a list of records taken when the vector is made.
class version_generator_t final : public dispatch_generator_abc {
public:
    version_generator_t(std::shared_ptr<const catalogue_t> catalogue,
                        std::vector<const image_record*> records);
    std::uint32_t count() const override;
    pa::com_ptr_t<pa::IDispatch> item(std::uint32_t index) override;

private:
    const std::shared_ptr<const catalogue_t> catalogue_;
    const std::vector<const image_record*> records_;
};

class Ccom_vector : public pa::vector_dispatch_t<Ccom_vector, Icom_vector> {
public:
    static const pa::dispatch_class_t& dispatch_class();
    // An item index beyond the end fails whatever the flags ask for.
    static constexpr pa::element_access_t element_access{"com_vector",
                                                         pa::element_check::range_first};

    // A vector a client created itself has no generator and no items.
    Ccom_vector() = default;
    explicit Ccom_vector(std::unique_ptr<dispatch_generator_abc> generator);

    pa::HRESULT get_length(std::int32_t* out);
    pa::HRESULT at(std::int32_t index, pa::IDispatch** out);

    std::uint32_t element_count();
    pa::HRESULT element(std::uint32_t index, pa::VARIANT* out);

private:
    // Item `index` (in range) with a new reference for the caller.
    pa::com_ptr_t<pa::IDispatch> item(std::uint32_t index);

    std::mutex lock_;
    const std::unique_ptr<dispatch_generator_abc> generator_;
    // One reference held per item made.
    std::vector<pa::com_ptr_t<pa::IDispatch>> cache_;
};

} // namespace gorlith

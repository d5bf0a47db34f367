#pragma once
// The client side of late-bound calls: one dispatch pointer, calls by
// DISPID or by name, and every failure raised as automation_error.
#include "platform/automation/com_ptr.h"
#include "platform/automation/interfaces.h"
#include "platform/automation/variant.h"

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform::automation {

class automation_error : public std::runtime_error {
public:
    // An empty description is replaced by hresult_text(hr).
    automation_error(HRESULT hr, std::string source, std::string description,
                     std::uint16_t code = 0);

    // The failure: the server's scode when it sent one, else the call's result.
    HRESULT hr() const noexcept { return hr_; }
    const std::string& source() const noexcept { return source_; }
    const std::string& description() const noexcept { return description_; }
    // The EXCEPINFO wCode (0 when the server gave none).
    std::uint16_t code() const noexcept { return code_; }

private:
    HRESULT hr_;
    std::string source_;
    std::string description_;
    std::uint16_t code_;
};

// Raises the thread's error information (if any) with hr.
[[noreturn]] void throw_error(HRESULT hr, std::string_view source = {});

class dispatch_driver_t {
public:
    dispatch_driver_t() = default;
    explicit dispatch_driver_t(com_ptr_t<IDispatch> object) : object_(std::move(object)) {}

    // create_object, raising its failure.
    static dispatch_driver_t create(std::string_view progid_or_clsid);

    IDispatch* get() const noexcept { return object_.get(); }
    const com_ptr_t<IDispatch>& object() const noexcept { return object_; }
    explicit operator bool() const noexcept { return static_cast<bool>(object_); }
    void reset() noexcept { object_.reset(); }

    DISPID id_of(std::string_view name) const;

    // One Invoke with the arguments in the order of the member's signature.
    variant_t invoke(DISPID id, std::uint16_t flags, const std::vector<variant_t>& args) const;

    variant_t call(DISPID id, std::initializer_list<variant_t> args = {}) const
    {
        return invoke(id, DISPATCH_METHOD, args);
    }
    variant_t get(DISPID id, std::initializer_list<variant_t> args = {}) const
    {
        return invoke(id, DISPATCH_PROPERTYGET, args);
    }
    void put(DISPID id, const variant_t& value) const
    {
        invoke(id, DISPATCH_PROPERTYPUT, {value});
    }
    variant_t call(std::string_view name, std::initializer_list<variant_t> args = {}) const
    {
        return call(id_of(name), args);
    }
    variant_t get(std::string_view name, std::initializer_list<variant_t> args = {}) const
    {
        return get(id_of(name), args);
    }
    void put(std::string_view name, const variant_t& value) const { put(id_of(name), value); }

    // Typed results: the value converted, or DISP_E_TYPEMISMATCH raised.
    static std::int32_t to_int(const variant_t& v);
    static std::string to_string(const variant_t& v);
    static dispatch_driver_t to_object(const variant_t& v);

private:
    com_ptr_t<IDispatch> object_;
};

} // namespace platform::automation

#pragma once
// Tagged values of late-bound calls: arguments and results of
// IDispatch::Invoke. A VARIANT is a plain record, as callers lay them out in
// argument arrays; variant_t owns one and frees it.
//
// Ownership follows the automation rules: a VARIANT of type BSTR owns its
// string and one of type DISPATCH or UNKNOWN holds one reference, both given
// up by VariantClear; a VT_BYREF variant points at storage it does not own.
#include "platform/automation/types.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::automation {

struct IUnknown;
struct IDispatch;

using VARTYPE = std::uint16_t;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_UI1 = 17,
    VT_UI4 = 19,
    VT_BYREF = 0x4000,
};

// A distinct type so that a member's signature tells a boolean from a
// 16-bit integer.
enum VARIANT_BOOL : std::int16_t { VARIANT_FALSE = 0, VARIANT_TRUE = -1 };

struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    std::uint16_t wReserved1 = 0;
    std::uint16_t wReserved2 = 0;
    std::uint16_t wReserved3 = 0;
    union {
        std::int32_t lVal;
        std::uint32_t ulVal;
        std::int16_t iVal;
        std::uint8_t bVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        HRESULT scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        std::int32_t* plVal;
        std::uint32_t* pulVal;
        std::int16_t* piVal;
        std::uint8_t* pbVal;
        double* pdblVal;
        VARIANT_BOOL* pboolVal;
        HRESULT* pscode;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        VARIANT* pvarVal;
        void* byref;
    };
};

void VariantInit(VARIANT* v);
// Frees what the variant owns and leaves it EMPTY. DISP_E_BADVARTYPE for a
// type tag this layer does not know (the variant is then left alone).
HRESULT VariantClear(VARIANT* v);
// Clears dest, then makes it an independent copy of src (a new BSTR, one
// more reference); a VT_BYREF source is copied as the same reference.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// Converts src to type vt into dest (dest may be src). By-reference sources
// are read through. Texts convert to numbers as written numbers (blanks
// around them allowed, decimal point '.', rounding half to even) and
// "true"/"false" to booleans; numbers convert to decimal text; a boolean is
// -1 or 0. Results: DISP_E_TYPEMISMATCH when the value has no form of that
// type, DISP_E_OVERFLOW when it does not fit, DISP_E_BADVARTYPE for an
// unknown type; dest is unchanged on failure.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, VARTYPE vt);

// Owns one VARIANT. Same layout as VARIANT, so an array of variant_t can be
// handed over as an argument array.
class variant_t : public VARIANT {
public:
    variant_t() noexcept { vt = VT_EMPTY; }
    variant_t(std::int32_t value) noexcept;
    variant_t(std::uint32_t value) noexcept;
    variant_t(std::int16_t value) noexcept;
    variant_t(std::uint8_t value) noexcept;
    variant_t(double value) noexcept;
    variant_t(bool value) noexcept;
    variant_t(std::string_view text);
    variant_t(const char* text) : variant_t(std::string_view(text)) {}
    variant_t(const std::string& text) : variant_t(std::string_view(text)) {}
    // Holds a new reference (the pointer may be null).
    variant_t(IDispatch* object) noexcept;
    variant_t(const VARIANT& other);
    variant_t(const variant_t& other);
    variant_t(variant_t&& other) noexcept;
    variant_t& operator=(const variant_t& other);
    variant_t& operator=(variant_t&& other) noexcept;
    ~variant_t() { VariantClear(this); }

    static variant_t error(HRESULT code) noexcept;
    // Takes over what `v` owns; v is left EMPTY.
    static variant_t attach(VARIANT& v) noexcept;
    VARIANT detach() noexcept;

    void clear() noexcept { VariantClear(this); }
    VARTYPE type() const noexcept { return vt; }
    bool is_empty() const noexcept { return vt == VT_EMPTY; }

    // Converts into a new variant; the HRESULT of VariantChangeType on failure.
    HRESULT change_type(VARTYPE to, variant_t& out) const;
};

} // namespace platform::automation

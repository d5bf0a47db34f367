#include "platform/automation/variant.h"

#include "platform/automation/interfaces.h"
#include "platform/text/ascii.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <system_error>
#include <utility>

namespace platform::automation {

namespace {

bool is_known_type(VARTYPE vt)
{
    switch (vt & ~VT_BYREF) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_R8:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_UNKNOWN:
    case VT_UI1:
    case VT_UI4:
        return true;
    case VT_VARIANT:
        return (vt & VT_BYREF) != 0;
    default:
        return false;
    }
}

// A by-value view of the source (not owning): by-reference variants are read
// through. False when the reference is null or of no known type.
bool read_through(const VARIANT* src, VARIANT& out)
{
    out = VARIANT{};
    if (!(src->vt & VT_BYREF)) {
        out = *src;
        return true;
    }
    if (!src->byref)
        return false;
    const VARTYPE base = src->vt & ~VT_BYREF;
    out.vt = base;
    switch (base) {
    case VT_I2: out.iVal = *src->piVal; return true;
    case VT_I4: out.lVal = *src->plVal; return true;
    case VT_R8: out.dblVal = *src->pdblVal; return true;
    case VT_BSTR: out.bstrVal = *src->pbstrVal; return true;
    case VT_DISPATCH: out.pdispVal = *src->ppdispVal; return true;
    case VT_ERROR: out.scode = *src->pscode; return true;
    case VT_BOOL: out.boolVal = *src->pboolVal; return true;
    case VT_UNKNOWN: out.punkVal = *src->ppunkVal; return true;
    case VT_UI1: out.bVal = *src->pbVal; return true;
    case VT_UI4: out.ulVal = *src->pulVal; return true;
    case VT_VARIANT:
        // A variant reached by reference is itself by value.
        if (src->pvarVal->vt & VT_BYREF)
            return false;
        out = *src->pvarVal;
        return true;
    default:
        return false;
    }
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

using platform::text::equals_no_case;

// A written number, independent of the locale: DISP_E_TYPEMISMATCH when the
// text is not one, DISP_E_OVERFLOW when it is too large for a double.
HRESULT parse_number(std::string_view text, double& out)
{
    text = trim(text);
    if (text.empty())
        return DISP_E_TYPEMISMATCH;
    if (text.front() == '+')
        text.remove_prefix(1);
    const char* first = text.data();
    const char* last = text.data() + text.size();
    // from_chars would take "inf" and "nan", which are no written numbers.
    const char lead = (*first == '-' && text.size() > 1) ? first[1] : *first;
    if (!(lead >= '0' && lead <= '9') && lead != '.')
        return DISP_E_TYPEMISMATCH;
    const auto r = std::from_chars(first, last, out, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range)
        return DISP_E_OVERFLOW;
    if (r.ec != std::errc{} || r.ptr != last)
        return DISP_E_TYPEMISMATCH;
    return S_OK;
}

// The value of a numeric, boolean, empty or text source as a double.
HRESULT number_of(const VARIANT& v, double& out)
{
    switch (v.vt) {
    case VT_EMPTY: out = 0; return S_OK;
    case VT_I2: out = v.iVal; return S_OK;
    case VT_I4: out = v.lVal; return S_OK;
    case VT_UI1: out = v.bVal; return S_OK;
    case VT_UI4: out = v.ulVal; return S_OK;
    case VT_R8: out = v.dblVal; return S_OK;
    case VT_BOOL: out = v.boolVal != VARIANT_FALSE ? -1.0 : 0.0; return S_OK;
    case VT_BSTR: {
        const auto text = trim(bstr_view(v.bstrVal));
        if (equals_no_case(text, "true")) {
            out = -1;
            return S_OK;
        }
        if (equals_no_case(text, "false")) {
            out = 0;
            return S_OK;
        }
        return parse_number(text, out);
    }
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// Integers round half to even, as the automation conversions do.
HRESULT to_integer(const VARIANT& v, double lo, double hi, double& out)
{
    double x = 0;
    const HRESULT hr = number_of(v, x);
    if (hr < 0)
        return hr;
    if (v.vt == VT_BSTR) {
        // "true"/"false" are booleans, not numbers.
        const auto text = trim(bstr_view(v.bstrVal));
        if (equals_no_case(text, "true") || equals_no_case(text, "false"))
            return DISP_E_TYPEMISMATCH;
    }
    if (!std::isfinite(x))
        return DISP_E_OVERFLOW;
    const double r = std::nearbyint(x);
    if (r < lo || r > hi)
        return DISP_E_OVERFLOW;
    out = r;
    return S_OK;
}

std::string number_text(const VARIANT& v)
{
    char buf[64];
    std::to_chars_result r{};
    switch (v.vt) {
    case VT_I2: r = std::to_chars(buf, buf + sizeof buf, v.iVal); break;
    case VT_I4: r = std::to_chars(buf, buf + sizeof buf, v.lVal); break;
    case VT_UI1: r = std::to_chars(buf, buf + sizeof buf, v.bVal); break;
    case VT_UI4: r = std::to_chars(buf, buf + sizeof buf, v.ulVal); break;
    case VT_R8: r = std::to_chars(buf, buf + sizeof buf, v.dblVal); break;
    case VT_BOOL: return v.boolVal != VARIANT_FALSE ? "-1" : "0";
    default: return {};
    }
    return std::string(buf, r.ptr);
}

// Builds the converted value (owning what it holds) into out.
HRESULT convert(const VARIANT& v, VARTYPE vt, VARIANT& out)
{
    out = VARIANT{};
    double n = 0;
    HRESULT hr = S_OK;
    switch (vt) {
    case VT_EMPTY:
        return S_OK;
    case VT_NULL:
        if (v.vt != VT_NULL)
            return DISP_E_TYPEMISMATCH;
        out.vt = VT_NULL;
        return S_OK;
    case VT_I2:
        hr = to_integer(v, -32768.0, 32767.0, n);
        if (hr >= 0) {
            out.vt = VT_I2;
            out.iVal = static_cast<std::int16_t>(n);
        }
        return hr;
    case VT_I4:
        hr = to_integer(v, -2147483648.0, 2147483647.0, n);
        if (hr >= 0) {
            out.vt = VT_I4;
            out.lVal = static_cast<std::int32_t>(n);
        }
        return hr;
    case VT_UI1:
        hr = to_integer(v, 0.0, 255.0, n);
        if (hr >= 0) {
            out.vt = VT_UI1;
            out.bVal = static_cast<std::uint8_t>(n);
        }
        return hr;
    case VT_UI4:
        hr = to_integer(v, 0.0, 4294967295.0, n);
        if (hr >= 0) {
            out.vt = VT_UI4;
            out.ulVal = static_cast<std::uint32_t>(n);
        }
        return hr;
    case VT_R8:
        hr = number_of(v, n);
        if (hr >= 0) {
            if (v.vt == VT_BSTR) {
                const auto text = trim(bstr_view(v.bstrVal));
                if (equals_no_case(text, "true") || equals_no_case(text, "false"))
                    return DISP_E_TYPEMISMATCH;
            }
            out.vt = VT_R8;
            out.dblVal = n;
        }
        return hr;
    case VT_BOOL:
        hr = number_of(v, n);
        if (hr >= 0) {
            out.vt = VT_BOOL;
            out.boolVal = n != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return hr;
    case VT_BSTR: {
        std::string text;
        if (v.vt == VT_BSTR)
            text = bstr_view(v.bstrVal);
        else if (v.vt == VT_EMPTY)
            text.clear();
        else if (v.vt == VT_I2 || v.vt == VT_I4 || v.vt == VT_UI1 || v.vt == VT_UI4
                 || v.vt == VT_R8 || v.vt == VT_BOOL)
            text = number_text(v);
        else
            return DISP_E_TYPEMISMATCH;
        BSTR s = SysAllocString(text);
        if (!s)
            return E_OUTOFMEMORY;
        out.vt = VT_BSTR;
        out.bstrVal = s;
        return S_OK;
    }
    case VT_DISPATCH:
        if (v.vt == VT_DISPATCH) {
            out.vt = VT_DISPATCH;
            out.pdispVal = v.pdispVal;
            if (out.pdispVal)
                out.pdispVal->AddRef();
            return S_OK;
        }
        if (v.vt == VT_UNKNOWN) {
            IDispatch* d = nullptr;
            if (v.punkVal
                && v.punkVal->QueryInterface(IDispatch::iid, reinterpret_cast<void**>(&d)) < 0)
                return DISP_E_TYPEMISMATCH;
            out.vt = VT_DISPATCH;
            out.pdispVal = d;
            return S_OK;
        }
        return DISP_E_TYPEMISMATCH;
    case VT_UNKNOWN:
        if (v.vt == VT_UNKNOWN || v.vt == VT_DISPATCH) {
            out.vt = VT_UNKNOWN;
            out.punkVal = v.vt == VT_UNKNOWN ? v.punkVal : static_cast<IUnknown*>(v.pdispVal);
            if (out.punkVal)
                out.punkVal->AddRef();
            return S_OK;
        }
        return DISP_E_TYPEMISMATCH;
    case VT_ERROR:
        if (v.vt != VT_ERROR)
            return DISP_E_TYPEMISMATCH;
        out.vt = VT_ERROR;
        out.scode = v.scode;
        return S_OK;
    default:
        return DISP_E_BADVARTYPE;
    }
}

} // namespace

void VariantInit(VARIANT* v)
{
    if (v)
        *v = VARIANT{};
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v)
        return E_INVALIDARG;
    if (!is_known_type(v->vt))
        return DISP_E_BADVARTYPE;
    switch (v->vt) {
    case VT_BSTR:
        SysFreeString(v->bstrVal);
        break;
    case VT_DISPATCH:
        if (v->pdispVal)
            v->pdispVal->Release();
        break;
    case VT_UNKNOWN:
        if (v->punkVal)
            v->punkVal->Release();
        break;
    default:
        break;
    }
    *v = VARIANT{};
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src)
{
    if (!dest || !src)
        return E_INVALIDARG;
    if (dest == src)
        return S_OK;
    if (!is_known_type(src->vt))
        return DISP_E_BADVARTYPE;
    VARIANT copy = *src;
    if (src->vt == VT_BSTR && src->bstrVal) {
        copy.bstrVal = SysAllocString(bstr_view(src->bstrVal));
        if (!copy.bstrVal)
            return E_OUTOFMEMORY;
    } else if (src->vt == VT_DISPATCH && src->pdispVal) {
        src->pdispVal->AddRef();
    } else if (src->vt == VT_UNKNOWN && src->punkVal) {
        src->punkVal->AddRef();
    }
    const HRESULT hr = VariantClear(dest);
    if (hr < 0) {
        VariantClear(&copy);
        return hr;
    }
    *dest = copy;
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, VARTYPE vt)
{
    if (!dest || !src)
        return E_INVALIDARG;
    if (!is_known_type(src->vt))
        return DISP_E_BADVARTYPE;
    if (vt & VT_BYREF)
        return DISP_E_BADVARTYPE;
    VARIANT view;
    if (!read_through(src, view))
        return DISP_E_TYPEMISMATCH;
    VARIANT result;
    const HRESULT hr = convert(view, vt, result);
    if (hr < 0)
        return hr;
    // dest may be src: the result owns copies of what it needs.
    const HRESULT cleared = VariantClear(dest);
    if (cleared < 0) {
        VariantClear(&result);
        return cleared;
    }
    *dest = result;
    return S_OK;
}

variant_t::variant_t(std::int32_t value) noexcept
{
    vt = VT_I4;
    lVal = value;
}

variant_t::variant_t(std::uint32_t value) noexcept
{
    vt = VT_UI4;
    ulVal = value;
}

variant_t::variant_t(std::int16_t value) noexcept
{
    vt = VT_I2;
    iVal = value;
}

variant_t::variant_t(std::uint8_t value) noexcept
{
    vt = VT_UI1;
    bVal = value;
}

variant_t::variant_t(double value) noexcept
{
    vt = VT_R8;
    dblVal = value;
}

variant_t::variant_t(bool value) noexcept
{
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

variant_t::variant_t(std::string_view text)
{
    BSTR s = SysAllocString(text);
    if (!s)
        throw std::bad_alloc();
    vt = VT_BSTR;
    bstrVal = s;
}

variant_t::variant_t(IDispatch* object) noexcept
{
    vt = VT_DISPATCH;
    pdispVal = object;
    if (object)
        object->AddRef();
}

variant_t::variant_t(const VARIANT& other)
{
    vt = VT_EMPTY;
    const HRESULT hr = VariantCopy(this, &other);
    if (hr == E_OUTOFMEMORY)
        throw std::bad_alloc();
}

variant_t::variant_t(const variant_t& other) : variant_t(static_cast<const VARIANT&>(other)) {}

variant_t::variant_t(variant_t&& other) noexcept : VARIANT(other)
{
    static_cast<VARIANT&>(other) = VARIANT{};
}

variant_t& variant_t::operator=(const variant_t& other)
{
    if (this != &other) {
        const HRESULT hr = VariantCopy(this, &other);
        if (hr == E_OUTOFMEMORY)
            throw std::bad_alloc();
    }
    return *this;
}

variant_t& variant_t::operator=(variant_t&& other) noexcept
{
    if (this != &other) {
        VariantClear(this);
        static_cast<VARIANT&>(*this) = other;
        static_cast<VARIANT&>(other) = VARIANT{};
    }
    return *this;
}

variant_t variant_t::error(HRESULT code) noexcept
{
    variant_t v;
    v.vt = VT_ERROR;
    v.scode = code;
    return v;
}

variant_t variant_t::attach(VARIANT& v) noexcept
{
    variant_t r;
    static_cast<VARIANT&>(r) = v;
    v = VARIANT{};
    return r;
}

VARIANT variant_t::detach() noexcept
{
    VARIANT v = *this;
    static_cast<VARIANT&>(*this) = VARIANT{};
    return v;
}

HRESULT variant_t::change_type(VARTYPE to, variant_t& out) const
{
    variant_t fresh;
    const HRESULT hr = VariantChangeType(&fresh, this, to);
    if (hr >= 0)
        out = std::move(fresh);
    return hr;
}

static_assert(sizeof(variant_t) == sizeof(VARIANT), "variant_t arrays pass as VARIANT arrays");

} // namespace platform::automation

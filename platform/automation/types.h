#pragma once
// The automation layer's basic value types: result codes, strings handed
// across the automation boundary and the exception record of a failed call.
//
// A BSTR here holds UTF-8 text. It is allocated by SysAllocString and freed
// by SysFreeString (by whoever receives it, as the automation contract says);
// a null BSTR is distinct from an empty one. bstr_t owns one.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::automation {

using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
inline constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
inline constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
inline constexpr HRESULT CO_E_SERVER_EXEC_FAILURE = static_cast<HRESULT>(0x80080005u);
inline constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);

inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// A string of the automation boundary: points at the text; the byte count and
// a terminating '\0' are kept beside it by SysAllocString.
using BSTR = char*;

// A new BSTR holding a copy of the text; nullptr only when memory runs out.
BSTR SysAllocString(std::string_view text);
void SysFreeString(BSTR s);
// Length of the text in bytes (0 for a null BSTR).
std::uint32_t SysStringLen(BSTR s);
// The text (empty for a null BSTR).
std::string_view bstr_view(BSTR s);

// Owns one BSTR (null until assigned).
class bstr_t {
public:
    bstr_t() = default;
    explicit bstr_t(std::string_view text);
    ~bstr_t() { SysFreeString(p_); }
    bstr_t(const bstr_t& other);
    bstr_t& operator=(const bstr_t& other);
    bstr_t(bstr_t&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    bstr_t& operator=(bstr_t&& other) noexcept;

    // Takes ownership of a BSTR received from elsewhere.
    static bstr_t attach(BSTR s);
    // Gives up ownership.
    BSTR detach();
    // Copy for handing out: the receiver frees it.
    BSTR copy() const;

    BSTR get() const { return p_; }
    bool is_null() const { return p_ == nullptr; }
    std::string_view view() const { return bstr_view(p_); }
    std::string str() const { return std::string(view()); }

private:
    BSTR p_ = nullptr;
};

// The exception record filled in by a call that returns DISP_E_EXCEPTION.
// The receiver owns (and frees with clear_excepinfo) the three strings.
struct EXCEPINFO {
    std::uint16_t wCode = 0;
    std::uint16_t wReserved = 0;
    BSTR bstrSource = nullptr;
    BSTR bstrDescription = nullptr;
    BSTR bstrHelpFile = nullptr;
    std::uint32_t dwHelpContext = 0;
    void* pvReserved = nullptr;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*) = nullptr;
    HRESULT scode = 0;
};

// Frees the record's strings and zeroes it.
void clear_excepinfo(EXCEPINFO& info);

} // namespace platform::automation

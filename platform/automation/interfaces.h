#pragma once
// The interfaces every automation object and caller shares. Each interface
// carries its identifier as `iid`; an interface derived from another must
// declare its own.
//
// Calls follow the automation rules: an interface pointer handed out carries
// one reference for the receiver; strings and variants passed in stay the
// caller's; results passed out become the caller's.
#include "platform/automation/guid.h"
#include "platform/automation/types.h"
#include "platform/automation/variant.h"

#include <cstdint>

namespace platform::automation {

using DISPID = std::int32_t;
using LCID = std::uint32_t;

inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;

// Invoke flags; a caller may combine them (METHOD|PROPERTYGET is what a
// caller sends when it cannot tell a method from a property).
inline constexpr std::uint16_t DISPATCH_METHOD = 0x1;
inline constexpr std::uint16_t DISPATCH_PROPERTYGET = 0x2;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUT = 0x4;
inline constexpr std::uint16_t DISPATCH_PROPERTYPUTREF = 0x8;

// Arguments of one Invoke: rgvarg holds them last first; a property put
// names its value DISPID_PROPERTYPUT in rgdispidNamedArgs.
struct DISPPARAMS {
    VARIANT* rgvarg = nullptr;
    DISPID* rgdispidNamedArgs = nullptr;
    unsigned cArgs = 0;
    unsigned cNamedArgs = 0;
};

struct IUnknown {
    static constexpr IID iid = make_guid("{00000000-0000-0000-C000-000000000046}");
    virtual HRESULT QueryInterface(const IID& riid, void** out) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

// Type information is not provided by this layer; the slots exist so that an
// interface's own members follow the seven standard ones.
struct ITypeInfo;

struct IDispatch : IUnknown {
    static constexpr IID iid = make_guid("{00020400-0000-0000-C000-000000000046}");
    virtual HRESULT GetTypeInfoCount(unsigned* count) = 0;
    virtual HRESULT GetTypeInfo(unsigned index, LCID lcid, ITypeInfo** info) = 0;
    // Names compare without regard to case. names[0] is the member; further
    // names would be argument names.
    virtual HRESULT GetIDsOfNames(const IID& riid, const char* const* names, unsigned count,
                                  LCID lcid, DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, const IID& riid, LCID lcid, std::uint16_t flags,
                           DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                           unsigned* arg_err) = 0;

protected:
    ~IDispatch() = default;
};

struct ISupportErrorInfo : IUnknown {
    static constexpr IID iid = make_guid("{DF0B3D60-548F-101B-8E65-08002B2BD119}");
    // S_OK when failures of the interface `riid` leave error information.
    virtual HRESULT InterfaceSupportsErrorInfo(const IID& riid) = 0;

protected:
    ~ISupportErrorInfo() = default;
};

struct IErrorInfo : IUnknown {
    static constexpr IID iid = make_guid("{1CF2B120-547D-101B-8E65-08002B2BD119}");
    virtual HRESULT GetGUID(GUID* out) = 0;
    virtual HRESULT GetSource(BSTR* out) = 0;
    virtual HRESULT GetDescription(BSTR* out) = 0;
    virtual HRESULT GetHelpFile(BSTR* out) = 0;
    virtual HRESULT GetHelpContext(std::uint32_t* out) = 0;

protected:
    ~IErrorInfo() = default;
};

struct IClassFactory : IUnknown {
    static constexpr IID iid = make_guid("{00000001-0000-0000-C000-000000000046}");
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& riid, void** out) = 0;
    // Holds the server (its library stays loaded) while `lock` is true.
    virtual HRESULT LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

} // namespace platform::automation

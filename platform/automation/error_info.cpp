#include "platform/automation/error_info.h"

#include "platform/automation/com_ptr.h"
#include "platform/automation/object.h"

#include <cstdio>
#include <new>

namespace platform::automation {

namespace {

class error_info_t final : public single_interface_t<IErrorInfo> {
public:
    error_info_t(const IID& iid, bstr_t source, bstr_t description)
        : iid_(iid), source_(std::move(source)), description_(std::move(description))
    {
    }

    HRESULT GetGUID(GUID* out) override
    {
        if (!out)
            return E_POINTER;
        *out = iid_;
        return S_OK;
    }
    HRESULT GetSource(BSTR* out) override { return hand_out_copy(source_, out); }
    HRESULT GetDescription(BSTR* out) override { return hand_out_copy(description_, out); }
    HRESULT GetHelpFile(BSTR* out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return S_OK;
    }
    HRESULT GetHelpContext(std::uint32_t* out) override
    {
        if (!out)
            return E_POINTER;
        *out = 0;
        return S_OK;
    }

private:
    static HRESULT hand_out_copy(const bstr_t& text, BSTR* out)
    {
        if (!out)
            return E_POINTER;
        *out = SysAllocString(text.view());
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    IID iid_;
    bstr_t source_;
    bstr_t description_;
};

// The record lives in this library, so the thread's exit may release it
// whatever server created it.
thread_local com_ptr_t<IErrorInfo> thread_error_info;

} // namespace

HRESULT SetErrorInfo(IErrorInfo* info)
{
    thread_error_info = com_ptr_t<IErrorInfo>(info);
    return S_OK;
}

HRESULT GetErrorInfo(IErrorInfo** out)
{
    if (!out)
        return E_POINTER;
    *out = thread_error_info.detach();
    return *out ? S_OK : S_FALSE;
}

HRESULT create_error_info(const IID& iid, std::string_view source, std::string_view description,
                          IErrorInfo** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    try {
        auto* info = new error_info_t(iid, bstr_t(source), bstr_t(description));
        info->AddRef();
        *out = info;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT set_error_info(const IID& iid, std::string_view source, std::string_view description)
{
    com_ptr_t<IErrorInfo> info;
    const HRESULT hr = create_error_info(iid, source, description, info.put());
    if (hr < 0)
        return hr;
    return SetErrorInfo(info.get());
}

std::string hresult_text(HRESULT hr)
{
    switch (hr) {
    case S_OK: return "Success";
    case S_FALSE: return "Success (false)";
    case E_NOTIMPL: return "Not implemented";
    case E_NOINTERFACE: return "No such interface";
    case E_POINTER: return "Invalid pointer";
    case E_FAIL: return "Unspecified failure";
    case E_UNEXPECTED: return "Unexpected failure";
    case E_OUTOFMEMORY: return "Out of memory";
    case E_INVALIDARG: return "Invalid argument";
    case DISP_E_UNKNOWNINTERFACE: return "Unknown interface";
    case DISP_E_MEMBERNOTFOUND: return "Member not found";
    case DISP_E_PARAMNOTFOUND: return "Parameter not found";
    case DISP_E_TYPEMISMATCH: return "Type mismatch";
    case DISP_E_UNKNOWNNAME: return "Unknown name";
    case DISP_E_NONAMEDARGS: return "Named arguments are not supported";
    case DISP_E_BADVARTYPE: return "Bad variant type";
    case DISP_E_EXCEPTION: return "Exception occurred";
    case DISP_E_OVERFLOW: return "Value out of range";
    case DISP_E_BADINDEX: return "Invalid index";
    case DISP_E_BADPARAMCOUNT: return "Wrong number of arguments";
    case CLASS_E_NOAGGREGATION: return "Class does not support aggregation";
    case CLASS_E_CLASSNOTAVAILABLE: return "Class not available from its server";
    case REGDB_E_CLASSNOTREG: return "Class not registered";
    case CO_E_NOTINITIALIZED: return "Automation not initialised on this thread";
    case CO_E_SERVER_EXEC_FAILURE: return "Server could not be started";
    case RPC_E_CHANGED_MODE: return "Thread already initialised with another concurrency model";
    default: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "Error 0x%08X", static_cast<unsigned>(hr));
        return buf;
    }
    }
}

} // namespace platform::automation

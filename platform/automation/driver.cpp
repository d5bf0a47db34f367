#include "platform/automation/driver.h"

#include "platform/automation/activation.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/error_info.h"

#include <string>
#include <vector>

namespace platform::automation {

namespace {

std::string describe(HRESULT hr, std::string description)
{
    return description.empty() ? hresult_text(hr) : description;
}

std::string read(IErrorInfo* info, HRESULT (IErrorInfo::*get)(BSTR*))
{
    BSTR s = nullptr;
    if ((info->*get)(&s) < 0)
        return {};
    return bstr_t::attach(s).str();
}

} // namespace

automation_error::automation_error(HRESULT hr, std::string source, std::string description,
                                   std::uint16_t code)
    : std::runtime_error(describe(hr, description)), hr_(hr), source_(std::move(source)),
      description_(describe(hr, std::move(description))), code_(code)
{
}

void throw_error(HRESULT hr, std::string_view source)
{
    com_ptr_t<IErrorInfo> info;
    if (GetErrorInfo(info.put()) == S_OK && info)
        throw automation_error(hr, read(info.get(), &IErrorInfo::GetSource),
                               read(info.get(), &IErrorInfo::GetDescription));
    throw automation_error(hr, std::string(source), {});
}

dispatch_driver_t dispatch_driver_t::create(std::string_view progid_or_clsid)
{
    com_ptr_t<IDispatch> object;
    const HRESULT hr = create_object(progid_or_clsid, object.put());
    if (hr < 0)
        throw_error(hr, progid_or_clsid);
    return dispatch_driver_t(std::move(object));
}

DISPID dispatch_driver_t::id_of(std::string_view name) const
{
    if (!object_)
        throw automation_error(E_POINTER, {}, "No object");
    const std::string text(name);
    const char* names[] = {text.c_str()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = object_->GetIDsOfNames(GUID_NULL, names, 1, 0, &id);
    if (hr >= 0)
        return id;
    if (hr == DISP_E_UNKNOWNNAME) {
        // The object says which names it has, when it can.
        SetErrorInfo(nullptr);
        std::vector<VARIANT> args{variant_t(std::string_view(text)).detach()};
        DISPPARAMS params{args.data(), nullptr, 1, 0};
        variant_t ignored;
        EXCEPINFO excep;
        unsigned arg_err = 0;
        const HRESULT why = object_->Invoke(DISPID_EXPLAIN_NAME, GUID_NULL, 0,
                                            DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                                            &ignored, &excep, &arg_err);
        VariantClear(&args[0]);
        if (why == DISP_E_EXCEPTION)
            clear_excepinfo(excep);
        com_ptr_t<IErrorInfo> info;
        if (why == DISP_E_UNKNOWNNAME && GetErrorInfo(info.put()) == S_OK && info)
            throw automation_error(hr, read(info.get(), &IErrorInfo::GetSource),
                                   read(info.get(), &IErrorInfo::GetDescription));
        throw automation_error(hr, {}, "Unknown member " + text);
    }
    throw automation_error(hr, {}, hresult_text(hr) + ": " + text);
}

variant_t dispatch_driver_t::invoke(DISPID id, std::uint16_t flags,
                                    const std::vector<variant_t>& args) const
{
    if (!object_)
        throw automation_error(E_POINTER, {}, "No object");
    // The callee reads the arguments last first; it does not own them.
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS params;
    params.rgvarg = reversed.empty() ? nullptr : reversed.data();
    params.cArgs = static_cast<unsigned>(reversed.size());
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &put_id;
        params.cNamedArgs = 1;
    }
    variant_t result;
    EXCEPINFO excep;
    unsigned arg_err = 0;
    // A refused call may leave error information too; none of an earlier call's may show.
    SetErrorInfo(nullptr);
    const HRESULT hr = object_->Invoke(id, GUID_NULL, 0, flags, &params, &result, &excep, &arg_err);
    if (hr >= 0)
        return result;
    if (hr == DISP_E_EXCEPTION) {
        if (excep.pfnDeferredFillIn)
            excep.pfnDeferredFillIn(&excep);
        const HRESULT code = excep.scode != 0 ? excep.scode : hr;
        std::string source(bstr_view(excep.bstrSource));
        std::string description(bstr_view(excep.bstrDescription));
        const std::uint16_t wcode = excep.wCode;
        clear_excepinfo(excep);
        throw automation_error(code, std::move(source), std::move(description), wcode);
    }
    clear_excepinfo(excep);
    throw_error(hr);
}

std::int32_t dispatch_driver_t::to_int(const variant_t& v)
{
    variant_t out;
    const HRESULT hr = v.change_type(VT_I4, out);
    if (hr < 0)
        throw automation_error(hr, {}, {});
    return out.lVal;
}

std::string dispatch_driver_t::to_string(const variant_t& v)
{
    variant_t out;
    const HRESULT hr = v.change_type(VT_BSTR, out);
    if (hr < 0)
        throw automation_error(hr, {}, {});
    return std::string(bstr_view(out.bstrVal));
}

dispatch_driver_t dispatch_driver_t::to_object(const variant_t& v)
{
    variant_t out;
    const HRESULT hr = v.change_type(VT_DISPATCH, out);
    if (hr < 0)
        throw automation_error(hr, {}, {});
    return dispatch_driver_t(com_ptr_t<IDispatch>::attach(out.detach().pdispVal));
}

} // namespace platform::automation

#include "platform/automation/dispatch.h"

#include "platform/text/ascii.h"

#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace platform::automation {

namespace {

using platform::text::equals_no_case;

// The members a DISPID names, one of each kind at most.
struct members_by_kind_t {
    const member_t* method = nullptr;
    const member_t* get = nullptr;
    const member_t* put = nullptr;
};

members_by_kind_t members_of(const dispatch_class_t& cls, DISPID id)
{
    members_by_kind_t found;
    for (const auto& m : cls.members) {
        if (m.dispid != id)
            continue;
        switch (m.kind) {
        case member_kind::method: found.method = &m; break;
        case member_kind::property_get: found.get = &m; break;
        case member_kind::property_put: found.put = &m; break;
        }
    }
    return found;
}

// The member a call reaches: a put flag asks for the property put; otherwise
// a method flag for the method and a get flag for the property get. E_INVALIDARG
// when a put is mixed with a method or get flag.
HRESULT select_member(const dispatch_class_t& cls, DISPID id, std::uint16_t flags,
                      const member_t*& target)
{
    const auto [method, get, put] = members_of(cls, id);
    if (!method && !get && !put)
        return DISP_E_MEMBERNOTFOUND;
    target = nullptr;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))
            return E_INVALIDARG;
        // No member is put by reference.
        if (flags & DISPATCH_PROPERTYPUT)
            target = put;
    } else {
        if ((flags & DISPATCH_METHOD) && method)
            target = method;
        else if ((flags & DISPATCH_PROPERTYGET) && get)
            target = get;
    }
    return target ? S_OK : DISP_E_MEMBERNOTFOUND;
}

class converted_args_t {
public:
    explicit converted_args_t(std::size_t n) : args_(n), owned_(n, false) {}
    ~converted_args_t()
    {
        for (std::size_t i = 0; i < args_.size(); ++i)
            if (owned_[i])
                VariantClear(&args_[i]);
    }
    converted_args_t(const converted_args_t&) = delete;
    converted_args_t& operator=(const converted_args_t&) = delete;

    // Fills argument i (signature order) from src.
    HRESULT set(std::size_t i, const VARIANT& src, VARTYPE type)
    {
        if (type == VT_VARIANT) {
            args_[i] = src;
            return S_OK;
        }
        const HRESULT hr = VariantChangeType(&args_[i], &src, type);
        if (hr >= 0)
            owned_[i] = true;
        return hr;
    }
    VARIANT* data() { return args_.data(); }

private:
    std::vector<VARIANT> args_;
    std::vector<bool> owned_;
};

// The class's names, once each, in the order of its table.
std::string member_names(const dispatch_class_t& cls)
{
    std::string out;
    for (std::size_t i = 0; i < cls.members.size(); ++i) {
        const auto name = cls.members[i].name;
        bool seen = false;
        for (std::size_t j = 0; j < i && !seen; ++j)
            seen = equals_no_case(cls.members[j].name, name);
        if (seen)
            continue;
        if (!out.empty())
            out += ", ";
        out += name;
    }
    return out;
}

// A refused call still fails with hr when its text cannot be made.
template <class Text>
HRESULT refuse(const IID& iface, const dispatch_class_t& cls, HRESULT hr, Text&& text) noexcept
{
    try {
        set_error_info(iface, cls.error_source, text());
    } catch (...) {
    }
    return hr;
}

HRESULT explain_name(const IID& iface, const dispatch_class_t& cls, const DISPPARAMS& params)
{
    std::string_view name;
    if (params.cArgs == 1 && params.rgvarg && params.rgvarg[0].vt == VT_BSTR)
        name = bstr_view(params.rgvarg[0].bstrVal);
    return refuse(iface, cls, DISP_E_UNKNOWNNAME, [&] {
        return "Unknown member " + std::string(name) + "; members: " + member_names(cls);
    });
}

// Why the table has no member of the kind the flags ask for.
std::string not_found_text(const dispatch_class_t& cls, DISPID id, std::uint16_t flags)
{
    const auto [method, get, put] = members_of(cls, id);
    const member_t* any = method ? method : get ? get : put;
    if (!any)
        return "No member with DISPID " + std::to_string(id) + "; members: " + member_names(cls);
    const std::string name(any->name);
    if ((flags & DISPATCH_PROPERTYPUTREF) && !(flags & DISPATCH_PROPERTYPUT))
        return name + " cannot be set by reference";
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT)))
        return "The call of " + name + " asks for neither a method nor a property";
    if (flags & DISPATCH_PROPERTYPUT)
        return method && !get ? name + " is a method and cannot be set" : name + " is read-only";
    if (!method && !get)
        return name + " is write-only";
    if (method)
        return name + " is a method, not a property";
    return name + " is a property, not a method";
}

std::string count_text(std::size_t n, const char* what)
{
    if (n == 0)
        return std::string("no ") + what + "s";
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string param_count_text(const member_t& m, std::size_t given)
{
    const std::string name(m.name);
    if (m.kind == member_kind::property_put)
        return "setting " + name + " takes " + count_text(m.arg_count, "value") + ", not "
               + std::to_string(given);
    return name + " takes " + count_text(m.arg_count, "argument") + ", not "
           + std::to_string(given);
}

const char* type_text(VARTYPE vt)
{
    switch (vt) {
    case VT_I4: return "a 32-bit integer";
    case VT_UI4: return "an unsigned 32-bit integer";
    case VT_I2: return "a 16-bit integer";
    case VT_UI1: return "an integer from 0 to 255";
    case VT_R8: return "a number";
    case VT_BOOL: return "true or false";
    case VT_BSTR: return "text";
    case VT_DISPATCH: return "an object (or nothing)";
    default: return "of another type";
    }
}

std::string type_mismatch_text(const member_t& m, std::size_t index)
{
    const std::string name(m.name);
    if (m.kind == member_kind::property_put && index + 1 == m.arg_count)
        return "the value of " + name + " must be " + type_text(m.arg_types[index]);
    return name + ": argument " + std::to_string(index + 1) + " must be "
           + type_text(m.arg_types[index]);
}

void fill_excepinfo(EXCEPINFO* excep, HRESULT hr)
{
    if (!excep)
        return;
    *excep = EXCEPINFO{};
    excep->scode = hr;
    com_ptr_t<IErrorInfo> info;
    if (GetErrorInfo(info.put()) == S_OK && info) {
        info->GetSource(&excep->bstrSource);
        info->GetDescription(&excep->bstrDescription);
    }
}

} // namespace

HRESULT dispatch_get_ids_of_names(const dispatch_class_t& cls, const IID& riid,
                                  const char* const* names, unsigned count, DISPID* ids)
{
    if (!names || !ids)
        return E_POINTER;
    if (!(riid == GUID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    for (unsigned i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    if (count == 0)
        return E_INVALIDARG;
    if (!names[0])
        return DISP_E_UNKNOWNNAME;
    const std::string_view wanted(names[0]);
    for (const auto& m : cls.members) {
        if (equals_no_case(m.name, wanted)) {
            ids[0] = m.dispid;
            // Arguments are passed by position only; their names mean nothing here.
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT dispatch_invoke(void* self, const dispatch_class_t& cls, const IID& iface, DISPID id,
                        const IID& riid, std::uint16_t flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excep, unsigned* arg_err)
{
    if (!params)
        return E_POINTER;
    if (!(riid == GUID_NULL))
        return DISP_E_UNKNOWNINTERFACE;

    const member_t* target = nullptr;
    HRESULT hr = select_member(cls, id, flags, target);
    if (hr == DISP_E_MEMBERNOTFOUND && id == DISPID_EXPLAIN_NAME)
        return explain_name(iface, cls, *params);
    if (hr == DISP_E_MEMBERNOTFOUND)
        return refuse(iface, cls, hr, [&] { return not_found_text(cls, id, flags); });
    if (hr < 0)
        return hr;

    if (params->cNamedArgs > 0) {
        // The only named argument there is: the value of a property put.
        if (!params->rgdispidNamedArgs)
            return E_INVALIDARG;
        if (target->kind != member_kind::property_put || params->cNamedArgs > 1
            || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_NONAMEDARGS;
    }
    if (params->cArgs != target->arg_count)
        return refuse(iface, cls, DISP_E_BADPARAMCOUNT,
                      [&] { return param_count_text(*target, params->cArgs); });
    if (params->cArgs > 0 && !params->rgvarg)
        return E_INVALIDARG;

    const std::size_t n = target->arg_count;
    try {
        converted_args_t args(n);
        for (std::size_t i = 0; i < n; ++i) {
            // rgvarg holds the arguments last first.
            const std::size_t slot = n - 1 - i;
            hr = args.set(i, params->rgvarg[slot], target->arg_types[i]);
            if (hr < 0) {
                if (arg_err)
                    *arg_err = static_cast<unsigned>(slot);
                if (hr == E_OUTOFMEMORY)
                    return hr;
                return refuse(iface, cls, DISP_E_TYPEMISMATCH,
                              [&] { return type_mismatch_text(*target, i); });
            }
        }

        // Only what this call leaves may reach the caller.
        SetErrorInfo(nullptr);
        variant_t out;
        try {
            hr = target->call(self, args.data(), &out);
        } catch (const std::bad_alloc&) {
            hr = E_OUTOFMEMORY;
        } catch (const std::exception& e) {
            set_error_info(iface, cls.error_source, e.what());
            hr = DISP_E_EXCEPTION;
        } catch (...) {
            set_error_info(iface, cls.error_source,
                           "Unknown error in " + std::string(cls.class_name)
                               + "::" + std::string(target->name) + "().");
            hr = DISP_E_EXCEPTION;
        }
        if (hr < 0) {
            out.clear();
            fill_excepinfo(excep, hr);
            return DISP_E_EXCEPTION;
        }
        if (result && target->result_type != VT_EMPTY)
            *result = out.detach();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace platform::automation

#pragma once
// The base of automation classes: reference counting, QueryInterface,
// error information and an IDispatch driven by a table of members that the
// class declares once.
//
//   class Cthing : public dispatch_object_t<Cthing, Ithing> {
//   public:
//       static const dispatch_class_t& dispatch_class();
//       HRESULT add(std::int32_t a, std::int32_t b, std::int32_t* sum);
//       HRESULT get_name(BSTR* out);
//       HRESULT put_name(BSTR value);
//   };
//
//   const dispatch_class_t& Cthing::dispatch_class()
//   {
//       static const member_t members[] = {
//           method<&Cthing::add>("add", 1),
//           property_get<&Cthing::get_name>("name", 2),
//           property_put<&Cthing::put_name>("name", 2),
//       };
//       static const dispatch_class_t cls{"Cthing", "Server.thing.1", members};
//       return cls;
//   }
//
// Argument and result types come from the member's signature. In-arguments:
// std::int32_t (I4), std::uint32_t (UI4), std::int16_t (I2), std::uint8_t (UI1),
// double (R8), VARIANT_BOOL or bool (BOOL), BSTR, IDispatch*, and
// const VARIANT& (passed as the caller sent it). A last parameter that
// points at one of those types (BSTR*, IDispatch**, VARIANT*, ...) is the
// result. In-arguments stay the caller's: a member that keeps a BSTR copies
// it, one that keeps an IDispatch* adds a reference. A result BSTR or
// object is handed to the caller; on a failure result it is freed.
//
// Invoke picks the member by DISPID and flags: a put flag selects the
// property put; otherwise a method flag selects a method, and a get flag a
// property get (so METHOD|PROPERTYGET reaches either). A failing member
// makes Invoke return DISP_E_EXCEPTION with the EXCEPINFO filled from the
// thread's error information (scode = the member's result); an exception
// escaping a member is turned into error information the same way.
//
// A call the table refuses (no such member or not of that kind, the wrong
// number of arguments, an argument of the wrong type) returns its own
// failure and leaves error information that names the class's ProgID and
// the member, so that a person reading the failure knows what to change.
#include "platform/automation/com_ptr.h"
#include "platform/automation/error_info.h"
#include "platform/automation/interfaces.h"
#include "platform/automation/module.h"
#include "platform/automation/object.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

namespace platform::automation {

enum class member_kind : std::uint8_t { method, property_get, property_put };

struct member_t {
    std::string_view name;
    DISPID dispid = 0;
    member_kind kind = member_kind::method;
    const VARTYPE* arg_types = nullptr; // in signature order; VT_VARIANT: unconverted
    std::size_t arg_count = 0;
    VARTYPE result_type = VT_EMPTY; // VT_EMPTY: no result
    // Calls the member; `args` hold the converted arguments in signature order.
    HRESULT (*call)(void* self, VARIANT* args, VARIANT* result) = nullptr;
};

// Invoked with one argument, a name, this DISPID fails as GetIDsOfNames
// fails for that name (DISP_E_UNKNOWNNAME) and leaves error information
// naming the class and listing the names it has. Name look-ups carry no
// error information across the bus, so a client that wants to tell its user
// what was meant asks this way; no class gives a member this DISPID.
inline constexpr DISPID DISPID_EXPLAIN_NAME = -1100;

struct dispatch_class_t {
    // The C++ class, for the text of a failure nobody expected.
    std::string_view class_name;
    // Source of the error information (the class's ProgID).
    std::string_view error_source;
    std::span<const member_t> members;
};

// The table-driven parts of IDispatch, shared by every class.
HRESULT dispatch_get_ids_of_names(const dispatch_class_t& cls, const IID& riid,
                                  const char* const* names, unsigned count, DISPID* ids);
HRESULT dispatch_invoke(void* self, const dispatch_class_t& cls, const IID& iface, DISPID id,
                        const IID& riid, std::uint16_t flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excep, unsigned* arg_err);

namespace detail {

template <class A>
struct in_arg;

template <VARTYPE V, class A, A VARIANT::*F>
struct simple_in {
    static constexpr VARTYPE vt = V;
    static A get(VARIANT& v) { return v.*F; }
};

template <> struct in_arg<std::int32_t> : simple_in<VT_I4, std::int32_t, &VARIANT::lVal> {};
template <> struct in_arg<std::uint32_t> : simple_in<VT_UI4, std::uint32_t, &VARIANT::ulVal> {};
template <> struct in_arg<std::int16_t> : simple_in<VT_I2, std::int16_t, &VARIANT::iVal> {};
template <> struct in_arg<std::uint8_t> : simple_in<VT_UI1, std::uint8_t, &VARIANT::bVal> {};
template <> struct in_arg<double> : simple_in<VT_R8, double, &VARIANT::dblVal> {};
template <> struct in_arg<VARIANT_BOOL> : simple_in<VT_BOOL, VARIANT_BOOL, &VARIANT::boolVal> {};
template <> struct in_arg<BSTR> : simple_in<VT_BSTR, BSTR, &VARIANT::bstrVal> {};
template <> struct in_arg<IDispatch*> : simple_in<VT_DISPATCH, IDispatch*, &VARIANT::pdispVal> {};
template <> struct in_arg<bool> {
    static constexpr VARTYPE vt = VT_BOOL;
    static bool get(VARIANT& v) { return v.boolVal != VARIANT_FALSE; }
};
template <> struct in_arg<const VARIANT&> {
    static constexpr VARTYPE vt = VT_VARIANT;
    static const VARIANT& get(VARIANT& v) { return v; }
};

template <class R>
struct out_arg {
    static constexpr bool is_result = false;
};

template <VARTYPE V, class R, R VARIANT::*F>
struct simple_out {
    static constexpr bool is_result = true;
    static constexpr VARTYPE vt = V;
    static void store(R& r, VARIANT* out)
    {
        out->vt = V;
        out->*F = r;
    }
    static void discard(R&) {}
};

template <> struct out_arg<std::int32_t*> : simple_out<VT_I4, std::int32_t, &VARIANT::lVal> {};
template <> struct out_arg<std::uint32_t*> : simple_out<VT_UI4, std::uint32_t, &VARIANT::ulVal> {};
template <> struct out_arg<std::int16_t*> : simple_out<VT_I2, std::int16_t, &VARIANT::iVal> {};
template <> struct out_arg<std::uint8_t*> : simple_out<VT_UI1, std::uint8_t, &VARIANT::bVal> {};
template <> struct out_arg<double*> : simple_out<VT_R8, double, &VARIANT::dblVal> {};
template <> struct out_arg<VARIANT_BOOL*> : simple_out<VT_BOOL, VARIANT_BOOL, &VARIANT::boolVal> {};
template <> struct out_arg<BSTR*> : simple_out<VT_BSTR, BSTR, &VARIANT::bstrVal> {
    static void discard(BSTR& r) { SysFreeString(r); }
};
template <> struct out_arg<IDispatch**> : simple_out<VT_DISPATCH, IDispatch*, &VARIANT::pdispVal> {
    static void discard(IDispatch*& r)
    {
        if (r)
            r->Release();
    }
};
template <> struct out_arg<VARIANT*> {
    static constexpr bool is_result = true;
    static constexpr VARTYPE vt = VT_VARIANT;
    static void store(VARIANT& r, VARIANT* out) { *out = r; }
    static void discard(VARIANT& r) { VariantClear(&r); }
};

template <class F>
struct member_signature;

template <class T, class... P>
struct member_signature<HRESULT (T::*)(P...)> {
    using object = T;
    using params = std::tuple<P...>;
};
template <class T, class... P>
struct member_signature<HRESULT (T::*)(P...) const> : member_signature<HRESULT (T::*)(P...)> {};
template <class T, class... P>
struct member_signature<HRESULT (T::*)(P...) noexcept> : member_signature<HRESULT (T::*)(P...)> {};
template <class T, class... P>
struct member_signature<HRESULT (T::*)(P...) const noexcept>
    : member_signature<HRESULT (T::*)(P...)> {};

template <auto Fn>
struct member_binding {
    using sig = member_signature<decltype(Fn)>;
    using object = typename sig::object;
    using params = typename sig::params;
    static constexpr std::size_t param_count = std::tuple_size_v<params>;

    template <std::size_t N, bool = (N > 0)>
    struct last_is_result : std::false_type {};
    template <std::size_t N>
    struct last_is_result<N, true>
        : std::bool_constant<out_arg<std::tuple_element_t<N - 1, params>>::is_result> {};

    static constexpr bool has_result = last_is_result<param_count>::value;
    static constexpr std::size_t in_count = param_count - (has_result ? 1 : 0);

    template <std::size_t... I>
    static constexpr std::array<VARTYPE, in_count> make_types(std::index_sequence<I...>)
    {
        return {in_arg<std::tuple_element_t<I, params>>::vt...};
    }
    static constexpr std::array<VARTYPE, in_count> arg_types =
        make_types(std::make_index_sequence<in_count>{});

    static constexpr VARTYPE result_type()
    {
        if constexpr (has_result)
            return out_arg<std::tuple_element_t<param_count - 1, params>>::vt;
        else
            return VT_EMPTY;
    }

    template <std::size_t... I>
    static HRESULT call_with(object* self, VARIANT* args, VARIANT* result, std::index_sequence<I...>)
    {
        if constexpr (has_result) {
            using out = out_arg<std::tuple_element_t<param_count - 1, params>>;
            std::remove_pointer_t<std::tuple_element_t<param_count - 1, params>> r{};
            const HRESULT hr = (self->*Fn)(in_arg<std::tuple_element_t<I, params>>::get(args[I])..., &r);
            if (hr < 0)
                out::discard(r);
            else
                out::store(r, result);
            return hr;
        } else {
            (void)args;
            (void)result;
            return (self->*Fn)(in_arg<std::tuple_element_t<I, params>>::get(args[I])...);
        }
    }

    static HRESULT call(void* self, VARIANT* args, VARIANT* result)
    {
        return call_with(static_cast<object*>(self), args, result,
                         std::make_index_sequence<in_count>{});
    }

    static constexpr member_t make(std::string_view name, DISPID id, member_kind kind)
    {
        return member_t{name, id, kind, arg_types.data(), in_count, result_type(), &call};
    }
};

} // namespace detail

template <auto Fn>
constexpr member_t method(std::string_view name, DISPID id)
{
    return detail::member_binding<Fn>::make(name, id, member_kind::method);
}

template <auto Fn>
constexpr member_t property_get(std::string_view name, DISPID id)
{
    static_assert(detail::member_binding<Fn>::has_result, "a property get returns a value");
    return detail::member_binding<Fn>::make(name, id, member_kind::property_get);
}

template <auto Fn>
constexpr member_t property_put(std::string_view name, DISPID id)
{
    using b = detail::member_binding<Fn>;
    static_assert(!b::has_result && b::in_count >= 1, "a property put takes the value last");
    return b::make(name, id, member_kind::property_put);
}

// T: the class (declares `static const dispatch_class_t& dispatch_class()`);
// Interface: its dual interface (IDispatch itself, or one derived from it
// with its own `iid`). The object answers QueryInterface for IUnknown,
// IDispatch, Interface, ISupportErrorInfo (supported for Interface) and, when
// T declares `static constexpr IID implementation_iid`, for that one (see
// implementation_cast). Each living object holds its module.
template <class T, class Interface = IDispatch>
class dispatch_object_t : public Interface, public ISupportErrorInfo {
    static_assert(std::is_base_of_v<IDispatch, Interface>);
    static_assert(std::is_same_v<Interface, IDispatch> || !(Interface::iid == IDispatch::iid),
                  "the interface must declare its own iid");

public:
    dispatch_object_t(const dispatch_object_t&) = delete;
    dispatch_object_t& operator=(const dispatch_object_t&) = delete;

    HRESULT QueryInterface(const IID& riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid == IUnknown::iid || riid == IDispatch::iid || riid == Interface::iid)
            *out = static_cast<Interface*>(this);
        else if (riid == ISupportErrorInfo::iid)
            *out = static_cast<ISupportErrorInfo*>(this);
        else if (is_implementation_iid(riid))
            *out = static_cast<T*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    std::uint32_t AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

    std::uint32_t Release() override
    {
        const std::uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT GetTypeInfoCount(unsigned* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }

    HRESULT GetTypeInfo(unsigned, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return DISP_E_BADINDEX;
    }

    HRESULT GetIDsOfNames(const IID& riid, const char* const* names, unsigned count, LCID,
                          DISPID* ids) override
    {
        return dispatch_get_ids_of_names(T::dispatch_class(), riid, names, count, ids);
    }

    HRESULT Invoke(DISPID id, const IID& riid, LCID, std::uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excep, unsigned* arg_err) override
    {
        return dispatch_invoke(static_cast<T*>(this), T::dispatch_class(), Interface::iid, id, riid,
                               flags, params, result, excep, arg_err);
    }

    HRESULT InterfaceSupportsErrorInfo(const IID& riid) override
    {
        return riid == Interface::iid ? S_OK : S_FALSE;
    }

protected:
    // Hidden, like this_module(): each library counts its own objects.
    OSTREL_AUTOMATION_HIDDEN dispatch_object_t() noexcept { this_module().lock(); }
    OSTREL_AUTOMATION_HIDDEN virtual ~dispatch_object_t() { this_module().unlock(); }

    // Leaves error information for the caller (source: the class's ProgID,
    // or `source`) and gives the result a failing member returns.
    static HRESULT error(std::string_view description)
    {
        return error(T::dispatch_class().error_source, description);
    }
    static HRESULT error(std::string_view source, std::string_view description)
    {
        set_error_info(GUID_NULL, source, description);
        return DISP_E_EXCEPTION;
    }

private:
    static bool is_implementation_iid(const IID& riid)
    {
        if constexpr (requires { T::implementation_iid; })
            return riid == T::implementation_iid;
        else
            return false;
    }

    std::atomic<std::uint32_t> refs_{0};
};

} // namespace platform::automation

#pragma once
// Late-bound element access of the servers' vector classes: besides their
// members (`length`, `at`), a vector answers the dispatch name "n" (a
// decimal number) with DISPID 256 + n, and a pure property get of that
// DISPID gives element n.
//
//   class Cvec : public vector_dispatch_t<Cvec, Ivec> {
//   public:
//       static const dispatch_class_t& dispatch_class();
//       static constexpr element_access_t element_access{"Server vector"};
//       std::uint32_t element_count();
//       HRESULT element(std::uint32_t index, VARIANT* out); // a new value for the caller
//   };
#include "platform/automation/dispatch.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::automation {

inline constexpr DISPID element_dispid_base = 256;
// EXCEPINFO wCode of an element DISPID beyond the end.
inline constexpr std::uint16_t element_index_error_code = 1001;

enum class element_check {
    // A call that is not a pure property get fails before the index is looked at.
    flags_first,
    // An index beyond the end fails whatever the flags.
    range_first,
};

struct element_access_t {
    // Source of the EXCEPINFO for an index beyond the end.
    std::string_view error_source;
    element_check order = element_check::flags_first;
};

// The index a dispatch name stands for, read as "%u" reads it: blanks, an
// optional '+', then digits up to the first other character ("2a" is 2).
// A name of blanks only, or empty, stands for 0. Null when the name does not
// start with a number, or the number's DISPID would not fit.
std::optional<std::uint32_t> element_index_of_name(std::string_view name);

// "Illegal index %i for vector with %i element(s)."
std::string illegal_index_text(std::int64_t index, std::int64_t count);

// The first of `names` that is a number gets its element DISPID and the
// call succeeds; null when none is (the names then go to the member table).
std::optional<HRESULT> element_ids_of_names(const char* const* names, unsigned count, DISPID* ids);

// Invoke of an element DISPID (>= 256).
HRESULT element_invoke(DISPID id, std::uint16_t flags, std::uint32_t count,
                       const element_access_t& access,
                       HRESULT (*get)(void* self, std::uint32_t index, VARIANT* out), void* self,
                       VARIANT* result, EXCEPINFO* excep);

template <class T, class Interface = IDispatch>
class vector_dispatch_t : public dispatch_object_t<T, Interface> {
    using base = dispatch_object_t<T, Interface>;

public:
    HRESULT GetIDsOfNames(const IID& riid, const char* const* names, unsigned count, LCID lcid,
                          DISPID* ids) override
    {
        if (!names || !ids)
            return E_POINTER;
        if (const auto hr = element_ids_of_names(names, count, ids))
            return *hr;
        return base::GetIDsOfNames(riid, names, count, lcid, ids);
    }

    HRESULT Invoke(DISPID id, const IID& riid, LCID lcid, std::uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excep, unsigned* arg_err) override
    {
        if (id < element_dispid_base)
            return base::Invoke(id, riid, lcid, flags, params, result, excep, arg_err);
        T* self = static_cast<T*>(this);
        return element_invoke(id, flags, self->element_count(), T::element_access, &get_element,
                              self, result, excep);
    }

private:
    static HRESULT get_element(void* self, std::uint32_t index, VARIANT* out)
    {
        return static_cast<T*>(self)->element(index, out);
    }
};

} // namespace platform::automation

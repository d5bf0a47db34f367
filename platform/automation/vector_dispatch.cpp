#include "platform/automation/vector_dispatch.h"

#include <limits>

namespace platform::automation {

std::optional<std::uint32_t> element_index_of_name(std::string_view name)
{
    std::size_t i = 0;
    while (i < name.size() && (name[i] == ' ' || name[i] == '\t' || name[i] == '\n'
                               || name[i] == '\r' || name[i] == '\f' || name[i] == '\v'))
        ++i;
    // Nothing to read counts as 0, as reading "%u" from it leaves 0 behind.
    if (i == name.size())
        return 0u;
    if (name[i] == '+')
        ++i;
    if (i == name.size() || name[i] < '0' || name[i] > '9')
        return std::nullopt;
    constexpr std::uint64_t limit =
        static_cast<std::uint64_t>(std::numeric_limits<DISPID>::max()) - element_dispid_base;
    std::uint64_t n = 0;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        n = n * 10 + static_cast<std::uint64_t>(name[i] - '0');
        if (n > limit)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(n);
}

std::string illegal_index_text(std::int64_t index, std::int64_t count)
{
    return "Illegal index " + std::to_string(index) + " for vector with " + std::to_string(count)
        + " element(s).";
}

std::optional<HRESULT> element_ids_of_names(const char* const* names, unsigned count, DISPID* ids)
{
    for (unsigned i = 0; i < count; ++i) {
        if (!names[i])
            continue;
        if (const auto n = element_index_of_name(names[i])) {
            for (unsigned j = 0; j < count; ++j)
                ids[j] = DISPID_UNKNOWN;
            ids[i] = element_dispid_base + static_cast<DISPID>(*n);
            return S_OK;
        }
    }
    return std::nullopt;
}

HRESULT element_invoke(DISPID id, std::uint16_t flags, std::uint32_t count,
                       const element_access_t& access,
                       HRESULT (*get)(void* self, std::uint32_t index, VARIANT* out), void* self,
                       VARIANT* result, EXCEPINFO* excep)
{
    const auto index = static_cast<std::uint32_t>(id - element_dispid_base);
    const bool pure_get = flags == DISPATCH_PROPERTYGET;
    const bool in_range = index < count;
    if (access.order == element_check::flags_first && !pure_get)
        return DISP_E_TYPEMISMATCH;
    if (!in_range) {
        if (excep) {
            *excep = EXCEPINFO{};
            excep->wCode = element_index_error_code;
            excep->bstrSource = SysAllocString(access.error_source);
            excep->bstrDescription = SysAllocString(illegal_index_text(index, count));
        }
        return DISP_E_EXCEPTION;
    }
    if (!pure_get)
        return DISP_E_TYPEMISMATCH;
    variant_t out;
    const HRESULT hr = get(self, index, &out);
    if (hr < 0)
        return hr;
    if (result)
        *result = out.detach();
    return S_OK;
}

} // namespace platform::automation

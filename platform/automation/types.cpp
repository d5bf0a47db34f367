#include "platform/automation/types.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace platform::automation {

namespace {

// Layout of one block: uint32 byte count, the text, '\0'. The BSTR points
// at the text so that it reads as an ordinary C string.
constexpr std::size_t prefix_size = sizeof(std::uint32_t);

char* block_of(BSTR s) { return s - prefix_size; }

} // namespace

BSTR SysAllocString(std::string_view text)
{
    if (text.size() > std::numeric_limits<std::uint32_t>::max() - prefix_size - 1)
        return nullptr;
    auto* block = static_cast<char*>(std::malloc(prefix_size + text.size() + 1));
    if (!block)
        return nullptr;
    const auto count = static_cast<std::uint32_t>(text.size());
    std::memcpy(block, &count, prefix_size);
    if (!text.empty())
        std::memcpy(block + prefix_size, text.data(), text.size());
    block[prefix_size + text.size()] = '\0';
    return block + prefix_size;
}

void SysFreeString(BSTR s)
{
    if (s)
        std::free(block_of(s));
}

std::uint32_t SysStringLen(BSTR s)
{
    if (!s)
        return 0;
    std::uint32_t count = 0;
    std::memcpy(&count, block_of(s), prefix_size);
    return count;
}

std::string_view bstr_view(BSTR s)
{
    if (!s)
        return {};
    return std::string_view(s, SysStringLen(s));
}

bstr_t::bstr_t(std::string_view text) : p_(SysAllocString(text))
{
    if (!p_)
        throw std::bad_alloc();
}

bstr_t::bstr_t(const bstr_t& other) : p_(other.copy()) {}

bstr_t& bstr_t::operator=(const bstr_t& other)
{
    if (this != &other) {
        BSTR fresh = other.copy();
        SysFreeString(p_);
        p_ = fresh;
    }
    return *this;
}

bstr_t& bstr_t::operator=(bstr_t&& other) noexcept
{
    if (this != &other) {
        SysFreeString(p_);
        p_ = other.p_;
        other.p_ = nullptr;
    }
    return *this;
}

bstr_t bstr_t::attach(BSTR s)
{
    bstr_t b;
    b.p_ = s;
    return b;
}

BSTR bstr_t::detach()
{
    BSTR s = p_;
    p_ = nullptr;
    return s;
}

BSTR bstr_t::copy() const
{
    if (!p_)
        return nullptr;
    BSTR s = SysAllocString(view());
    if (!s)
        throw std::bad_alloc();
    return s;
}

void clear_excepinfo(EXCEPINFO& info)
{
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    info = EXCEPINFO{};
}

} // namespace platform::automation

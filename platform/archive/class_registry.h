#pragma once
// The classes a loading archive may create, by the name files carry.
#include <map>
#include <string>
#include <string_view>

#include "platform/archive/runtime_class.h"

namespace platform::archive {

class class_registry_t {
public:
    // Adds a class; adding the same record again does nothing. A different
    // record under a name already taken is a programming error
    // (std::logic_error).
    void add(const runtime_class_t& cls);

    // The class of that name (exact, case-sensitive), or null.
    const runtime_class_t* find(std::string_view name) const;

    std::size_t size() const { return classes_.size(); }

private:
    std::map<std::string, const runtime_class_t*, std::less<>> classes_;
};

} // namespace platform::archive

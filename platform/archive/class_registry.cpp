#include "platform/archive/class_registry.h"

#include <stdexcept>

namespace platform::archive {

void class_registry_t::add(const runtime_class_t& cls) {
    const auto [it, inserted] = classes_.emplace(cls.name, &cls);
    if (!inserted && it->second != &cls)
        throw std::logic_error(std::string("class_registry_t: two classes named ") + cls.name);
}

const runtime_class_t* class_registry_t::find(std::string_view name) const {
    const auto it = classes_.find(name);
    return it == classes_.end() ? nullptr : it->second;
}

} // namespace platform::archive

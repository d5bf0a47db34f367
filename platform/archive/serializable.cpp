#include "platform/archive/serializable.h"

namespace platform::archive {

constinit const runtime_class_t serializable_t::class_record{
    "serializable_t", 0, sizeof(serializable_t), nullptr, nullptr};

} // namespace platform::archive

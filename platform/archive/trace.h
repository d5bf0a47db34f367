#pragma once
// What a loading archive reports to an observer while it reads the object
// structure: arrays, object tags and base-class references, each with the
// offset of its tag. archive-dump prints them as a tree.
#include <cstdint>

#include "platform/archive/runtime_class.h"

namespace platform::archive {

struct trace_event_t {
    enum class kind_t {
        array_begin, // count = element count
        array_end,
        null_object,      // a null object tag
        object_reference, // index = the earlier object, cls = its class
        object_begin,     // index = the new object's index, cls with class_index/new_class/schema
        object_end,
        base_class, // a class reference read by SerializeClass
    };
    kind_t kind;
    std::uint64_t offset = 0;
    std::uint32_t count = 0;
    std::uint32_t index = 0;
    const runtime_class_t* cls = nullptr;
    std::uint32_t class_index = 0;
    bool new_class = false;
    // The schema the file holds for the class (remembered from its first tag).
    std::uint32_t schema = 0;
};

class trace_sink_t {
public:
    virtual ~trace_sink_t() = default;
    virtual void on_trace(const trace_event_t& event) = 0;
};

} // namespace platform::archive

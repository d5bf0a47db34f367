#pragma once
// Runtime class record of a serializable class: what an archive needs to
// write a class tag, to create an object by the name it reads back, and to
// check that an object belongs to the family a caller expects.
//
// Records are compared by address; each class has exactly one. They are
// plain aggregates so that the records made by ARCHIVE_IMPLEMENT_SERIAL are
// constant-initialised and can be used during static initialisation.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform::archive {

class serializable_t;
struct runtime_class_t;

// Creates a default-constructed object of the class. The record is passed in
// so that one function can serve classes that are described at run time.
using factory_t = std::unique_ptr<serializable_t> (*)(const runtime_class_t& self);

struct runtime_class_t {
    // Class name as written into archives (ASCII, no terminator stored).
    const char* name;
    // Schema number written with the class; every class is versionable: a
    // loader receives the number the file holds and decides what to read.
    std::uint16_t schema;
    std::size_t object_size;
    // Direct base class; null only for the object base itself.
    const runtime_class_t* base;
    // Null for classes that cannot be created (abstract ones).
    factory_t create;

    // True when this class is `other` or derives from it.
    bool IsDerivedFrom(const runtime_class_t& other) const {
        for (const runtime_class_t* c = this; c != nullptr; c = c->base)
            if (c == &other)
                return true;
        return false;
    }

    // A new default-constructed object, or null when the class is abstract.
    std::unique_ptr<serializable_t> CreateObject() const;
};

} // namespace platform::archive

#pragma once
// Base of every object that an archive can store and create by class name.
//
// A serializable class declares itself with ARCHIVE_DECLARE_SERIAL(Class) in
// its body and defines its record with ARCHIVE_IMPLEMENT_SERIAL(Class, Base,
// schema) in one source file, inside the class's namespace. The record's name
// is the class name as written (unqualified), which is what files carry.
// Records are not registered by these macros: loaders list the classes they
// accept in a class_registry_t, so nothing depends on which object files the
// linker happened to keep.
#include <memory>
#include <type_traits>

#include "platform/archive/runtime_class.h"

namespace platform::archive {

class archive_t;

class serializable_t {
public:
    static const runtime_class_t class_record;

    virtual ~serializable_t() = default;

    virtual const runtime_class_t& GetRuntimeClass() const { return class_record; }

    // Stores or loads the object's fields (see archive_t::IsStoring). A derived
    // class writes its own fields, then SerializeClass(its base), then lets
    // the base serialize itself; loading mirrors storing.
    virtual void Serialize(archive_t& ar) = 0;

    bool IsKindOf(const runtime_class_t& family) const {
        return GetRuntimeClass().IsDerivedFrom(family);
    }

protected:
    serializable_t() = default;
    serializable_t(const serializable_t&) = default;
    serializable_t& operator=(const serializable_t&) = default;
};

// Factory used by ARCHIVE_IMPLEMENT_SERIAL.
template <class T> std::unique_ptr<serializable_t> create_object(const runtime_class_t&) {
    return std::make_unique<T>();
}

template <class T> constexpr factory_t factory_of() {
    if constexpr (std::is_abstract_v<T>)
        return nullptr;
    else
        return &create_object<T>;
}

inline std::unique_ptr<serializable_t> runtime_class_t::CreateObject() const {
    return create == nullptr ? nullptr : create(*this);
}

} // namespace platform::archive

#define ARCHIVE_DECLARE_SERIAL(cls)                                                                \
public:                                                                                            \
    static const ::platform::archive::runtime_class_t class_record;                                \
    const ::platform::archive::runtime_class_t& GetRuntimeClass() const override {                 \
        return class_record;                                                                       \
    }

// The record's base must be the class's C++ base: archives cast an object
// whose record derives from T's record to T.
#define ARCHIVE_IMPLEMENT_SERIAL(cls, base_cls, schema_number)                                     \
    static_assert(std::is_base_of_v<base_cls, cls>, #cls " must derive from " #base_cls);          \
    constinit const ::platform::archive::runtime_class_t cls::class_record {                       \
#cls, static_cast < std::uint16_t>(schema_number), sizeof(cls), &base_cls::class_record,   \
            ::platform::archive::factory_of < cls>()                                               \
    }

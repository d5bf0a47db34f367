#pragma once
// Creation of automation objects and their hand-over to callers.
#include "platform/automation/com_ptr.h"

#include <atomic>
#include <cstdint>
#include <utility>

namespace platform::automation {

// IUnknown for an object that offers one interface `I`: QueryInterface for
// IUnknown and I, an atomic reference count, deleted at the last Release.
template <class I>
class single_interface_t : public I {
public:
    virtual ~single_interface_t() = default;

    HRESULT QueryInterface(const IID& riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (riid == IUnknown::iid || riid == I::iid) {
            *out = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    std::uint32_t Release() override
    {
        const std::uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<std::uint32_t> refs_{0};
};

// A new object with one reference, held by the result. Throws what T's
// constructor throws (std::bad_alloc when memory runs out).
template <class T, class... A>
com_ptr_t<T> make_object(A&&... args)
{
    T* object = new T(std::forward<A>(args)...);
    object->AddRef();
    return com_ptr_t<T>::attach(object);
}

// Hands the object to a caller through an out parameter, with the reference
// `object` held.
template <class T, class I>
HRESULT hand_out(com_ptr_t<T> object, I** out)
{
    if (!out)
        return E_POINTER;
    *out = static_cast<I*>(object.detach());
    return S_OK;
}

// The object behind an interface pointer when it is an object of class T of
// this process (T declares `static constexpr IID implementation_iid`), with a
// new reference; null otherwise. This is how a server recognises its own
// objects among the arguments it receives.
template <class T, class I>
com_ptr_t<T> implementation_cast(I* p)
{
    if (!p)
        return {};
    void* raw = nullptr;
    if (p->QueryInterface(T::implementation_iid, &raw) != S_OK || !raw)
        return {};
    return com_ptr_t<T>::attach(static_cast<T*>(raw));
}

} // namespace platform::automation

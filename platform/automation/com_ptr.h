#pragma once
// Holds one reference to an automation object and gives it up when it goes.
#include "platform/automation/interfaces.h"

#include <utility>

namespace platform::automation {

template <class I>
class com_ptr_t {
public:
    com_ptr_t() noexcept = default;
    com_ptr_t(std::nullptr_t) noexcept {}
    // Takes a new reference.
    explicit com_ptr_t(I* p) noexcept : p_(p)
    {
        if (p_)
            p_->AddRef();
    }
    com_ptr_t(const com_ptr_t& other) noexcept : com_ptr_t(other.p_) {}
    com_ptr_t(com_ptr_t&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    com_ptr_t& operator=(const com_ptr_t& other) noexcept
    {
        com_ptr_t(other).swap(*this);
        return *this;
    }
    com_ptr_t& operator=(com_ptr_t&& other) noexcept
    {
        com_ptr_t(std::move(other)).swap(*this);
        return *this;
    }
    ~com_ptr_t() { reset(); }

    // Takes over a reference the caller already holds.
    static com_ptr_t attach(I* p) noexcept
    {
        com_ptr_t r;
        r.p_ = p;
        return r;
    }
    // Gives up the reference without releasing it.
    I* detach() noexcept { return std::exchange(p_, nullptr); }

    void reset() noexcept
    {
        if (I* p = std::exchange(p_, nullptr))
            p->Release();
    }
    // For calls that hand out a reference through an I** parameter.
    I** put() noexcept
    {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    I* get() const noexcept { return p_; }
    I* operator->() const noexcept { return p_; }
    I& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // QueryInterface for J; null when the object does not have it.
    template <class J>
    com_ptr_t<J> query() const noexcept
    {
        com_ptr_t<J> r;
        if (p_)
            p_->QueryInterface(J::iid, r.put_void());
        return r;
    }

    void swap(com_ptr_t& other) noexcept { std::swap(p_, other.p_); }

private:
    I* p_ = nullptr;
};

} // namespace platform::automation

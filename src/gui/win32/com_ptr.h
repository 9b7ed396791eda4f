// One counted reference to a COM interface: released when the holder goes, so that every path,
// the exceptional ones included, gives back what it took.
#pragma once

#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace scr {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(const ComPtr& other) : p_(other.p_) {
        if (p_ != nullptr) p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Takes over a reference the caller already owns (a new object's first one).
    static ComPtr Adopt(T* p) {
        ComPtr r;
        r.p_ = p;
        return r;
    }
    // Takes a reference of its own to p.
    static ComPtr Share(T* p) {
        if (p != nullptr) p->AddRef();
        return Adopt(p);
    }

    void Reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // The slot for an out parameter; what was held is released first.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // Asks the object for another of its interfaces.
    template <class U>
    HRESULT As(ComPtr<U>& out) const {
        if (p_ == nullptr) return E_POINTER;
        return p_->QueryInterface(__uuidof(U), out.PutVoid());
    }

private:
    T* p_ = nullptr;
};

}  // namespace scr

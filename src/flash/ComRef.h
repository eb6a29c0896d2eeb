// TComRef: owns one reference to a COM interface and releases it when it goes.
#pragma once

#include <unknwn.h>

#include <utility>

namespace flash {

template <typename T>
class TComRef {
public:
    TComRef() = default;
    // Takes over a reference the caller already holds (e.g. from QueryInterface).
    explicit TComRef(T* owned) : FPtr(owned) {}
    ~TComRef() { Reset(); }
    TComRef(TComRef&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    TComRef& operator=(TComRef&& other) noexcept {
        if (this != &other) {
            Reset();
            FPtr = std::exchange(other.FPtr, nullptr);
        }
        return *this;
    }
    TComRef(const TComRef&) = delete;
    TComRef& operator=(const TComRef&) = delete;

    T* operator->() const { return FPtr; }
    T* Get() const { return FPtr; }
    // For calls that hand back a new reference; whatever was held before is released first.
    T** Put() {
        Reset();
        return &FPtr;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    void Reset() {
        if (FPtr) std::exchange(FPtr, nullptr)->Release();
    }
    explicit operator bool() const { return FPtr != nullptr; }

    // The same object under another interface, or an empty reference.
    template <typename U>
    TComRef<U> As(REFIID iid) const {
        TComRef<U> other;
        if (FPtr) FPtr->QueryInterface(iid, other.PutVoid());
        return other;
    }

private:
    T* FPtr = nullptr;
};

} // namespace flash

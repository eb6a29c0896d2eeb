// Move-only owners for kernel object handles (files, events, timers, processes) and for
// directory searches. Both "no handle" values, null and INVALID_HANDLE_VALUE, count as none.
#pragma once
#include <windows.h>
#include <utility>

namespace ui {

namespace detail {
template <BOOL(WINAPI* Close)(HANDLE)>
class KernelOwner {
public:
    KernelOwner() = default;
    explicit KernelOwner(HANDLE h) : FHandle(h) {}
    KernelOwner(const KernelOwner&) = delete;
    KernelOwner& operator=(const KernelOwner&) = delete;
    KernelOwner(KernelOwner&& o) noexcept : FHandle(std::exchange(o.FHandle, nullptr)) {}
    KernelOwner& operator=(KernelOwner&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.FHandle, nullptr));
        return *this;
    }
    ~KernelOwner() { Reset(); }

    HANDLE Get() const { return FHandle; }
    bool Valid() const { return FHandle != nullptr && FHandle != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }
    // Takes ownership of h (the old handle is closed).
    void Reset(HANDLE h = nullptr) {
        if (Valid()) Close(FHandle);
        FHandle = h;
    }

private:
    HANDLE FHandle = nullptr;
};
}  // namespace detail

using KernelHandle = detail::KernelOwner<CloseHandle>;
using FindHandle = detail::KernelOwner<FindClose>;

}  // namespace ui

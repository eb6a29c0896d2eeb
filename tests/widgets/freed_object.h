// Catching code that touches an object after a handler of its own destroyed it.
//
// Kept<T> is a T whose storage is not given back when it is deleted: it is filled with 0xDD
// and kept until the end of the test. A write to a member after the deletion changes those
// bytes (TouchedAfterDelete() then says so), and a virtual call through the overwritten table
// crashes the test instead of passing by luck.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>
#include <windows.h>

namespace freed {

struct Block {
    void* Memory;
    std::size_t Size;
    bool Deleted;
};

inline std::vector<Block>& Blocks() {
    static std::vector<Block> blocks;
    return blocks;
}

constexpr unsigned char kPoison = 0xDD;

// Any deleted object whose bytes changed after its deletion.
inline bool TouchedAfterDelete() {
    for (const Block& b : Blocks()) {
        if (!b.Deleted) continue;
        const auto* bytes = static_cast<const unsigned char*>(b.Memory);
        if (std::any_of(bytes, bytes + b.Size, [](unsigned char c) { return c != kPoison; })) return true;
    }
    return false;
}

// Gives the kept storage of deleted objects back; call at the end of each test.
inline void ReleaseDeleted() {
    auto& blocks = Blocks();
    for (const Block& b : blocks)
        if (b.Deleted) HeapFree(GetProcessHeap(), 0, b.Memory);
    std::erase_if(blocks, [](const Block& b) { return b.Deleted; });
}

template <typename T>
class Kept : public T {
public:
    using T::T;

    // From the process heap rather than the global operator new: the storage outlives the
    // object on purpose, which the compiler would otherwise report as a mismatched delete.
    static void* operator new(std::size_t size) {
        void* memory = HeapAlloc(GetProcessHeap(), 0, size);
        if (!memory) throw std::bad_alloc();
        Blocks().push_back({memory, size, false});
        return memory;
    }
    static void operator delete(void* memory, std::size_t size) {
        for (Block& b : Blocks())
            if (b.Memory == memory) b.Deleted = true;
        std::memset(memory, kPoison, size);
    }
};

} // namespace freed

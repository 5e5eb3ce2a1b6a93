// An allocator whose elements start as the memory gives them: fresh pages
// come cleared from the kernel, and a buffer that its owner fills whole at
// once (on several threads) is not cleared a second time on one.
#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace kestrune {

template <typename T>
class TUnclearedAllocator : public std::allocator<T> {
    static_assert(std::is_trivially_default_constructible_v<T>);

public:
    template <typename U>
    struct rebind {
        using other = TUnclearedAllocator<U>;
    };

    TUnclearedAllocator() noexcept = default;
    template <typename U>
    TUnclearedAllocator(const TUnclearedAllocator<U>&) noexcept {}

    // Default construction leaves the element as it is; any other is the usual one.
    template <typename U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <typename U, typename... Args>
    void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

}  // namespace kestrune

#pragma once
// The deleter that hands an object back to the C library that made it:
//   std::unique_ptr<DIR, FreeWith<::closedir>>

namespace rlq {

template <auto Release>
struct FreeWith {
    template <typename T>
    void operator()(T* object) const noexcept {
        Release(object);
    }
};

}  // namespace rlq

#pragma once
// Arrays laid out in one heap block each start on a 64-byte boundary, so vector routines can
// read them aligned and no two arrays share a cache line.

#include <cstddef>

constexpr std::size_t kRC_StorageAlign = 64;

constexpr std::size_t RC_AlignStorage(std::size_t n) {
    return (n + kRC_StorageAlign - 1) / kRC_StorageAlign * kRC_StorageAlign;
}

#pragma once
// Bounds that every image decoder checks a file's declared size against before it allocates.
#include <cstdint>

// The largest side of a 2-D texture that Direct3D 12 (feature level 11_0) can create; sizes are
// handed out as u16, which this also keeps exact.
constexpr uint32_t kMaxImageSide = 16384;
// The largest decoded pixel buffer, the same limit as for a whole file read.
constexpr uint64_t kMaxImageBytes = 1ull << 30;

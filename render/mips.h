#pragma once
// Mip chains of texel buffers. Level 0 (w × h texels of c bytes) starts the buffer; level i has
// w >> i × h >> i texels and follows level i - 1 directly, rows packed with no padding. The
// chain stops at the first level with a side of 1, so every level has at least one texel a side.
#include <cstddef>
#include <cstdint>

// 1 + floor(log2(min(w, h))); 1 when either side is 1 or 0.
uint32_t MipLevelCount(uint32_t width, uint32_t height);
// Bytes of the whole chain, level 0 included: the room GenerateMips needs in its buffer.
size_t MipChainBytes(uint32_t width, uint32_t height, uint32_t bytesPerTexel);

// Writes levels 1 .. L - 1 in place behind level 0 and hands out L. `pixels` must hold
// MipChainBytes(width, height, bytesPerTexel); nothing is allocated. Each byte of a texel (alpha
// included) is filtered alike: a 3 x 3 smoothing (centre weight 1, neighbours 0.12) sampled at
// three source columns and blended 1:2:1.
void GenerateMips(uint8_t* pixels, uint32_t width, uint32_t height, uint32_t* levelCount,
                  uint32_t bytesPerTexel);

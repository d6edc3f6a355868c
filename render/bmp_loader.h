#pragma once
// Uncompressed 24-bit BMP files (40-byte or longer info header, BI_RGB) as texel buffers.
//
// Ownership: a returned buffer is allocated with new[] and the caller frees it with delete[].
// Rows run bottom-up as the file stores them (row 0 is the bottom row of the picture), left to
// right, with no padding between rows: the file's 4-byte row padding is dropped.
// Any other file (missing, short, wrong signature, other bit depth, compressed, top-down, too
// large) gives null, the sizes untouched, and one Report line naming the file and the reason.
#include <cstddef>
#include <cstdint>

// width × height texels of 3 bytes: B, G, R as stored.
uint8_t* LoadBmp24(const char* path, uint16_t* width, uint16_t* height);
// width × height texels of 4 bytes: B, G, R, R (the fourth byte repeats the third).
uint8_t* LoadBmpAs32(const char* path, uint16_t* width, uint16_t* height);

// The same decoders over bytes already in memory; `name` only labels the Report line.
uint8_t* DecodeBmp24(const uint8_t* bytes, size_t size, const char* name, uint16_t* width,
                     uint16_t* height);
uint8_t* DecodeBmpAs32(const uint8_t* bytes, size_t size, const char* name, uint16_t* width,
                       uint16_t* height);

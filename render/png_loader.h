#pragma once
// PNG files as texel buffers, decoded by libpng with no transformation: the samples come out as
// the file stores them (RGBA, RGB, grey+alpha, grey; palette images as 1-channel indices;
// 16-bit samples as 2 big-endian bytes; sub-byte depths packed, each row padded to a whole byte).
// Only 8-bit images give one byte per sample.
//
// Ownership: a returned buffer is allocated with new[] and the caller frees it with delete[].
// Rows run bottom-up (row 0 is the bottom row of the picture; the file's first row is the
// buffer's last), with no padding between rows beyond the byte padding of sub-byte depths.
// With 4 channels every fully transparent texel has its colour samples set to 0, so filtering
// never bleeds a hidden colour into its neighbours.
// A missing, corrupt, truncated or oversized file gives null, the outputs untouched, and one
// Report line naming the file and the reason.
#include <cstddef>
#include <cstdint>

struct png_struct_def;  // libpng's read structure, kept out of this header

uint8_t* LoadPng(const char* path, uint16_t* width, uint16_t* height, uint32_t* channels);

// One decoded PNG; `pixels` follows the ownership rule above.
struct PngImage {
  uint8_t* pixels = nullptr;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t channels = 0;
  uint32_t bitDepth = 0;
  size_t rowBytes = 0;  // bytes per buffer row
};

// Decodes a PNG already in memory; `name` only labels the Report line. False leaves `out` empty.
bool DecodePng(const uint8_t* bytes, size_t size, const char* name, PngImage* out);

// libpng's read callback: copies `count` bytes from the ByteCursor held as libpng's I/O pointer;
// a read past the end of the bytes raises a libpng error (the file is truncated).
void PngReadData(png_struct_def* png, uint8_t* destination, size_t count);

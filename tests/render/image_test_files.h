#pragma once
// Small image files built byte by byte for the loader tests.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/files.h"
#include "tests/support/png_encode.h"

struct BmpLayout {
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bitsPerPixel = 24;
  uint32_t compression = 0;
  uint32_t infoSize = 40;
  uint32_t imageSizeField = 0;
  uint8_t padByte = 0xEE;  // fills each row's padding, so a reader that keeps it is caught
};

// A 24-bit BMP whose stored rows (bottom-up, B G R, unpadded) are `texels`.
inline std::vector<uint8_t> MakeBmp(const BmpLayout& layout, const std::vector<uint8_t>& texels) {
  uint32_t rowBytes = uint32_t(layout.width > 0 ? layout.width : 0) * 3;
  uint32_t stride = (rowBytes + 3) & ~3u;
  uint32_t rows = uint32_t(layout.height < 0 ? -layout.height : layout.height);
  uint32_t offset = 14 + layout.infoSize;
  std::vector<uint8_t> f(offset + size_t(stride) * rows, 0);
  auto put16 = [&](size_t at, uint32_t v) { f[at] = uint8_t(v); f[at + 1] = uint8_t(v >> 8); };
  auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, uint32_t(f.size()));
  put32(10, offset);
  put32(14, layout.infoSize);
  put32(18, uint32_t(layout.width));
  put32(22, uint32_t(layout.height));
  put16(26, 1);
  put16(28, layout.bitsPerPixel);
  put32(30, layout.compression);
  put32(34, layout.imageSizeField);
  for (uint32_t y = 0; y < rows; ++y) {
    for (uint32_t i = 0; i < stride; ++i) {
      size_t src = size_t(y) * rowBytes + i;
      f[offset + size_t(y) * stride + i] =
          i < rowBytes && src < texels.size() ? texels[src] : layout.padByte;
    }
  }
  return f;
}

// A file under the test temp folder holding `bytes`; returns its path.
inline std::string WriteTempFile(const char* name, const std::vector<uint8_t>& bytes) {
  std::string path = testing::TempDir() + name;
  EXPECT_TRUE(WriteWholeFile(path.c_str(), bytes.data(), bytes.size())) << path;
  return path;
}

// Encodes `rows` (top row first, each as libpng packs it) with libpng's writer into memory.
inline std::vector<uint8_t> EncodePng(const PngLayout& layout,
                                      const std::vector<std::vector<uint8_t>>& rows) {
  std::vector<png_bytep> pointers;
  for (const auto& row : rows) pointers.push_back(const_cast<png_bytep>(row.data()));
  std::vector<uint8_t> out = EncodePngRows(layout, pointers.data());
  if (out.empty()) ADD_FAILURE() << "libpng could not encode the test image";
  return out;
}

inline uint32_t Crc32(const uint8_t* bytes, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// One PNG chunk (length, type, data, CRC) for hand-made files.
inline void AppendPngChunk(std::vector<uint8_t>* file, const char type[4],
                           const std::vector<uint8_t>& data) {
  auto put32 = [&](uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) file->push_back(uint8_t(v >> shift));
  };
  put32(uint32_t(data.size()));
  size_t start = file->size();
  file->insert(file->end(), type, type + 4);
  file->insert(file->end(), data.begin(), data.end());
  put32(uint32_t(Crc32(file->data() + start, file->size() - start)));
}

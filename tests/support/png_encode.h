#pragma once
// PNG files written into memory with libpng, for tests and benchmarks that need real files.
#include <cstdint>
#include <vector>

#include <png.h>

struct PngLayout {
  uint32_t width = 1;
  uint32_t height = 1;
  int colorType = PNG_COLOR_TYPE_RGBA;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<png_color> palette;  // for PNG_COLOR_TYPE_PALETTE
};

// Encodes one row per line of the image (top row first, each as libpng packs it) into memory;
// empty when libpng refuses the size, depth or colour type.
inline std::vector<uint8_t> EncodePngRows(const PngLayout& layout, const png_bytep* rows) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, size_t n) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + n);
      },
      [](png_structp) {});
  png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colorType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!layout.palette.empty()) {
    png_set_PLTE(png, info, layout.palette.data(), int(layout.palette.size()));
  }
  png_set_rows(png, info, const_cast<png_bytepp>(rows));
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// 8-bit samples of 1 (grey), 3 (RGB) or 4 (RGBA) channels in one block, top row first.
inline std::vector<uint8_t> EncodePng(uint32_t width, uint32_t height, int channels,
                                      const uint8_t* topRowFirst) {
  PngLayout layout;
  layout.width = width;
  layout.height = height;
  layout.colorType = channels == 4   ? PNG_COLOR_TYPE_RGBA
                   : channels == 3 ? PNG_COLOR_TYPE_RGB
                                   : PNG_COLOR_TYPE_GRAY;
  std::vector<png_bytep> rows;
  for (uint32_t y = 0; y < height; ++y) {
    rows.push_back(const_cast<png_bytep>(topRowFirst + size_t(y) * width * channels));
  }
  return EncodePngRows(layout, rows.data());
}

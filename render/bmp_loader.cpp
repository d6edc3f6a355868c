#include "render/bmp_loader.h"

#include <cstring>
#include <new>

#include "app/byte_cursor.h"
#include "app/files.h"
#include "app/report.h"
#include "render/image_limits.h"

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kMinInfoHeaderBytes = 40;  // BITMAPINFOHEADER; the V4/V5 headers extend it
constexpr uint32_t kCompressionNone = 0;      // BI_RGB

struct BmpLayout {
  uint32_t width = 0;
  uint32_t height = 0;
  size_t pixelOffset = 0;
  size_t rowStride = 0;  // stored row length: 3 bytes per texel, padded to 4 bytes
};

// Checks every header field that decides where the texels are against the real file length,
// so the copy loops below can trust the layout. The header's image-size field is not used:
// writers often leave it 0, and the row layout and the file length decide what can be read.
bool ReadBmpLayout(const uint8_t* bytes, size_t size, const char* name, BmpLayout* out) {
  ByteCursor in(bytes, size);
  uint8_t magic[2];
  in.Read(magic, 2);
  in.Skip(8);  // file size and reserved words, both unreliable in the wild
  uint32_t pixelOffset = in.U32();
  uint32_t infoSize = in.U32();
  int32_t width = in.I32();
  int32_t height = in.I32();
  uint16_t planes = in.U16();
  uint16_t bitsPerPixel = in.U16();
  uint32_t compression = in.U32();
  if (in.failed) {
    Report("%s: BMP file too short for its header (%llu bytes)", name,
           static_cast<unsigned long long>(size));
    return false;
  }
  if (magic[0] != 'B' || magic[1] != 'M') {
    Report("%s: not a BMP file (no BM signature)", name);
    return false;
  }
  if (infoSize < kMinInfoHeaderBytes || !RangeFits(kFileHeaderBytes, infoSize, size)) {
    Report("%s: BMP info header size %u is not supported or runs past the file", name, infoSize);
    return false;
  }
  if (planes != 1 || bitsPerPixel != 24 || compression != kCompressionNone) {
    Report("%s: BMP is not 24-bit uncompressed (%u planes, %u bits, compression %u)", name,
           planes, bitsPerPixel, compression);
    return false;
  }
  if (width <= 0 || height <= 0) {
    // A negative height marks top-down rows; only the bottom-up order is taken.
    Report("%s: BMP size %d x %d is not supported", name, width, height);
    return false;
  }
  if (uint32_t(width) > kMaxImageSide || uint32_t(height) > kMaxImageSide) {
    Report("%s: BMP size %d x %d exceeds %u texels a side", name, width, height, kMaxImageSide);
    return false;
  }
  uint64_t rowBytes = uint64_t(width) * 3;
  uint64_t rowStride = (rowBytes + 3) & ~uint64_t(3);
  // The last row's padding may be missing from a file without harm.
  uint64_t needed = rowStride * (uint64_t(height) - 1) + rowBytes;
  if (pixelOffset < kFileHeaderBytes + infoSize || !RangeFits(pixelOffset, needed, size)) {
    Report("%s: BMP pixel data (offset %u, %llu bytes) does not fit in the file (%llu bytes)",
           name, pixelOffset, static_cast<unsigned long long>(needed),
           static_cast<unsigned long long>(size));
    return false;
  }
  out->width = uint32_t(width);
  out->height = uint32_t(height);
  out->pixelOffset = pixelOffset;
  out->rowStride = size_t(rowStride);
  return true;
}

uint8_t* AllocatePixels(size_t count, const char* name) {
  uint8_t* pixels = new (std::nothrow) uint8_t[count];
  if (!pixels) {
    Report("%s: out of memory for %llu bytes of pixels", name,
           static_cast<unsigned long long>(count));
  }
  return pixels;
}

bool ReadImageFile(const char* path, FileBytes* file) {
  if (ReadWholeFile(path, file)) return true;
  Report("%s: cannot read the image file", path);
  return false;
}

}  // namespace

uint8_t* DecodeBmp24(const uint8_t* bytes, size_t size, const char* name, uint16_t* width,
                     uint16_t* height) {
  BmpLayout layout;
  if (!ReadBmpLayout(bytes, size, name, &layout)) return nullptr;
  size_t rowBytes = size_t(layout.width) * 3;
  uint8_t* pixels = AllocatePixels(rowBytes * layout.height, name);
  if (!pixels) return nullptr;
  for (uint32_t y = 0; y < layout.height; ++y) {
    std::memcpy(pixels + y * rowBytes, bytes + layout.pixelOffset + y * layout.rowStride,
                rowBytes);
  }
  *width = uint16_t(layout.width);
  *height = uint16_t(layout.height);
  return pixels;
}

uint8_t* DecodeBmpAs32(const uint8_t* bytes, size_t size, const char* name, uint16_t* width,
                       uint16_t* height) {
  BmpLayout layout;
  if (!ReadBmpLayout(bytes, size, name, &layout)) return nullptr;
  uint8_t* pixels = AllocatePixels(size_t(layout.width) * layout.height * 4, name);
  if (!pixels) return nullptr;
  uint8_t* out = pixels;
  for (uint32_t y = 0; y < layout.height; ++y) {
    const uint8_t* in = bytes + layout.pixelOffset + y * layout.rowStride;
    for (uint32_t x = 0; x < layout.width; ++x, in += 3, out += 4) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
      out[3] = in[2];
    }
  }
  *width = uint16_t(layout.width);
  *height = uint16_t(layout.height);
  return pixels;
}

uint8_t* LoadBmp24(const char* path, uint16_t* width, uint16_t* height) {
  FileBytes file;
  if (!ReadImageFile(path, &file)) return nullptr;
  return DecodeBmp24(file.Bytes(), file.Size(), path, width, height);
}

uint8_t* LoadBmpAs32(const char* path, uint16_t* width, uint16_t* height) {
  FileBytes file;
  if (!ReadImageFile(path, &file)) return nullptr;
  return DecodeBmpAs32(file.Bytes(), file.Size(), path, width, height);
}

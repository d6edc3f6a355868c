#include "render/png_loader.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/byte_cursor.h"
#include "app/files.h"
#include "app/report.h"
#include "render/image_limits.h"

namespace {

constexpr size_t kSignatureBytes = 8;
// Deflate cannot expand its input by more than 1032 to 1 (a 258-byte match in 2 bits), so a file
// whose declared rows need more than that many times its length is refused before allocating.
constexpr uint64_t kMaxDeflateRatio = 1032;

// Everything a decode changes lives here, outside the frame that calls setjmp, so it is still
// valid after libpng jumps back on an error.
struct PngDecodeState {
  const char* name = nullptr;
  ByteCursor input;
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_bytep* rows = nullptr;
  PngImage image;
  char reason[192] = {};
  uint32_t warnings = 0;
};

// libpng must not return from its error handler; jumping back to RunPngDecode replaces the
// default handler, which would end the process.
void OnPngError(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngDecodeState*>(png_get_error_ptr(png));
  std::snprintf(state->reason, sizeof state->reason, "%s", message ? message : "libpng error");
  png_longjmp(png, 1);
}

// Warnings leave the picture usable; the first one is worth a line, the rest would only repeat.
void OnPngWarning(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngDecodeState*>(png_get_error_ptr(png));
  if (state->warnings++ == 0) Report("%s: PNG warning: %s", state->name, message ? message : "");
}

void ZeroHiddenColour(PngImage* image) {
  if (image->channels != 4 || (image->bitDepth != 8 && image->bitDepth != 16)) return;
  size_t sampleBytes = image->bitDepth / 8;
  size_t texelBytes = 4 * sampleBytes;
  size_t count = size_t(image->width) * image->height;
  uint8_t* texel = image->pixels;
  for (size_t i = 0; i < count; ++i, texel += texelBytes) {
    bool transparent = texel[3 * sampleBytes] == 0 && texel[texelBytes - 1] == 0;
    if (transparent) std::memset(texel, 0, 3 * sampleBytes);
  }
}

bool RunPngDecode(PngDecodeState* s) {
  if (setjmp(png_jmpbuf(s->png))) return false;
  png_set_read_fn(s->png, &s->input, PngReadData);
  png_set_sig_bytes(s->png, int(kSignatureBytes));
  png_set_user_limits(s->png, kMaxImageSide, kMaxImageSide);
  png_read_info(s->png, s->info);

  PngImage& image = s->image;
  image.width = png_get_image_width(s->png, s->info);
  image.height = png_get_image_height(s->png, s->info);
  image.bitDepth = png_get_bit_depth(s->png, s->info);
  image.channels = png_get_channels(s->png, s->info);
  image.rowBytes = png_get_rowbytes(s->png, s->info);
  uint64_t bytes = 0;
  if (!MulFits(image.rowBytes, image.height, &bytes) || bytes == 0 || bytes > kMaxImageBytes) {
    std::snprintf(s->reason, sizeof s->reason, "declared size %u x %u is too large",
                  image.width, image.height);
    return false;
  }
  uint64_t filteredBytes = bytes + image.height;  // each row starts with its filter byte
  if (filteredBytes / kMaxDeflateRatio > s->input.size) {
    std::snprintf(s->reason, sizeof s->reason,
                  "declared size %u x %u needs more data than the file can hold", image.width,
                  image.height);
    return false;
  }
  // libpng leaves the unused low bits of a sub-byte row's last byte unwritten.
  image.pixels = image.bitDepth < 8 ? new (std::nothrow) uint8_t[size_t(bytes)]()
                                    : new (std::nothrow) uint8_t[size_t(bytes)];
  s->rows = new (std::nothrow) png_bytep[image.height];
  if (!image.pixels || !s->rows) {
    std::snprintf(s->reason, sizeof s->reason, "out of memory for %llu bytes of pixels",
                  static_cast<unsigned long long>(bytes));
    return false;
  }
  // The file's first row is the top of the picture; the buffer keeps the bottom row first.
  for (uint32_t i = 0; i < image.height; ++i) {
    s->rows[i] = image.pixels + size_t(image.height - 1 - i) * image.rowBytes;
  }
  png_read_image(s->png, s->rows);
  return true;
}

}  // namespace

void PngReadData(png_struct_def* png, uint8_t* destination, size_t count) {
  auto* input = static_cast<ByteCursor*>(png_get_io_ptr(png));
  if (!input->Read(destination, count)) png_error(png, "file is truncated");
}

bool DecodePng(const uint8_t* bytes, size_t size, const char* name, PngImage* out) {
  *out = PngImage();
  if (size < kSignatureBytes || png_sig_cmp(bytes, 0, kSignatureBytes) != 0) {
    Report("%s: not a PNG file (bad signature)", name);
    return false;
  }
  PngDecodeState state;
  state.name = name;
  state.input = ByteCursor(bytes, size);
  state.input.Skip(kSignatureBytes);
  state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, OnPngError, OnPngWarning);
  if (state.png) state.info = png_create_info_struct(state.png);
  if (!state.png || !state.info) {
    Report("%s: libpng cannot create its read structures", name);
    png_destroy_read_struct(state.png ? &state.png : nullptr, nullptr, nullptr);
    return false;
  }
  bool decoded = RunPngDecode(&state);
  png_destroy_read_struct(&state.png, &state.info, nullptr);
  delete[] state.rows;
  if (!decoded) {
    delete[] state.image.pixels;
    Report("%s: cannot decode PNG: %s", name, state.reason);
    return false;
  }
  ZeroHiddenColour(&state.image);
  *out = state.image;
  return true;
}

uint8_t* LoadPng(const char* path, uint16_t* width, uint16_t* height, uint32_t* channels) {
  FileBytes file;
  if (!ReadWholeFile(path, &file)) {
    Report("%s: cannot read the image file", path);
    return nullptr;
  }
  PngImage image;
  if (!DecodePng(file.Bytes(), file.Size(), path, &image)) return nullptr;
  *width = uint16_t(image.width);
  *height = uint16_t(image.height);
  *channels = image.channels;
  return image.pixels;
}

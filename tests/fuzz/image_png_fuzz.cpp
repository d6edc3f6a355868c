// Any bytes given to the PNG decoder: a buffer comes back whole or null; libpng's errors return
// through our handlers, never abort.
#include <cstdint>
#include <cstddef>

#include "render/png_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PngImage image;
  if (DecodePng(data, size, "fuzz.png", &image)) {
    // Touch every byte the caller would read, so a short buffer shows under ASan.
    volatile uint8_t sum = 0;
    for (size_t i = 0; i < image.rowBytes * image.height; ++i) {
      sum = uint8_t(sum + image.pixels[i]);
    }
    delete[] image.pixels;
  }
  return 0;
}

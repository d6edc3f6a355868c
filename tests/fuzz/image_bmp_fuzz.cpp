// Any bytes given to the BMP decoders: a buffer comes back whole or null, never a bad read.
#include <cstdint>
#include <cstddef>

#include "render/bmp_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint16_t width = 0, height = 0;
  uint8_t* texels = DecodeBmp24(data, size, "fuzz.bmp", &width, &height);
  if (texels) {
    // Touch every byte the caller would read, so a short buffer shows under ASan.
    volatile uint8_t sum = 0;
    for (size_t i = 0; i < size_t(width) * height * 3; ++i) sum = uint8_t(sum + texels[i]);
    delete[] texels;
  }
  texels = DecodeBmpAs32(data, size, "fuzz.bmp", &width, &height);
  if (texels) {
    volatile uint8_t sum = 0;
    for (size_t i = 0; i < size_t(width) * height * 4; ++i) sum = uint8_t(sum + texels[i]);
    delete[] texels;
  }
  return 0;
}

// Files written by another encoder (Pillow, tools/make_test_images.py) decode to the texels it
// was given. Native only: the files are read relative to the repository root.
#include <gtest/gtest.h>

#include <memory>

#include "render/bmp_loader.h"
#include "render/png_loader.h"

namespace {

// tools/make_test_images.py: texel (x, y), y counted from the top of the picture.
void ExpectedTexel(uint32_t x, uint32_t y, uint8_t rgb[3]) {
  rgb[0] = uint8_t(x * 40 + 10);
  rgb[1] = uint8_t(y * 50 + 20);
  rgb[2] = uint8_t((x + y) * 20 + 5);
}

TEST(ImageFiles, PaddedBmpFromAnotherEncoderIsNotSheared) {
  uint16_t w = 0, h = 0;
  std::unique_ptr<uint8_t[]> p(LoadBmp24("tests/data/images/rgb_3x2.bmp", &w, &h));
  ASSERT_TRUE(p);
  ASSERT_EQ(w, 3);
  ASSERT_EQ(h, 2);
  for (uint32_t row = 0; row < 2; ++row) {
    for (uint32_t x = 0; x < 3; ++x) {
      uint8_t rgb[3];
      ExpectedTexel(x, 1 - row, rgb);  // buffer row 0 is the picture's bottom row
      const uint8_t* bgr = p.get() + (row * 3 + x) * 3;
      EXPECT_EQ(bgr[0], rgb[2]) << x << "," << row;
      EXPECT_EQ(bgr[1], rgb[1]) << x << "," << row;
      EXPECT_EQ(bgr[2], rgb[0]) << x << "," << row;
    }
  }
}

TEST(ImageFiles, PngsFromAnotherEncoderComeOutBottomUp) {
  for (const char* path : {"tests/data/images/rgb_3x2.png", "tests/data/images/rgba_3x2.png"}) {
    uint16_t w = 0, h = 0;
    uint32_t channels = 0;
    std::unique_ptr<uint8_t[]> p(LoadPng(path, &w, &h, &channels));
    ASSERT_TRUE(p) << path;
    ASSERT_EQ(w, 3);
    ASSERT_EQ(h, 2);
    for (uint32_t row = 0; row < 2; ++row) {
      for (uint32_t x = 0; x < 3; ++x) {
        uint8_t rgb[3];
        ExpectedTexel(x, 1 - row, rgb);
        const uint8_t* t = p.get() + (row * 3 + x) * channels;
        bool hidden = channels == 4 && x == 0 && row == 1;  // the top-left texel has alpha 0
        for (int i = 0; i < 3; ++i) EXPECT_EQ(t[i], hidden ? 0 : rgb[i]) << path << " " << x;
        if (channels == 4) {
          EXPECT_EQ(t[3], hidden ? 0 : 255) << path << " " << x;
        }
      }
    }
  }
}

TEST(ImageFiles, GreyAndPalettePngsKeepOneSamplePerTexel) {
  uint16_t w = 0, h = 0;
  uint32_t channels = 0;
  std::unique_ptr<uint8_t[]> grey(LoadPng("tests/data/images/grey_3x2.png", &w, &h, &channels));
  ASSERT_TRUE(grey);
  EXPECT_EQ(channels, 1u);
  EXPECT_GT(grey[0], grey[3]);  // the bottom row is the brighter one, and it comes first
  std::unique_ptr<uint8_t[]> indices(
      LoadPng("tests/data/images/palette_3x2.png", &w, &h, &channels));
  ASSERT_TRUE(indices);
  EXPECT_EQ(channels, 1u);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "render/png_loader.h"
#include "tests/render/image_test_files.h"

namespace {

struct Decoded {
  PngImage image;
  std::unique_ptr<uint8_t[]> owner;
  bool ok = false;
  std::string output;
};

Decoded Decode(const std::vector<uint8_t>& file) {
  Decoded d;
  testing::internal::CaptureStdout();
  d.ok = DecodePng(file.data(), file.size(), "t.png", &d.image);
  d.output = testing::internal::GetCapturedStdout();
  d.owner.reset(d.image.pixels);
  return d;
}

std::vector<uint8_t> Row(const Decoded& d, uint32_t bufferRow) {
  const uint8_t* p = d.image.pixels + size_t(bufferRow) * d.image.rowBytes;
  return std::vector<uint8_t>(p, p + d.image.rowBytes);
}

using Rows = std::vector<std::vector<uint8_t>>;

TEST(PngLoader, Rgba8RowsComeOutBottomUp) {
  PngLayout layout;
  layout.width = 2;
  layout.height = 2;
  Rows rows = {{1, 2, 3, 255, 4, 5, 6, 128}, {7, 8, 9, 10, 11, 12, 13, 14}};
  Decoded d = Decode(EncodePng(layout, rows));
  ASSERT_TRUE(d.ok) << d.output;
  EXPECT_EQ(d.image.width, 2u);
  EXPECT_EQ(d.image.height, 2u);
  EXPECT_EQ(d.image.channels, 4u);
  EXPECT_EQ(d.image.bitDepth, 8u);
  EXPECT_EQ(Row(d, 1), rows[0]);  // the file's first row is the buffer's last
  EXPECT_EQ(Row(d, 0), rows[1]);
  EXPECT_EQ(d.output, "");
}

TEST(PngLoader, FullyTransparentTexelsLoseTheirColour) {
  PngLayout layout;
  layout.width = 2;
  Decoded d = Decode(EncodePng(layout, {{200, 100, 50, 0, 200, 100, 50, 1}}));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(Row(d, 0), (std::vector<uint8_t>{0, 0, 0, 0, 200, 100, 50, 1}));

  layout.bitDepth = 16;  // alpha is the last 2-byte sample; only a zero in both bytes hides
  Decoded wide = Decode(EncodePng(layout, {{1, 2, 3, 4, 5, 6, 0, 0, 1, 2, 3, 4, 5, 6, 0, 1}}));
  ASSERT_TRUE(wide.ok);
  EXPECT_EQ(Row(wide, 0),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 0, 1}));
}

// Every colour type comes out as stored: samples per texel and bit depth unchanged.
TEST(PngLoader, DecodesEveryColourTypeWithoutTransforms) {
  struct Case {
    const char* what;
    int colorType;
    int bitDepth;
    uint32_t width;
    uint32_t channels;
    Rows rows;  // top first
  };
  std::vector<Case> cases = {
      {"rgb8", PNG_COLOR_TYPE_RGB, 8, 2, 3, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}},
      {"grey8", PNG_COLOR_TYPE_GRAY, 8, 3, 1, {{0, 128, 255}, {1, 2, 3}}},
      {"grey+alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, 1, 2, {{9, 0}, {10, 255}}},
      {"palette8", PNG_COLOR_TYPE_PALETTE, 8, 2, 1, {{0, 1}, {1, 0}}},
      {"rgb16", PNG_COLOR_TYPE_RGB, 16, 1, 3, {{1, 2, 3, 4, 5, 6}, {0xFF, 0xFE, 0, 1, 2, 3}}},
      // 9 one-bit texels pack into 2 bytes a row.
      {"grey1", PNG_COLOR_TYPE_GRAY, 1, 9, 1, {{0xA5, 0x80}, {0x5A, 0x00}}},
  };
  for (const Case& c : cases) {
    PngLayout layout;
    layout.width = c.width;
    layout.height = 2;
    layout.colorType = c.colorType;
    layout.bitDepth = c.bitDepth;
    if (c.colorType == PNG_COLOR_TYPE_PALETTE) layout.palette = {{255, 0, 0}, {0, 0, 255}};
    Decoded d = Decode(EncodePng(layout, c.rows));
    ASSERT_TRUE(d.ok) << c.what << ": " << d.output;
    EXPECT_EQ(d.image.channels, c.channels) << c.what;
    EXPECT_EQ(d.image.bitDepth, uint32_t(c.bitDepth)) << c.what;
    EXPECT_EQ(d.image.rowBytes, c.rows[0].size()) << c.what;
    EXPECT_EQ(Row(d, 1), c.rows[0]) << c.what;
    EXPECT_EQ(Row(d, 0), c.rows[1]) << c.what;
  }
}

TEST(PngLoader, InterlacedFileDecodesLikeAPlainOne) {
  PngLayout layout;
  layout.width = 9;
  layout.height = 9;
  layout.colorType = PNG_COLOR_TYPE_RGB;
  Rows rows(9, std::vector<uint8_t>(27));
  for (size_t y = 0; y < 9; ++y)
    for (size_t i = 0; i < 27; ++i) rows[y][i] = uint8_t(y * 31 + i * 7);
  Decoded plain = Decode(EncodePng(layout, rows));
  layout.interlaced = true;
  Decoded adam7 = Decode(EncodePng(layout, rows));
  ASSERT_TRUE(plain.ok);
  ASSERT_TRUE(adam7.ok) << adam7.output;
  EXPECT_EQ(adam7.output, "");
  for (uint32_t y = 0; y < 9; ++y) EXPECT_EQ(Row(adam7, y), Row(plain, y)) << y;
}

// A corrupt or cut file after a good signature comes back as one failure line, not an abort.
TEST(PngLoader, CorruptOrTruncatedFilesFailCleanly) {
  PngLayout layout;
  layout.width = 16;
  layout.height = 16;
  Rows rows(16, std::vector<uint8_t>(64));
  for (size_t y = 0; y < 16; ++y)
    for (size_t i = 0; i < 64; ++i) rows[y][i] = uint8_t(y * i + 3);
  std::vector<uint8_t> good = EncodePng(layout, rows);
  ASSERT_TRUE(Decode(good).ok);

  std::vector<std::vector<uint8_t>> bad;
  for (size_t cut : {size_t(0), size_t(4), size_t(8), size_t(20), size_t(33), good.size() / 2,
                     good.size() - 13}) {
    bad.emplace_back(good.begin(), good.begin() + cut);  // truncated (IEND and before)
  }
  std::vector<uint8_t> crc = good;
  crc[29] ^= 0xFF;  // the IHDR's CRC
  bad.push_back(crc);
  std::vector<uint8_t> ihdr = good;
  ihdr[24] = 7;  // bit depth 7 does not exist
  bad.push_back(ihdr);
  std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o', ' ', 'p', 'n', 'g', '!'};
  bad.push_back(text);

  for (size_t i = 0; i < bad.size(); ++i) {
    Decoded d = Decode(bad[i]);
    EXPECT_FALSE(d.ok) << i;
    EXPECT_EQ(d.image.pixels, nullptr) << i;
    EXPECT_EQ(d.output.rfind("t.png: ", 0), 0u) << i << ": " << d.output;
    EXPECT_EQ(std::count(d.output.begin(), d.output.end(), '\n'), 1) << i << ": " << d.output;
  }
}

// Damaged ancillary chunks leave the picture usable: it decodes, with one warning line however
// many there are.
TEST(PngLoader, WarningsAreReportedOnceAndDoNotFail) {
  PngLayout layout;
  layout.colorType = PNG_COLOR_TYPE_GRAY;
  std::vector<uint8_t> good = EncodePng(layout, {{42}});
  std::vector<uint8_t> file(good.begin(), good.begin() + 33);  // signature and IHDR
  for (int i = 0; i < 3; ++i) {
    std::vector<uint8_t> text;
    AppendPngChunk(&text, "tEXt", {'a', 0, 'b'});
    text.back() ^= 0xFF;  // bad CRC
    file.insert(file.end(), text.begin(), text.end());
  }
  file.insert(file.end(), good.begin() + 33, good.end());
  Decoded d = Decode(file);
  ASSERT_TRUE(d.ok) << d.output;
  EXPECT_EQ(d.image.pixels[0], 42);
  EXPECT_EQ(d.output.rfind("t.png: PNG warning: ", 0), 0u) << d.output;
  EXPECT_EQ(std::count(d.output.begin(), d.output.end(), '\n'), 1) << d.output;
}

// The IHDR alone decides the allocation, so sizes a small file cannot hold are refused first.
TEST(PngLoader, HugeDeclaredSizesAreRefusedBeforeAllocating) {
  auto headerOnly = [](uint32_t width, uint32_t height) {
    std::vector<uint8_t> file = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<uint8_t> ihdr;
    for (uint32_t v : {width, height})
      for (int shift = 24; shift >= 0; shift -= 8) ihdr.push_back(uint8_t(v >> shift));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
    AppendPngChunk(&file, "IHDR", ihdr);
    AppendPngChunk(&file, "IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
    AppendPngChunk(&file, "IEND", {});
    return file;
  };
  for (uint32_t side : {16385u, 1000000u, 0x7FFFFFFFu}) {
    Decoded d = Decode(headerOnly(side, 1));
    EXPECT_FALSE(d.ok) << side;
  }
  Decoded big = Decode(headerOnly(16384, 16384));  // 1 GiB of RGBA from a 60-byte file
  EXPECT_FALSE(big.ok);
  EXPECT_NE(big.output.find("needs more data than the file can hold"), std::string::npos)
      << big.output;
}

TEST(PngLoader, LoadsFromFilesAndRefusesOtherSignatures) {
  PngLayout layout;
  layout.colorType = PNG_COLOR_TYPE_GRAY;
  layout.width = 3;
  std::string path = WriteTempFile("kestra_image_test.png", EncodePng(layout, {{5, 6, 7}}));
  uint16_t w = 0, h = 0;
  uint32_t channels = 0;
  std::unique_ptr<uint8_t[]> p(LoadPng(path.c_str(), &w, &h, &channels));
  ASSERT_TRUE(p);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(channels, 1u);
  EXPECT_EQ(p[2], 7);

  std::string bmpPath = WriteTempFile("kestra_not_png.png", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0});
  w = h = 99;
  channels = 99;
  testing::internal::CaptureStdout();
  EXPECT_EQ(LoadPng(bmpPath.c_str(), &w, &h, &channels), nullptr);
  EXPECT_EQ(LoadPng("no/such/image.png", &w, &h, &channels), nullptr);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(w, 99);
  EXPECT_EQ(channels, 99u);
  EXPECT_NE(out.find("not a PNG file"), std::string::npos) << out;
  EXPECT_NE(out.find("no/such/image.png: cannot read"), std::string::npos) << out;
}

}  // namespace

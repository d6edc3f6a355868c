#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "render/bmp_loader.h"
#include "tests/render/image_test_files.h"

namespace {

struct Decoded {
  std::unique_ptr<uint8_t[]> pixels;
  uint16_t width = 7;
  uint16_t height = 7;
  std::string output;
};

Decoded Decode24(const std::vector<uint8_t>& file) {
  Decoded d;
  testing::internal::CaptureStdout();
  d.pixels.reset(DecodeBmp24(file.data(), file.size(), "t.bmp", &d.width, &d.height));
  d.output = testing::internal::GetCapturedStdout();
  return d;
}

std::vector<uint8_t> Bytes(const uint8_t* p, size_t n) { return std::vector<uint8_t>(p, p + n); }

TEST(BmpLoader, KeepsBottomUpRowsAndDropsRowPadding) {
  // 3 texels a row = 9 bytes stored in 12: a reader that keeps the padding shears the picture.
  BmpLayout layout;
  layout.width = 3;
  layout.height = 2;
  std::vector<uint8_t> texels = {1, 2, 3, 4, 5, 6, 7, 8, 9,  // bottom row, as stored first
                                 11, 12, 13, 14, 15, 16, 17, 18, 19};
  Decoded d = Decode24(MakeBmp(layout, texels));
  ASSERT_TRUE(d.pixels);
  EXPECT_EQ(d.width, 3);
  EXPECT_EQ(d.height, 2);
  EXPECT_EQ(Bytes(d.pixels.get(), texels.size()), texels);
  EXPECT_EQ(d.output, "");
}

TEST(BmpLoader, As32RepeatsTheThirdByteAndDropsPadding) {
  BmpLayout layout;
  layout.width = 1;
  layout.height = 2;
  uint16_t w = 0, h = 0;
  std::vector<uint8_t> file = MakeBmp(layout, {10, 20, 30, 40, 50, 60});
  std::unique_ptr<uint8_t[]> p(DecodeBmpAs32(file.data(), file.size(), "t.bmp", &w, &h));
  ASSERT_TRUE(p);
  EXPECT_EQ(Bytes(p.get(), 8), (std::vector<uint8_t>{10, 20, 30, 30, 40, 50, 60, 60}));
}

TEST(BmpLoader, ImageSizeFieldZeroOrPaddedIsAccepted) {
  BmpLayout layout;
  layout.width = 2;
  layout.height = 2;
  std::vector<uint8_t> texels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  for (uint32_t field : {0u, 16u}) {
    layout.imageSizeField = field;
    Decoded d = Decode24(MakeBmp(layout, texels));
    ASSERT_TRUE(d.pixels) << field;
    EXPECT_EQ(Bytes(d.pixels.get(), 12), texels);
  }
}

TEST(BmpLoader, LongerInfoHeaderMovesThePixelData) {
  BmpLayout layout;
  layout.infoSize = 124;  // BITMAPV5HEADER: the pixels start at offset 138, not 54
  Decoded d = Decode24(MakeBmp(layout, {7, 8, 9}));
  ASSERT_TRUE(d.pixels);
  EXPECT_EQ(Bytes(d.pixels.get(), 3), (std::vector<uint8_t>{7, 8, 9}));
}

TEST(BmpLoader, LastRowMayLackItsPadding) {
  BmpLayout layout;
  layout.width = 1;
  layout.height = 2;
  std::vector<uint8_t> file = MakeBmp(layout, {1, 2, 3, 4, 5, 6});
  file.pop_back();  // the last row's one byte of padding
  EXPECT_TRUE(Decode24(file).pixels);
  file.pop_back();  // now a texel byte is missing
  EXPECT_FALSE(Decode24(file).pixels);
}

// Each bad header is refused with one line that names the file; the outputs stay untouched.
TEST(BmpLoader, RefusesBadHeadersCleanly) {
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
  };
  std::vector<Case> cases;
  auto with = [](void (*edit)(BmpLayout*)) {
    BmpLayout layout;
    layout.width = 2;
    layout.height = 2;
    edit(&layout);
    return MakeBmp(layout, std::vector<uint8_t>(12, 1));
  };
  cases.push_back({"empty", {}});
  std::vector<uint8_t> cut = with([](BmpLayout*) {});
  cut.resize(40);
  cases.push_back({"header cut", cut});
  std::vector<uint8_t> badMagic = with([](BmpLayout*) {});
  badMagic[1] = 'A';
  cases.push_back({"signature", badMagic});
  cases.push_back({"32 bits", with([](BmpLayout* s) { s->bitsPerPixel = 32; })});
  cases.push_back({"8 bits", with([](BmpLayout* s) { s->bitsPerPixel = 8; })});
  cases.push_back({"RLE", with([](BmpLayout* s) { s->compression = 1; })});
  cases.push_back({"core header", with([](BmpLayout* s) { s->infoSize = 12; })});
  std::vector<uint8_t> hugeHeader = with([](BmpLayout*) {});
  hugeHeader[17] = 0x7F;  // an info header of 2 GiB
  cases.push_back({"huge header", hugeHeader});
  cases.push_back({"zero width", with([](BmpLayout* s) { s->width = 0; })});
  cases.push_back({"top-down", with([](BmpLayout* s) { s->height = -2; })});
  cases.push_back({"too wide", with([](BmpLayout* s) { s->width = 70000; })});
  std::vector<uint8_t> lying = with([](BmpLayout*) {});
  lying[22] = 0xFF;  // height 255 rows, but the file holds 2
  cases.push_back({"rows past the end", lying});
  std::vector<uint8_t> farOffset = with([](BmpLayout*) {});
  farOffset[13] = 0x7F;  // pixel offset far past the end
  cases.push_back({"offset past the end", farOffset});
  std::vector<uint8_t> inHeader = with([](BmpLayout*) {});
  inHeader[10] = 20;  // pixel offset inside the info header
  cases.push_back({"offset in header", inHeader});

  for (const Case& c : cases) {
    Decoded d = Decode24(c.file);
    EXPECT_FALSE(d.pixels) << c.what;
    EXPECT_EQ(d.width, 7) << c.what;
    EXPECT_EQ(d.height, 7) << c.what;
    EXPECT_EQ(d.output.rfind("t.bmp: ", 0), 0u) << c.what << ": " << d.output;
    EXPECT_EQ(std::count(d.output.begin(), d.output.end(), '\n'), 1) << c.what << ": " << d.output;
  }
}

TEST(BmpLoader, LoadsFromFilesAndReportsMissingOnes) {
  BmpLayout layout;
  layout.width = 2;
  std::string path = WriteTempFile("kestra_image_test.bmp", MakeBmp(layout, {1, 2, 3, 4, 5, 6}));
  uint16_t w = 0, h = 0;
  std::unique_ptr<uint8_t[]> p24(LoadBmp24(path.c_str(), &w, &h));
  ASSERT_TRUE(p24);
  EXPECT_EQ(Bytes(p24.get(), 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
  std::unique_ptr<uint8_t[]> p32(LoadBmpAs32(path.c_str(), &w, &h));
  ASSERT_TRUE(p32);
  EXPECT_EQ(Bytes(p32.get(), 8), (std::vector<uint8_t>{1, 2, 3, 3, 4, 5, 6, 6}));
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 1);

  testing::internal::CaptureStdout();
  EXPECT_EQ(LoadBmp24("no/such/image.bmp", &w, &h), nullptr);
  EXPECT_EQ(LoadBmpAs32("no/such/image.bmp", &w, &h), nullptr);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("no/such/image.bmp: cannot read"), std::string::npos) << out;
}

}  // namespace

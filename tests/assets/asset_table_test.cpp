// Every image that the game loads exists under data/Kestra/ with the size at which it is drawn,
// in a form the game's own loaders take: 8-bit RGBA PNGs (no palette, no 16-bit samples, no
// interlace, since the loader asks libpng for no transformation) and a 24-bit 1x1 BMP.
#include <png.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

const std::string kImages = "data/Kestra/images/";

struct SpriteImage {
  std::string name;
  uint32_t width;
  uint32_t height;
};

// Drawn sizes in virtual units, rounded to whole pixels (the drawn height 274.45544 is 274 pixels).
constexpr uint32_t kStandW = 120, kStandH = 274;
constexpr uint32_t kCrouchW = 120, kCrouchH = 185;
constexpr uint32_t kPunchW = 200, kPunchH = 263;
constexpr uint32_t kKickW = 200, kKickH = 266;
constexpr uint32_t kDeadW = 274, kDeadH = 109;

std::vector<SpriteImage> PosePairs() {
  std::vector<SpriteImage> images;
  auto pair = [&](const std::string& stem, uint32_t w, uint32_t h) {
    images.push_back({stem + "left" + ".png", w, h});
    images.push_back({stem + "right" + ".png", w, h});
  };
  for (const std::string who : {"", "enemy/"}) {
    for (int frame = 1; frame <= 6; ++frame) {
      images.push_back({"walk/" + who + "left/" + std::to_string(frame) + ".png", kStandW, kStandH});
      images.push_back({"walk/" + who + "right/" + std::to_string(frame) + ".png", kStandW, kStandH});
    }
    pair("crouch/" + who, kCrouchW, kCrouchH);
    pair("punch/" + who, kPunchW, kPunchH);
    pair("hurt/" + who, kStandW, kStandH);
  }
  pair("kick/", kKickW, kKickH);
  pair("kick/enemy/", kStandW, kStandH);  // the enemy kicks with its knee, inside its own width
  pair("dead/", kDeadW, kDeadH);          // the enemies fall with the player's image
  return images;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint32_t LittleEndian32(const uint8_t* p) {
  return p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct PngHeader {
  uint32_t width = 0, height = 0;
  uint8_t bitDepth = 0, colorType = 0, interlace = 0;
};

// Reads the IHDR chunk, which must directly follow the signature.
bool ReadPngHeader(const std::vector<uint8_t>& bytes, PngHeader* header) {
  static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (bytes.size() < 33 || !std::equal(kSignature, kSignature + 8, bytes.begin())) return false;
  if (BigEndian32(&bytes[8]) != 13 || std::string(bytes.begin() + 12, bytes.begin() + 16) != "IHDR")
    return false;
  header->width = BigEndian32(&bytes[16]);
  header->height = BigEndian32(&bytes[20]);
  header->bitDepth = bytes[24];
  header->colorType = bytes[25];
  header->interlace = bytes[28];
  return true;
}

// Full decode to RGBA; empty on failure.
std::vector<uint8_t> DecodeRgba(const std::string& path, uint32_t* width, uint32_t* height) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  std::vector<uint8_t> pixels;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return pixels;
  image.format = PNG_FORMAT_RGBA;
  pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return {};
  }
  *width = image.width;
  *height = image.height;
  return pixels;
}

// The game loads 46 sprite textures from these 42 files: frame 1 of each walk cycle doubles as
// the idle image.
TEST(SpriteImages, TableHoldsFortyTwoFiles) { EXPECT_EQ(PosePairs().size(), 42u); }

TEST(SpriteImages, EachIsAnRgbaPngOfItsDrawnSize) {
  for (const SpriteImage& sprite : PosePairs()) {
    SCOPED_TRACE(sprite.name);
    std::vector<uint8_t> bytes = ReadBytes(kImages + sprite.name);
    PngHeader header;
    ASSERT_TRUE(ReadPngHeader(bytes, &header)) << "missing or not a PNG";
    EXPECT_EQ(header.width, sprite.width);
    EXPECT_EQ(header.height, sprite.height);
    EXPECT_EQ(header.bitDepth, 8);
    EXPECT_EQ(header.colorType, 6) << "8-bit RGBA expected";
    EXPECT_EQ(header.interlace, 0);
  }
}

TEST(SpriteImages, FigureStandsOnATransparentGround) {
  for (const SpriteImage& sprite : PosePairs()) {
    SCOPED_TRACE(sprite.name);
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> rgba = DecodeRgba(kImages + sprite.name, &w, &h);
    ASSERT_FALSE(rgba.empty()) << "does not decode";
    uint32_t opaque = 0, clear = 0, bottomRowInk = 0;
    for (uint32_t y = 0; y < h; ++y) {
      for (uint32_t x = 0; x < w; ++x) {
        uint8_t alpha = rgba[(y * w + x) * 4 + 3];
        opaque += alpha == 255;
        clear += alpha == 0;
        if (y + 3 >= h && alpha > 0) ++bottomRowInk;
      }
    }
    // A figure, not a blank or a filled box; and its feet (or body) reach the image's bottom,
    // which the game places on the fighter's ground line.
    EXPECT_GT(opaque, w * h / 10);
    EXPECT_GT(clear, w * h / 4);
    EXPECT_GT(bottomRowInk, 0u);
  }
}

TEST(SpriteImages, LeftFacingIsTheMirrorOfRightFacing) {
  for (const SpriteImage& sprite : PosePairs()) {
    size_t at = sprite.name.find("right");
    if (at == std::string::npos) continue;
    std::string leftName = sprite.name.substr(0, at) + "left" + sprite.name.substr(at + 5);
    SCOPED_TRACE(sprite.name);
    uint32_t w = 0, h = 0, lw = 0, lh = 0;
    std::vector<uint8_t> right = DecodeRgba(kImages + sprite.name, &w, &h);
    std::vector<uint8_t> left = DecodeRgba(kImages + leftName, &lw, &lh);
    ASSERT_FALSE(right.empty());
    ASSERT_FALSE(left.empty());
    ASSERT_EQ(w, lw);
    ASSERT_EQ(h, lh);
    uint32_t different = 0;
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x)
        for (int c = 0; c < 4; ++c)
          different += right[(y * w + x) * 4 + c] != left[(y * w + (w - 1 - x)) * 4 + c];
    EXPECT_EQ(different, 0u);
  }
}

TEST(SpriteImages, PlayerAndEnemyLookDifferent) {
  // Same pose, two fighters: the colours must differ over a large part of the figure.
  for (const char* pose : {"walk/left/1.png", "punch/left.png", "crouch/left.png"}) {
    std::string enemy = std::string(pose);
    enemy.insert(enemy.find('/') + 1, "enemy/");
    SCOPED_TRACE(pose);
    uint32_t w = 0, h = 0, ew = 0, eh = 0;
    std::vector<uint8_t> a = DecodeRgba(kImages + pose, &w, &h);
    std::vector<uint8_t> b = DecodeRgba(kImages + enemy, &ew, &eh);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    ASSERT_EQ(w * h, ew * eh);
    uint32_t differing = 0, ink = 0;
    for (uint32_t i = 0; i < w * h; ++i) {
      if (a[i * 4 + 3] < 255 || b[i * 4 + 3] < 255) continue;
      ++ink;
      int d = std::abs(a[i * 4] - b[i * 4]) + std::abs(a[i * 4 + 1] - b[i * 4 + 1]) +
              std::abs(a[i * 4 + 2] - b[i * 4 + 2]);
      differing += d > 90;
    }
    EXPECT_GT(differing, ink / 3);
  }
}

TEST(Background, IsAnOpaquePngOfTheBackdropSize) {
  std::vector<uint8_t> bytes = ReadBytes(kImages + "bg.png");
  PngHeader header;
  ASSERT_TRUE(ReadPngHeader(bytes, &header));
  EXPECT_EQ(header.width, 1280u);
  EXPECT_EQ(header.height, 500u);
  EXPECT_EQ(header.bitDepth, 8);
  EXPECT_EQ(header.colorType, 6);
  EXPECT_EQ(header.interlace, 0);
  uint32_t w = 0, h = 0;
  std::vector<uint8_t> rgba = DecodeRgba(kImages + "bg.png", &w, &h);
  ASSERT_EQ(rgba.size(), size_t(w) * h * 4);
  // Any transparent texel would show the clear colour through the scene.
  uint32_t translucent = 0;
  for (size_t i = 3; i < rgba.size(); i += 4) translucent += rgba[i] != 255;
  EXPECT_EQ(translucent, 0u);
}

TEST(BlackPixel, IsAnUncompressed24BitOneByOneBmp) {
  std::vector<uint8_t> bytes = ReadBytes("data/Kestra/blackpixel.bmp");
  ASSERT_GE(bytes.size(), 57u);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(LittleEndian32(&bytes[2]), bytes.size());
  EXPECT_EQ(LittleEndian32(&bytes[10]), 54u);  // the game reads pixels from offset 54 regardless
  EXPECT_EQ(LittleEndian32(&bytes[14]), 40u);
  EXPECT_EQ(LittleEndian32(&bytes[18]), 1u);
  EXPECT_EQ(LittleEndian32(&bytes[22]), 1u);
  EXPECT_EQ(bytes[26] | bytes[27] << 8, 1);
  EXPECT_EQ(bytes[28] | bytes[29] << 8, 24);
  EXPECT_EQ(LittleEndian32(&bytes[30]), 0u);
  // The reader takes this many bytes from offset 54 (width x height x 3 when 0).
  uint32_t imageSize = LittleEndian32(&bytes[34]);
  EXPECT_TRUE(imageSize == 0 || imageSize >= 3);
  EXPECT_LE(54 + (imageSize ? imageSize : 3), bytes.size());
  EXPECT_EQ(bytes[54], 0);
  EXPECT_EQ(bytes[55], 0);
  EXPECT_EQ(bytes[56], 0);
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "render/mips.h"

namespace {

constexpr uint8_t kGuard = 0xA7;

// A buffer with level 0 filled by `fill` and guard bytes after the chain, so an overrun or a
// level written at the wrong place shows.
struct Chain {
  std::vector<uint8_t> bytes;
  uint32_t levels = 0;
};

Chain MakeChain(uint32_t w, uint32_t h, uint32_t c, const std::vector<uint8_t>& level0) {
  Chain chain;
  chain.bytes.assign(MipChainBytes(w, h, c) + 16, kGuard);
  std::copy(level0.begin(), level0.end(), chain.bytes.begin());
  GenerateMips(chain.bytes.data(), w, h, &chain.levels, c);
  return chain;
}

TEST(Mips, LevelCountsAndChainSizes) {
  struct Case {
    uint32_t w, h, levels;
    size_t chainTexels;
  };
  for (Case c : {Case{1, 1, 1, 1}, Case{2, 2, 2, 5}, Case{1, 64, 1, 64}, Case{3, 3, 2, 10},
                 Case{256, 64, 7, 16384 + 4096 + 1024 + 256 + 64 + 16 + 4},
                 Case{0, 5, 1, 0}}) {
    EXPECT_EQ(MipLevelCount(c.w, c.h), c.levels) << c.w << "x" << c.h;
    EXPECT_EQ(MipChainBytes(c.w, c.h, 4), c.chainTexels * 4) << c.w << "x" << c.h;
  }
}

TEST(Mips, OneByOneWritesNothing) {
  Chain chain = MakeChain(1, 1, 4, {1, 2, 3, 4});
  EXPECT_EQ(chain.levels, 1u);
  EXPECT_EQ(chain.bytes[4], kGuard);
}

TEST(Mips, LastLevelOfAWideImageIsFourByOne) {
  std::vector<uint8_t> level0(256 * 64, 77);
  Chain chain = MakeChain(256, 64, 1, level0);
  ASSERT_EQ(chain.levels, 7u);
  size_t chainBytes = MipChainBytes(256, 64, 1);
  for (size_t i = level0.size(); i < chainBytes; ++i) ASSERT_EQ(chain.bytes[i], 77) << i;
  EXPECT_EQ(chain.bytes[chainBytes], kGuard);
}

// Flat levels: the float weights do not sum back exactly, and the result is truncated.
TEST(Mips, FlatLevelsKeepOrLoseALittleByChannel) {
  std::vector<uint8_t> level0;
  for (int i = 0; i < 4 * 4; ++i) level0.insert(level0.end(), {10, 9, 255, 0});
  Chain chain = MakeChain(4, 4, 4, level0);
  ASSERT_EQ(chain.levels, 3u);
  for (size_t texel = 16; texel < 16 + 4 + 1; ++texel) {
    const uint8_t* t = &chain.bytes[texel * 4];
    EXPECT_EQ(std::vector<uint8_t>(t, t + 4), (std::vector<uint8_t>{10, 8, 255, 0})) << texel;
  }
  EXPECT_EQ(chain.bytes[MipChainBytes(4, 4, 4)], kGuard);
}

TEST(Mips, TwoByTwoClampsTapsToTheLastColumn) {
  // Rows (10, 20) and (30, 40), row 0 first. F(0) = 15, F(1) = F(2) = 23: (15 + 46 + 23) >> 2.
  Chain chain = MakeChain(2, 2, 1, {10, 20, 30, 40});
  EXPECT_EQ(chain.levels, 2u);
  EXPECT_EQ(chain.bytes[4], 21);
  EXPECT_EQ(chain.bytes[5], kGuard);
}

TEST(Mips, SingleBrightAndDarkTexelsSpreadByTheWeights) {
  // A 255 at column 2, row 2 of zeros feeds destination (1, 1): F(2) = 255 / 1.96 -> 130,
  // F(3) sees it once as a left tap: 0.12 * 255 / 1.96 -> 15, F(4) misses it: (130 + 30) >> 2.
  std::vector<uint8_t> bright(8 * 8, 0);
  bright[2 * 8 + 2] = 255;
  Chain up = MakeChain(8, 8, 1, bright);
  EXPECT_EQ(up.bytes[64 + 1 * 4 + 1], 40);
  EXPECT_EQ(up.bytes[64 + 0 * 4 + 0], 0);  // (0,0) reaches columns 0..3 of rows 0..1 only

  // The inverse: F(2) = 8 * 30.6 / 1.96 -> 124, F(3) = 469.2 / 1.96 -> 239, F(4) = 255.
  std::vector<uint8_t> dark(8 * 8, 255);
  dark[2 * 8 + 2] = 0;
  Chain down = MakeChain(8, 8, 1, dark);
  EXPECT_EQ(down.bytes[64 + 1 * 4 + 1], (124 + 2 * 239 + 255) >> 2);
}

TEST(Mips, OddSizesStayInsideTheirLevels) {
  std::vector<uint8_t> level0(5 * 3 * 2);
  for (size_t i = 0; i < level0.size(); ++i) level0[i] = uint8_t(i * 9);
  Chain chain = MakeChain(5, 3, 2, level0);
  EXPECT_EQ(chain.levels, 2u);  // level 1 is 2 x 1
  EXPECT_EQ(MipChainBytes(5, 3, 2), size_t(30 + 4));
  EXPECT_EQ(chain.bytes[34], kGuard);
}

}  // namespace

// A lone 255 at source (2k, 2) gives 40 at destination (k - 1, 1) and (k, 1) and 0 elsewhere
// (see above), wherever k lies: at the row's ends and on either side of the filter's internal
// stretches of 63 four-byte or 255 one-byte texels.
TEST(Mips, LoneTexelGivesTheSameResultAnywhereAlongAWideRow) {
  struct Case {
    uint32_t width, c;
    std::vector<uint32_t> ks;
  };
  for (const Case& t : {Case{512, 4, {2, 63, 66, 127, 130, 190, 251, 255}},
                        Case{1200, 1, {2, 255, 258, 510, 513, 599}}}) {
    uint32_t wd = t.width / 2;
    std::vector<uint8_t> level0(size_t(t.width) * 4 * t.c, 0);
    std::vector<uint8_t> expected(size_t(wd) * 2 * t.c, 0);
    for (uint32_t k : t.ks) {
      uint32_t b = k % t.c;
      level0[(size_t(2) * t.width + 2 * k) * t.c + b] = 255;
      expected[(size_t(wd) + k - 1) * t.c + b] = 40;
      expected[(size_t(wd) + k) * t.c + b] = 40;
    }
    Chain chain = MakeChain(t.width, 4, t.c, level0);
    const uint8_t* level1 = &chain.bytes[level0.size()];
    for (size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(level1[i], expected[i]) << "c " << t.c << " texel " << i / t.c % wd << " row "
                                        << i / t.c / wd;
    }
  }
}

// The glyph list is baked into the atlas before the first frame, also when the file cannot be
// written.
#include <cstdio>

#include "tests/game/dialogue_test_util.h"

namespace {

class Glyphs : public testing::Test {
 protected:
  void SetUp() override {
    game = NewGame();
    ASSERT_TRUE(game->fontAtlas.LoadFontFile("data/Kestra/PatuaOne-Regular.ttf"));
    game->fontAtlas.pixelSize = 30;
    LoadCapturing(game.get(), MenuJson(R"({"id": "e", "text": "Ça coûte"}, {"id": "s", "text": "Très cher"})",
                                       R"({"id": "x", "text": "à 5 €", "nextquestion": "e"})"));
  }
  void ExpectEveryDialogueCharacterBaked() {
    std::vector<uint32_t> codePoints;
    CollectDialogueCodePoints(game.get(), &codePoints);
    ASSERT_FALSE(codePoints.empty());
    for (uint32_t cp : codePoints) EXPECT_GE(game->fontAtlas.FindGlyphIndex(cp), 0) << cp;
    EXPECT_TRUE(game->fontAtlas.pendingCodePoints.empty());
  }
  std::unique_ptr<Game> game;
};

TEST_F(Glyphs, EveryCharacterOfTheWrittenListIsInTheAtlas) {
  const std::string path = testing::TempDir() + "kestra-glyphs-uniqueChars.txt";
  std::remove(path.c_str());
  PrepareGlyphs(game.get(), path.c_str());
  ExpectEveryDialogueCharacterBaked();
  std::remove(path.c_str());
}

TEST_F(Glyphs, AnUnwritableListStillBakesTheDialogue) {
  const std::string path = testing::TempDir() + "no-such-folder/uniqueChars.txt";
  testing::internal::CaptureStdout();
  PrepareGlyphs(game.get(), path.c_str());
  const auto lines = SplitLines(testing::internal::GetCapturedStdout());
  EXPECT_EQ(lines.size(), 2u);  // cannot be written, cannot be read
  ExpectEveryDialogueCharacterBaked();
}

}  // namespace

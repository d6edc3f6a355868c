// Formats from the dialogue file: which conversions fit which arguments, and bounded formatting.
#include <gtest/gtest.h>

#include "game/dialogue.h"
#include "game/text_format.h"

namespace {

bool Fits(const char* format, const FormatArg* args, uint32_t count) {
  const char* reason = "";
  return FormatMatchesArgs(format, args, count, &reason);
}

TEST(FormatCheck, AcceptsConversionsThatReadTheGivenArgumentsInOrder) {
  EXPECT_TRUE(Fits("%d. %s: %d.%02d €", kChoiceWithPriceArgs, 4));
  EXPECT_TRUE(Fits("%-3d %.20s %+5i,%02u", kChoiceWithPriceArgs, 4));
  EXPECT_TRUE(Fits("%d. %s", kChoiceWithPriceArgs, 4));  // fewer is fine
  EXPECT_TRUE(Fits("100%% plain", nullptr, 0));
  EXPECT_TRUE(Fits("%x %hd", kBudgetArgs, 2));
  EXPECT_TRUE(Fits("", nullptr, 0));
}

TEST(FormatCheck, RejectsWhatWouldReadPastOrMisreadTheArguments) {
  EXPECT_FALSE(Fits("%d %d %d", kBudgetArgs, 2));
  EXPECT_FALSE(Fits("%s", kBudgetArgs, 2));
  EXPECT_FALSE(Fits("%d", kAffordableItemArgs, 1));
  EXPECT_FALSE(Fits("%d", nullptr, 0));
  EXPECT_FALSE(Fits("%n", kBudgetArgs, 2));
  EXPECT_FALSE(Fits("%f", kBudgetArgs, 2));
  EXPECT_FALSE(Fits("%ld", kBudgetArgs, 2));
  EXPECT_FALSE(Fits("%1$d", kBudgetArgs, 2));
  EXPECT_FALSE(Fits("50%", kBudgetArgs, 2));
  EXPECT_FALSE(Fits("%99999d", kBudgetArgs, 2));
  EXPECT_FALSE(Fits("%*s", kBudgetArgs, 2));
  EXPECT_FALSE(Fits("%*d", kAffordableItemArgs, 1));
  // A width or precision from the arguments would make a game number (the budget's units) a
  // field width, however well the types fit.
  EXPECT_FALSE(Fits("%*d", kBudgetArgs, 2));
  EXPECT_FALSE(Fits("%.*d", kBudgetArgs, 2));
  EXPECT_FALSE(Fits("%-*d", kBudgetArgs, 2));
}

TEST(FormatCheck, EscapedTextPrintsAsItStands) {
  const std::string escaped = EscapeFormat("50% off %s");
  char out[64];
  // Through a pointer: the format is data here, as it is in the game.
  uint32_t (*format)(char*, uint32_t, const char*, ...) = FormatText;
  format(out, sizeof out, escaped.c_str());
  EXPECT_STREQ(out, "50% off %s");
}

TEST(BoundedFormat, TruncatesAtAWholeUtf8Character) {
  char out[5];
  // "aéé" is 5 bytes: beside the terminating zero only "aé" fits whole.
  EXPECT_EQ(FormatText(out, sizeof out, "%s", "a\xC3\xA9\xC3\xA9"), 3u);
  EXPECT_STREQ(out, "a\xC3\xA9");
  char three[3];
  EXPECT_EQ(FormatText(three, sizeof three, "%s", "\xE2\x82\xAC!"), 0u);  // € needs 3 bytes and 0
  EXPECT_STREQ(three, "");
  char small[5];
  EXPECT_EQ(FormatText(small, sizeof small, "%s", "\xE2\x82\xAC!"), 4u);
  EXPECT_STREQ(small, "\xE2\x82\xAC!");
}

TEST(BoundedFormat, LongTextIsCutNotOverrun) {
  std::string longText(2000, 'x');
  char out[512];
  EXPECT_EQ(FormatText(out, sizeof out, "%s%d", longText.c_str(), 5), 511u);
  EXPECT_EQ(std::string(out), std::string(511, 'x'));
}

}  // namespace

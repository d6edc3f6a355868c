// The dialogue: how menu.json is numbered and linked, buying, winning, losing, and what a broken
// file turns into.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/files.h"
#include "app/input.h"
#include "game/screen_layout.h"
#include "tests/game/dialogue_test_util.h"
#include "text/text_layout.h"

namespace {

// Three questions (the end offering nothing, question 1 offering b and a, question 2 a and c) and
// four choices a, b, c, d in this order.
const char* kQuestions = R"(
  {"id": "end", "text": "Thank you"},
  {"id": "start", "text": "What first?", "choices": ["b", "a"]},
  {"id": "second", "text": "And then?", "choices": ["a", "c"]})";
const char* kChoices = R"(
  {"id": "a", "price": 100, "text": "Apples", "nextquestion": "second"},
  {"id": "b", "price": 200, "text": "Bread", "nextquestion": "second"},
  {"id": "c", "price": 300, "text": "Cheese", "nextquestion": "end"},
  {"id": "d", "price": 400, "text": "Dates", "nextquestion": "end"})";

TEST(DialogueNumbering, ChoicesAreNumberedByFirstReferenceAndUnreferencedOnesWarn) {
  auto game = NewGame();
  bool ok = false;
  const auto lines = LoadCapturing(game.get(), MenuJson(kQuestions, kChoices), &ok);
  ASSERT_TRUE(ok);
  ASSERT_EQ(game->questionCount, 3u);
  ASSERT_EQ(game->choiceCount, 4u);
  EXPECT_STREQ(game->choices[0].text, "Bread");
  EXPECT_STREQ(game->choices[1].text, "Apples");
  EXPECT_STREQ(game->choices[2].text, "Cheese");
  EXPECT_STREQ(game->choices[3].text, "Dates");
  EXPECT_EQ(game->questions[1].choiceCount, 2);
  EXPECT_EQ(game->questions[1].choiceIndices[0], 0);
  EXPECT_EQ(game->questions[1].choiceIndices[1], 1);
  EXPECT_EQ(game->questions[2].choiceIndices[0], 1);
  EXPECT_EQ(game->questions[2].choiceIndices[1], 2);
  EXPECT_EQ(game->choices[1].nextQuestion, 2u);
  EXPECT_EQ(game->choices[2].nextQuestion, 0u);
  EXPECT_EQ(game->questions[0].choiceCount, 0);
  EXPECT_STREQ(game->budgetFormat, "%d.%02d €");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "Warning: choice with the id d is not referenced by any question");
}

TEST(DialogueNumbering, InternIdReturnsTheFirstMatchOrAppends) {
  std::vector<std::string> ids;
  EXPECT_EQ(InternId(&ids, "x"), 0u);
  EXPECT_EQ(InternId(&ids, "y"), 1u);
  EXPECT_EQ(InternId(&ids, "x"), 0u);
  EXPECT_EQ(ids.size(), 2u);
}

TEST(DialogueNumbering, AbsentChoicesAndPriceMeanNoneAndFree) {
  auto game = NewGame();
  LoadCapturing(game.get(), MenuJson(R"({"id": "end", "text": "E"},
      {"id": "s", "text": "S", "choices": ["f"]})",
                                     R"({"id": "f", "text": "Free", "nextquestion": "end"})"));
  EXPECT_EQ(game->questions[0].choiceCount, 0);
  EXPECT_EQ(game->questions[0].choiceIndices, nullptr);
  EXPECT_EQ(ChoiceOfSlot(game.get(), 1, 0).price, 0);
}

class Buying : public testing::Test {
 protected:
  void SetUp() override {
    game = NewGame();
    Load(MenuJson(R"({"id": "end", "text": "E"},
        {"id": "s", "text": "S", "choices": ["free", "all", "cheap", "dear", "refund"]},
        {"id": "t", "text": "T", "choices": ["dear", "cheap"]})",
                  R"({"id": "free", "text": "Water", "nextquestion": "t"},
        {"id": "all", "price": 90000, "text": "Everything", "nextquestion": "end"},
        {"id": "cheap", "price": 150, "text": "Gum", "nextquestion": "end"},
        {"id": "dear", "price": 89900, "text": "Car", "nextquestion": "end"},
        {"id": "refund", "price": -250, "text": "Bottle back", "nextquestion": "s"})"));
    Game::Reset(game.get());
  }
  void Load(const std::string& json) {
    bool ok = false;
    LoadCapturing(game.get(), json, &ok);
    ASSERT_TRUE(ok);
  }
  std::unique_ptr<Game> game;
};

TEST_F(Buying, FreeChoiceMovesOnWithoutMoneyOrFloatingText) {
  Game::BuyChoice(game.get(), 0);
  EXPECT_EQ(game->budget, 90000);
  EXPECT_EQ(game->spent, 0);
  EXPECT_EQ(game->currentQuestion, 2);
  for (float t : game->priceTexts.timers) EXPECT_LT(t, 0.0f);
}

TEST_F(Buying, SpendingExactlyTheBudgetWins) {
  game->restartArmed = 1;
  Game::BuyChoice(game.get(), 1);
  EXPECT_EQ(game->budget, 0);
  EXPECT_EQ(game->spent, 90000);
  EXPECT_EQ(game->state, kGameWon);
  EXPECT_EQ(game->restartArmed, 0);
  EXPECT_EQ(game->priceTexts.amounts[0], 90000);
  EXPECT_FLOAT_EQ(game->priceTexts.timers[0], 2.0f);
}

TEST_F(Buying, MoneyLeftForAnyPricedChoiceShowsTheAffordableItem) {
  Game::BuyChoice(game.get(), 3);  // 899.00 spent, 1.00 left: the gum at 1.50 is too dear
  EXPECT_EQ(game->state, kGameWon);

  Game::Reset(game.get());
  game->state = kGamePlaying;
  Game::BuyChoice(game.get(), 2);  // 1.50 spent: the first priced record within 898.50 is the gum
  EXPECT_EQ(game->state, kGamePlaying);
  EXPECT_EQ(game->currentQuestion, 0);
  ASSERT_NE(game->affordableChoice, -1);
  EXPECT_STREQ(game->choices[game->affordableChoice].text, "Gum");
  EXPECT_FLOAT_EQ(game->affordableTimer, 2.0f);

  // The update counts the message down and hides it once the timer is no longer above 0.
  gInput = InputState{};
  Game::Update(game.get(), 1.0f);
  EXPECT_NE(game->affordableChoice, -1);
  Game::Update(game.get(), 1.0f);
  EXPECT_EQ(game->affordableChoice, -1);
  EXPECT_EQ(game->state, kGamePlaying);
}

TEST_F(Buying, APurchaseBelowZeroIsChargedAndLostInTheSameFrame) {
  game->budget = 100;
  game->currentQuestion = 2;
  gInput = InputState{};
  Game::BuyChoice(game.get(), 0);  // the car: 899.00
  EXPECT_EQ(game->budget, 100 - 89900);
  EXPECT_EQ(game->spent, 0);
  EXPECT_EQ(game->currentQuestion, 2);
  EXPECT_EQ(game->priceTexts.amounts[0], 89900);

  // Through the keys: the purchase and the loss happen in one update.
  Game::Reset(game.get());
  game->budget = 100;
  game->currentQuestion = 2;
  gInput = InputState{};
  gInput.keys[int('1')] = true;
  Game::Update(game.get(), 0.016f);
  EXPECT_EQ(game->state, kGameLost);
  EXPECT_EQ(game->budget, 100 - 89900);
  gInput = InputState{};
}

TEST_F(Buying, ARefundRaisesTheBudgetAndLowersSpentWithoutFloatingText) {
  Game::BuyChoice(game.get(), 4);
  EXPECT_EQ(game->budget, 90250);
  EXPECT_EQ(game->spent, -250);
  EXPECT_EQ(game->currentQuestion, 1);
  for (float t : game->priceTexts.timers) EXPECT_LT(t, 0.0f);
}

TEST_F(Buying, SlotsBeyondTheQuestionsChoicesDoNothing) {
  game->currentQuestion = 2;
  Game::BuyChoice(game.get(), 2);
  Game::BuyChoice(game.get(), 7);
  Game::BuyChoice(game.get(), -1);
  EXPECT_EQ(game->budget, 90000);
  EXPECT_EQ(game->currentQuestion, 2);
}

TEST_F(Buying, FourPricesFillTheRingInOrderAndWrap) {
  for (int i = 0; i < 4; ++i) {
    game->currentQuestion = 1;
    game->state = kGamePlaying;
    game->budget = 90000;
    Game::BuyChoice(game.get(), 2);
    EXPECT_EQ(game->priceTexts.index, uint32_t(i % 3));
  }
  EXPECT_EQ(game->priceTexts.amounts[0], 150);
  EXPECT_FLOAT_EQ(game->priceTexts.timers[0], 2.0f);
}

TEST_F(Buying, PricesCannotOverflowTheBudget) {
  Load(MenuJson(R"({"id": "end", "text": "E"}, {"id": "s", "text": "S", "choices": ["big", "back"]})",
                R"({"id": "big", "price": -2147483648, "text": "Lottery", "nextquestion": "s"},
                   {"id": "back", "price": 2147483647, "text": "Tax", "nextquestion": "s"})"));
  Game::Reset(game.get());
  Game::BuyChoice(game.get(), 0);
  Game::BuyChoice(game.get(), 0);
  EXPECT_EQ(game->budget, INT32_MAX);
  Game::BuyChoice(game.get(), 1);
  EXPECT_EQ(game->budget, 0);
}

TEST(BudgetFormat, SplitsIntoWholeUnitsAndAbsoluteCents) {
  auto game = NewGame();
  LoadCapturing(game.get(), MenuJson(kQuestions, kChoices));
  int32_t whole = 0, cents = 0;
  EXPECT_EQ(BudgetFormatFor(game.get(), -50, &whole, &cents), game->budgetFormatNegativeCents);
  EXPECT_EQ(whole, 0);
  EXPECT_EQ(cents, 50);
  EXPECT_EQ(BudgetFormatFor(game.get(), -1, &whole, &cents), game->budgetFormatNegativeCents);
  EXPECT_EQ(cents, 1);
  EXPECT_EQ(BudgetFormatFor(game.get(), -150, &whole, &cents), game->budgetFormat);
  EXPECT_EQ(whole, -1);
  EXPECT_EQ(cents, 50);
  EXPECT_EQ(BudgetFormatFor(game.get(), -100, &whole, &cents), game->budgetFormat);
  EXPECT_EQ(whole, -1);
  EXPECT_EQ(cents, 0);
  EXPECT_EQ(BudgetFormatFor(game.get(), 12345, &whole, &cents), game->budgetFormat);
  EXPECT_EQ(whole, 123);
  EXPECT_EQ(cents, 45);
  char text[64];
  const char* format = BudgetFormatFor(game.get(), -50, &whole, &cents);
  FormatText(text, sizeof text, format, whole, cents);
  EXPECT_STREQ(text, "-0.50 €");
}

// ---- Broken files ----

TEST(BrokenDialogue, RepeatedQuestionIdWarnsAndLinksToTheFirst) {
  auto game = NewGame();
  const auto lines = LoadCapturing(game.get(), MenuJson(R"({"id": "end", "text": "E"},
      {"id": "s", "text": "S", "choices": ["x"]},
      {"id": "s", "text": "Again", "choices": ["y"]},
      {"id": "t", "text": "T", "choices": ["y"]})",
      R"({"id": "x", "price": 5, "text": "X", "nextquestion": "t"},
         {"id": "y", "price": 5, "text": "Y", "nextquestion": "s"})"));
  ASSERT_GE(lines.size(), 1u);
  EXPECT_EQ(lines[0], "Warning: question with the id s already exists");
  ASSERT_EQ(game->questionCount, 4u);
  EXPECT_STREQ(game->questions[2].text, "");
  EXPECT_EQ(game->questions[2].choiceCount, 0);
  // "t" is the fourth element: links follow array positions, not the shortened id list.
  EXPECT_EQ(ChoiceOfSlot(game.get(), 1, 0).nextQuestion, 3u);
  EXPECT_EQ(ChoiceOfSlot(game.get(), 3, 0).nextQuestion, 1u);
}

TEST(BrokenDialogue, MissingReferencedChoiceIsDroppedFromItsQuestion) {
  auto game = NewGame();
  const auto lines = LoadCapturing(game.get(), MenuJson(R"({"id": "end", "text": "E"},
      {"id": "s", "text": "S", "choices": ["ghost", "real"]})",
      R"({"id": "real", "price": 5, "text": "R", "nextquestion": "end"})"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            "Warning: choice ghost is referenced by question but doesn't exist in \"choices\" array");
  ASSERT_EQ(game->choiceCount, 1u);
  ASSERT_EQ(game->questions[1].choiceCount, 1);
  EXPECT_EQ(game->questions[1].choiceIndices[0], 0);
  EXPECT_STREQ(game->choices[0].text, "R");
}

TEST(BrokenDialogue, NextQuestionThatNamesNothingWithdrawsTheChoice) {
  auto game = NewGame();
  const auto lines = LoadCapturing(game.get(), MenuJson(R"({"id": "end", "text": "E"},
      {"id": "s", "text": "S", "choices": ["lost", "fine"]})",
      R"({"id": "lost", "price": 5, "text": "L", "nextquestion": "nowhere"},
         {"id": "fine", "price": 7, "text": "F", "nextquestion": "end"})"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Warning: question referenced by choice lost doesn't exist: nowhere");
  EXPECT_EQ(lines[1], "Warning: choice lost leads nowhere; no question offers it");
  ASSERT_EQ(game->questions[1].choiceCount, 1);
  EXPECT_EQ(ChoiceOfSlot(game.get(), 1, 0).price, 7);
}

TEST(BrokenDialogue, WarningsComeInTheirFixedOrder) {
  auto game = NewGame();
  const auto lines = LoadCapturing(game.get(), MenuJson(R"({"id": "end", "text": "E"},
      {"id": "s", "text": "S", "choices": ["m1", "m2", "a"]},
      {"id": "s", "text": "dup"})",
      R"({"id": "u", "text": "U", "nextquestion": "zz"},
         {"id": "a", "text": "A", "nextquestion": "end"})"));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Warning: question with the id s already exists");
  EXPECT_EQ(lines[1], "Warning: choice m1 is referenced by question but doesn't exist in \"choices\" array");
  EXPECT_EQ(lines[2], "Warning: choice m2 is referenced by question but doesn't exist in \"choices\" array");
  EXPECT_EQ(lines[3], "Warning: choice with the id u is not referenced by any question");
  EXPECT_EQ(lines[4], "Warning: question referenced by choice u doesn't exist: zz");
  EXPECT_EQ(lines[5], "Warning: choice u leads nowhere; no question offers it");
}

TEST(BrokenDialogue, ReferencesWithoutAChoicesArrayAreAllMissing) {
  auto game = NewGame();
  const std::string json = "{\"menu\": {" + TestFormats() +
                           R"(, "questions": [{"id": "e", "text": "E", "choices": "a"},
                               {"id": "s", "text": "S", "choices": ["a"]}]}})";
  const auto lines = LoadCapturing(game.get(), json);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Warning: question e has \"choices\" that is not an array; it offers none");
  EXPECT_EQ(lines[1], "Warning: choice a is referenced by question but doesn't exist in \"choices\" array");
  EXPECT_EQ(game->choiceCount, 0u);
  EXPECT_EQ(game->questions[1].choiceCount, 0);
}

TEST(BrokenDialogue, RepeatedChoiceIdKeepsTheLastAndLeavesNoEmptyRecord) {
  auto game = NewGame();
  const auto lines = LoadCapturing(game.get(), MenuJson(R"({"id": "end", "text": "E"},
      {"id": "s", "text": "S", "choices": ["a"]})",
      R"({"id": "a", "price": 1, "text": "First", "nextquestion": "end"},
         {"id": "a", "price": 2, "text": "Second", "nextquestion": "end"})"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "Warning: choice with the id a is repeated; the last one is used");
  ASSERT_EQ(game->choiceCount, 1u);
  EXPECT_STREQ(game->choices[0].text, "Second");
}

TEST(BrokenDialogue, MoreThanEightChoicesKeepTheFirstEight) {
  auto game = NewGame();
  std::string refs, choices;
  for (int i = 0; i < 10; ++i) {
    refs += (i ? ", " : "") + std::string("\"c") + std::to_string(i) + "\"";
    choices += (i ? ", " : "") + std::string("{\"id\": \"c") + std::to_string(i) +
               "\", \"price\": " + std::to_string(i + 1) + ", \"text\": \"C\", \"nextquestion\": \"end\"}";
  }
  const auto lines = LoadCapturing(
      game.get(), MenuJson(R"({"id": "end", "text": "E"}, {"id": "s", "text": "S", "choices": [)" + refs + "]}",
                           choices));
  EXPECT_EQ(game->questions[1].choiceCount, 8);
  EXPECT_EQ(ChoiceOfSlot(game.get(), 1, 7).price, 8);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Warning: question s offers more than 8 choices; only the first 8 are kept");
  EXPECT_EQ(lines[1], "Warning: choice with the id c8 is not referenced by any question");
  EXPECT_EQ(game->choiceCount, 10u);
}

TEST(BrokenDialogue, WrongTypesAreReportedAndMadeSafe) {
  auto game = NewGame();
  const auto lines = LoadCapturing(game.get(), MenuJson(R"({"id": "end"},
      {"id": "s", "text": "S", "choices": ["a", 7, "b"]}, 12, {"text": "no id"})",
      R"({"id": "a", "price": "12", "text": "A", "nextquestion": "end"},
         {"id": "b", "price": 1.5, "nextquestion": "end"}, "junk")"));
  EXPECT_EQ(game->questionCount, 4u);
  EXPECT_STREQ(game->questions[0].text, "");
  EXPECT_STREQ(game->questions[3].text, "");
  EXPECT_EQ(game->questions[1].choiceCount, 2);
  EXPECT_EQ(ChoiceOfSlot(game.get(), 1, 0).price, 0);
  EXPECT_EQ(ChoiceOfSlot(game.get(), 1, 1).price, 0);
  EXPECT_STREQ(ChoiceOfSlot(game.get(), 1, 1).text, "");
  EXPECT_EQ(lines.size(), 8u);
}

TEST(BrokenDialogue, FormatsThatDoNotFitTheirArgumentsAreShownAsPlainText) {
  auto game = NewGame();
  std::string json = MenuJson(R"({"id": "end", "text": "100%% sure"}, {"id": "s", "text": "Pay %s now"})", "");
  json.replace(json.find("\"%d.%02d €\""), std::strlen("\"%d.%02d €\""), "\"%s and %d\"");
  json.replace(json.find("\"Game over\""), std::strlen("\"Game over\""), "\"Over %n\"");
  const auto lines = LoadCapturing(game.get(), json);
  EXPECT_STREQ(game->budgetFormat, "%%s and %%d");
  EXPECT_STREQ(game->gameOverText, "Over %%n");
  EXPECT_STREQ(game->questions[0].text, "100%% sure");
  EXPECT_STREQ(game->questions[1].text, "Pay %%s now");
  EXPECT_STREQ(game->choiceWithPrice, "%d. %s: %d.%02d €");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0],
            "Warning: budgetFormat does not fit its arguments (a text conversion meets a number "
            "argument); it is shown as plain text");
  char text[64];
  FormatText(text, sizeof text, game->budgetFormat, 1, 2);
  EXPECT_STREQ(text, "%s and %d");
}

struct UnusableFile {
  const char* name;
  std::string json;
  std::string reason;
};
// Test names show the case, not the struct's bytes (which change from run to run).
void PrintTo(const UnusableFile& file, std::ostream* os) { *os << file.name; }

class UnusableDialogue : public testing::TestWithParam<UnusableFile> {};

TEST_P(UnusableDialogue, StartsWithAMessageInsteadAndReportsOnce) {
  auto game = NewGame();
  bool ok = true;
  const auto lines = LoadCapturing(game.get(), GetParam().json, &ok);
  EXPECT_FALSE(ok);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(GetParam().reason), std::string::npos) << lines[0];
  ASSERT_EQ(game->questionCount, 2u);
  EXPECT_STREQ(game->questions[1].text, "The shopping list did not load.");
  EXPECT_EQ(game->questions[1].choiceCount, 0);
  for (char* f : {game->choiceWithPrice, game->choiceWithoutPrice, game->budgetFormat,
                  game->budgetFormatNegativeCents, game->gameOverText, game->gameWonText,
                  game->affordableItemExistsText, game->helpText})
    EXPECT_NE(f, nullptr);
  // The game runs on it.
  Game::Reset(game.get());
  gInput = InputState{};
  gInput.keys[int('1')] = true;
  for (int i = 0; i < 10; ++i) Game::Update(game.get(), 0.1f);
  gInput = InputState{};
  EXPECT_EQ(game->currentQuestion, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnusableDialogue,
    testing::Values(UnusableFile{"Unterminated", "{\"menu\": {\"questions\": [", "not valid JSON"},
                    UnusableFile{"Empty", "", "not valid JSON"},
                    UnusableFile{"RootArray", "[1, 2]", "no \"menu\" object"},
                    UnusableFile{"NoMenu", "{\"other\": {}}", "no \"menu\" object"},
                    UnusableFile{"OneQuestion", MenuJson(R"({"id": "only", "text": "x"})", ""),
                                 "fewer than two questions"},
                    UnusableFile{"QuestionsNotArray",
                                 "{\"menu\": {" + TestFormats() + ", \"questions\": 5}}",
                                 "fewer than two questions"}),
    [](const testing::TestParamInfo<UnusableFile>& info) { return std::string(info.param.name); });

TEST(UnusableDialogueFile, MissingFileIsReportedOnce) {
  auto game = NewGame();
  testing::internal::CaptureStdout();
  EXPECT_FALSE(LoadDialogue(game.get(), "tests/game/no-such-menu.json"));
  const auto lines = SplitLines(testing::internal::GetCapturedStdout());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("no-such-menu.json"), std::string::npos);
  EXPECT_EQ(game->questionCount, 2u);
}

// ---- uniqueChars.txt ----

class UniqueChars : public testing::Test {
 protected:
  void SetUp() override {
    path = testing::TempDir() + "kestra-uniqueChars-" +
           testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
    std::remove(path.c_str());
  }
  void TearDown() override { std::remove(path.c_str()); }
  std::string path;
};

TEST_F(UniqueChars, WrittenOnceFromQuestionTextsAndNeverRewritten) {
  auto game = NewGame();
  LoadCapturing(game.get(), MenuJson(R"({"id": "q0", "text": "Aha"}, {"id": "q1", "text": "Ah!"})", ""));
  ASSERT_TRUE(EnsureUniqueChars(game.get(), path.c_str()));
  FileBytes bytes;
  ASSERT_TRUE(ReadWholeFile(path.c_str(), &bytes));
  EXPECT_EQ(std::string(bytes.Text(), bytes.Size()), "Aha!");

  LoadCapturing(game.get(), MenuJson(R"({"id": "q0", "text": "Zz"}, {"id": "q1", "text": "Y"})", ""));
  ASSERT_TRUE(EnsureUniqueChars(game.get(), path.c_str()));
  ASSERT_TRUE(ReadWholeFile(path.c_str(), &bytes));
  EXPECT_EQ(std::string(bytes.Text(), bytes.Size()), "Aha!");
}

TEST_F(UniqueChars, AccentedCharacterIsWrittenOnceAsUtf8) {
  auto game = NewGame();
  LoadCapturing(game.get(), MenuJson(R"({"id": "q0", "text": "é"}, {"id": "q1", "text": "éé"})",
                                     R"({"id": "x", "text": "aé", "nextquestion": "q0"})"));
  ASSERT_TRUE(EnsureUniqueChars(game.get(), path.c_str()));
  FileBytes bytes;
  ASSERT_TRUE(ReadWholeFile(path.c_str(), &bytes));
  EXPECT_EQ(std::string(bytes.Text(), bytes.Size()), "\xC3\xA9" "a");
  std::vector<uint32_t> codePoints;
  ASSERT_TRUE(ReadUniqueChars(path.c_str(), &codePoints));
  EXPECT_EQ(codePoints, (std::vector<uint32_t>{0xE9, 'a'}));
}

TEST_F(UniqueChars, UnwritableFileIsReportedAndTheGameGoesOn) {
  auto game = NewGame();
  LoadCapturing(game.get(), MenuJson(R"({"id": "q0", "text": "A"}, {"id": "q1", "text": "B"})", ""));
  const std::string bad = testing::TempDir() + "no-such-folder/uniqueChars.txt";
  testing::internal::CaptureStdout();
  EXPECT_FALSE(EnsureUniqueChars(game.get(), bad.c_str()));
  const auto lines = SplitLines(testing::internal::GetCapturedStdout());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("cannot be written"), std::string::npos);
}

TEST_F(UniqueChars, InvalidUtf8InTheFileBecomesReplacementCharacters) {
  ASSERT_TRUE(WriteWholeFile(path.c_str(), "a\xC3", 2));
  std::vector<uint32_t> codePoints;
  ASSERT_TRUE(ReadUniqueChars(path.c_str(), &codePoints));
  EXPECT_EQ(codePoints, (std::vector<uint32_t>{'a', 0xFFFD}));
}

// The committed glyph list is what the game writes from the committed dialogue, and that
// dialogue loads without a warning.
TEST(ShippedDialogue, LoadsCleanlyAndMatchesItsGlyphList) {
  auto game = NewGame();
  testing::internal::CaptureStdout();
  const bool ok = LoadDialogue(game.get(), kMenuPath);
  const std::string printed = testing::internal::GetCapturedStdout();
  ASSERT_TRUE(ok);
  EXPECT_EQ(printed, "");
  EXPECT_GE(game->questionCount, 8u);
  std::vector<uint32_t> expected, shipped;
  CollectDialogueCodePoints(game.get(), &expected);
  ASSERT_TRUE(ReadUniqueChars(kUniqueCharsPath, &shipped));
  EXPECT_EQ(shipped, expected);
}

// A text laid out in a choice box at 1280 x 720 stays on its first line: a second one would fall
// below the box and be cut off.
TEST(ShippedDialogue, EveryQuestionAndChoiceFitsOneLineOfItsBox) {
  auto game = NewGame();
  ASSERT_TRUE(LoadDialogue(game.get(), kMenuPath));
  ASSERT_TRUE(game->fontAtlas.LoadFontFile("data/Kestra/PatuaOne-Regular.ttf"));
  game->fontAtlas.pixelSize = FontPixelSizeForHeight(720, game->fontAtlas.lineDivisor);
  auto lowestGlyph = [&](const char* text, uint32_t width) {
    uint32_t codePoints[256];
    const uint32_t count = DecodeUtf8(text, codePoints, 256);
    TextLayoutParams params;
    params.maxLineWidth = width;
    params.boxHeight = uint32_t(game->choiceBoxPixelSize.y);
    params.atlas = &game->fontAtlas;
    params.lineFitMode = kLineFitBreakLine;
    std::vector<PageMesh> meshes;
    for (int attempt = 0; attempt < 2 && !LayoutText(codePoints, int32_t(count), &params, &meshes);
         ++attempt) {
      meshes.clear();
      game->fontAtlas.BakePendingGlyphs();
    }
    float lowest = 1e9f;
    for (const PageMesh& m : meshes)
      for (size_t v = 1; v < m.vertices.size(); v += 8) lowest = std::min(lowest, m.vertices[v]);
    return lowest;
  };
  const uint32_t boxWidth = uint32_t(game->choiceBoxPixelSize.x);
  auto expectOneLine = [&](const char* text) {
    EXPECT_EQ(lowestGlyph(text, boxWidth), lowestGlyph(text, 100000)) << text;
  };
  char line[256];
  for (uint32_t q = 0; q < game->questionCount; ++q) {
    expectOneLine(game->questions[q].text);
    for (int32_t i = 0; i < game->questions[q].choiceCount; ++i) {
      const Choice& c = ChoiceOfSlot(game.get(), int32_t(q), i);
      if (c.price != 0)
        FormatText(line, sizeof line, game->choiceWithPrice, i + 1, c.text, c.price / 100,
                   std::abs(c.price % 100));
      else
        FormatText(line, sizeof line, game->choiceWithoutPrice, i + 1, c.text);
      expectOneLine(line);
    }
  }
}

// Every way through the committed dialogue, bought with the game's own rule and no fight.
struct DialogueWalk {
  uint32_t paths = 0, wins = 0, overspends = 0, endsWithMoney = 0, deadEnds = 0;
  int32_t mostBudget = 0;  // the fight only ever lowers it
  bool loops = false;
};

void WalkDialogue(Game* game, int32_t question, int32_t budget, int32_t spent, uint32_t depth,
                  DialogueWalk* walk) {
  const int32_t choiceCount = game->questions[question].choiceCount;
  if (choiceCount == 0) ++walk->deadEnds;
  for (int32_t slot = 0; slot < choiceCount; ++slot) {
    game->state = kGamePlaying;
    game->currentQuestion = question;
    game->budget = budget;
    game->spent = spent;
    Game::BuyChoice(game, slot);
    walk->mostBudget = std::max(walk->mostBudget, game->budget);
    const bool ended = game->budget < 0 || game->currentQuestion == 0;
    if (game->budget < 0) ++walk->overspends;
    else if (game->state == kGameWon) ++walk->wins;
    else if (game->currentQuestion == 0) ++walk->endsWithMoney;
    if (ended) ++walk->paths;
    else if (depth >= game->questionCount) walk->loops = true;  // a question came round again
    else WalkDialogue(game, game->currentQuestion, game->budget, game->spent, depth + 1, walk);
  }
}

// Whatever the dialogue and the fight leave at the end question, the player can still win there:
// for every budget up to the most a game can hold, the fewest purchases at question 0 that reach
// Won, each tried with Game::BuyChoice.
TEST(ShippedDialogue, EveryBudgetLeftAtTheEndCanBeSpentToAWinWithin15Purchases) {
  constexpr uint8_t kMostPurchases = 15, kNever = 255;
  auto game = NewGame();
  ASSERT_TRUE(LoadDialogue(game.get(), kMenuPath));
  Game::Reset(game.get());
  DialogueWalk walk;
  walk.mostBudget = game->budget;
  WalkDialogue(game.get(), 1, game->budget, 0, 1, &walk);
  ASSERT_FALSE(walk.loops) << "a path through the dialogue comes back to a question";
  EXPECT_EQ(walk.deadEnds, 0u) << "a question before the end offers no choice";
  EXPECT_EQ(walk.paths, walk.wins + walk.overspends + walk.endsWithMoney);

  std::vector<uint8_t> fewest(size_t(walk.mostBudget) + 1, kNever);
  const int32_t choiceCount = game->questions[0].choiceCount;
  for (int32_t left = 0; left <= walk.mostBudget; ++left) {
    for (int32_t slot = 0; slot < choiceCount; ++slot) {
      game->state = kGamePlaying;
      game->currentQuestion = 0;
      game->budget = left;
      Game::BuyChoice(game.get(), slot);
      uint32_t need = kNever;
      if (game->budget >= 0 && game->state == kGameWon) need = 1;
      else if (game->budget >= 0 && game->budget < left && game->currentQuestion == 0)
        need = fewest[size_t(game->budget)] + 1u;  // smaller budgets are settled already
      fewest[size_t(left)] = uint8_t(std::min<uint32_t>(fewest[size_t(left)], need));
    }
  }
  uint32_t worst = 0, trapped = 0;
  for (int32_t left = 0; left <= walk.mostBudget; ++left) {
    const uint8_t need = fewest[size_t(left)];
    if (need > kMostPurchases && ++trapped <= 5)
      ADD_FAILURE() << "a player left with " << left / 100 << "." << (left % 100) / 10 << left % 10
                    << " at the end cannot win there within " << int(kMostPurchases)
                    << " purchases";
    if (need <= kMostPurchases) worst = std::max<uint32_t>(worst, need);
  }
  EXPECT_EQ(trapped, 0u) << "budgets that trap the player at the end";
  std::printf("dialogue walk: %u paths, %u wins, %u overspend, %u end with money; budgets up to "
              "%d cents; a win at the end within %u purchases\n",
              walk.paths, walk.wins, walk.overspends, walk.endsWithMoney, walk.mostBudget, worst);
}

}  // namespace

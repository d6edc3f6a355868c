// menu.json text of any shape: the loader must leave a dialogue whose every link and format is
// safe to use. Each input is loaded, every question's choices are bought in turn, and every
// format is printed with the arguments the screen passes (a format that reads past them or
// misreads a number as text crashes here).
#include <cstdint>
#include <vector>

#include "game/dialogue.h"
#include "game/game.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Game* game = new Game();
  LoadDialogueText(game, reinterpret_cast<const char*>(data), size, "fuzz");
  if (game->questionCount < 2 || !game->questions) __builtin_trap();

  char text[512];
  // Through a pointer: the formats are data, as they are in the game.
  uint32_t (*format)(char*, uint32_t, const char*, ...) = FormatText;
  format(text, sizeof text, game->choiceWithPrice, 1, "x", -2, 50);
  format(text, sizeof text, game->choiceWithoutPrice, 1, "x");
  format(text, sizeof text, game->budgetFormat, 900, 0);
  format(text, sizeof text, game->budgetFormatNegativeCents, 0, 50);
  format(text, sizeof text, game->gameOverText);
  format(text, sizeof text, game->gameWonText, 123, -45);
  format(text, sizeof text, game->affordableItemExistsText, "x");
  format(text, sizeof text, game->helpText);

  for (uint32_t q = 0; q < game->questionCount; ++q) {
    const Question& question = game->questions[q];
    format(text, sizeof text, question.text);
    if (question.choiceCount < 0 || question.choiceCount > kMaxChoicesPerQuestion) __builtin_trap();
    for (int32_t i = 0; i < question.choiceCount; ++i) {
      const int32_t c = question.choiceIndices[i];
      if (c < 0 || uint32_t(c) >= game->choiceCount) __builtin_trap();
      if (game->choices[c].nextQuestion >= game->questionCount) __builtin_trap();
    }
  }
  // A short play through: buy slot k of whatever question is current, many times.
  Game::Reset(game);
  for (int step = 0; step < 64 && game->state == kGamePlaying && game->budget >= 0; ++step)
    Game::BuyChoice(game, step % 9);
  std::vector<uint32_t> codePoints;
  CollectDialogueCodePoints(game, &codePoints);
  return 0;
}

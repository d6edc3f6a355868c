// Writes data/Kestra/uniqueChars.txt from data/Kestra/menu.json with the game's own functions,
// as the game does at start-up when the file is missing. Run from the repository root after the
// dialogue changes: kestra_unique_chars (it replaces an existing file).
#include <cstdio>

#include "game/dialogue.h"
#include "game/game.h"

int main() {
  Game game;
  if (!LoadDialogue(&game, kMenuPath)) return 1;
  std::remove(kUniqueCharsPath);
  return EnsureUniqueChars(&game, kUniqueCharsPath) ? 0 : 1;
}

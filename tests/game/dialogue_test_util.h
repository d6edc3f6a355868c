#pragma once
// Small dialogue files for the game tests, and a way to see what the loader printed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/dialogue.h"
#include "game/game.h"

// The eight formats, valid for their arguments.
inline std::string TestFormats() {
  return R"("choiceWithPrice": "%d. %s: %d.%02d €",
    "choiceWithoutPrice": "%d. %s",
    "budgetFormat": "%d.%02d €",
    "budgetFormatNegativeCents": "-%d.%02d €",
    "gameOverText": "Game over",
    "gameWonText": "Spent %d.%02d",
    "affordableItemExistsText": "You could still buy %s",
    "helpText": "Arrows walk")";
}

inline std::string MenuJson(const std::string& questions, const std::string& choices) {
  return "{\"menu\": {" + TestFormats() + ",\n\"questions\": [" + questions + "],\n\"choices\": [" +
         choices + "]}}";
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Loads the text into a fresh game and returns the lines printed while loading.
inline std::vector<std::string> LoadCapturing(Game* game, const std::string& json, bool* ok = nullptr) {
  testing::internal::CaptureStdout();
  const bool loaded = LoadDialogueText(game, json.data(), json.size(), "test menu");
  if (ok) *ok = loaded;
  return SplitLines(testing::internal::GetCapturedStdout());
}

inline std::unique_ptr<Game> NewGame() {
  auto game = std::make_unique<Game>();
  game->viewportWidth = 1280;
  game->viewportHeight = 720;
  SetLayoutConstants(game.get());
  return game;
}

inline const Choice& ChoiceOfSlot(const Game* game, int32_t question, int32_t slot) {
  return game->choices[game->questions[question].choiceIndices[slot]];
}

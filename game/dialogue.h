#pragma once
// The shopping dialogue: menu.json read into the game's questions, choices and eight formats,
// and uniqueChars.txt, the list of every character the dialogue shows, for the glyph atlas.
//
// Broken files never leave a record unset or a link dangling: a reference to a choice that does
// not exist is dropped, a choice whose "nextquestion" names nothing is withdrawn from the
// questions that offer it, a repeated choice id keeps its last element, a question keeps its
// first 8 choices, and a format that does not fit its arguments is shown as plain text. A file
// that cannot be used at all (missing, not JSON, no "menu", fewer than two questions) is
// reported once and replaced by a one-question dialogue that says so.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "game/text_format.h"

struct Game;

constexpr const char* kMenuPath = "data/Kestra/menu.json";
constexpr const char* kUniqueCharsPath = "data/Kestra/uniqueChars.txt";

// The arguments Game::Draw passes to each format.
constexpr FormatArg kChoiceWithPriceArgs[] = {kFormatArgInt, kFormatArgString, kFormatArgInt,
                                              kFormatArgInt};
constexpr FormatArg kChoiceWithoutPriceArgs[] = {kFormatArgInt, kFormatArgString};
constexpr FormatArg kBudgetArgs[] = {kFormatArgInt, kFormatArgInt};  // also the negative cents
constexpr FormatArg kGameWonArgs[] = {kFormatArgInt, kFormatArgInt};
constexpr FormatArg kAffordableItemArgs[] = {kFormatArgString};
// Question texts, gameOverText and helpText take no arguments.

// Position of the first entry equal to id, or the position of a copy appended at the end.
uint32_t InternId(std::vector<std::string>* ids, const char* id);

// Reads menu.json into the game (any earlier dialogue is freed). False when the file could not be
// used; the game then holds the message dialogue. Warnings go to standard output.
bool LoadDialogue(Game* game, const char* path);
// The same from text in memory (size bytes, need not be 0-terminated); source names it in the
// messages.
bool LoadDialogueText(Game* game, const char* text, size_t size, const char* source);
void FreeDialogue(Game* game);

// Every distinct code point of the question texts, then of the choice texts, in first-seen order.
void CollectDialogueCodePoints(const Game* game, std::vector<uint32_t>* codePoints);
// Writes uniqueChars.txt from the dialogue when the file does not exist (an existing file is
// never rewritten): the characters as UTF-8, nothing else. False (reported) when it cannot be
// written.
bool EnsureUniqueChars(const Game* game, const char* path);
// The code points of uniqueChars.txt; invalid UTF-8 becomes U+FFFD. False when it cannot be read.
bool ReadUniqueChars(const char* path, std::vector<uint32_t>* codePoints);
// Game::Init's last step: EnsureUniqueChars, then every character of the file (or, when it
// cannot be written or read, of the dialogue itself) baked into the font atlas by laying it out
// once into textPageMeshes.
void PrepareGlyphs(Game* game, const char* uniqueCharsPath);

// The format and arguments that show an amount of cents: whole units (toward zero) and the
// absolute cents; the negative-cents format for -0.99 to -0.01, whose minus sign only its own
// text can give.
const char* BudgetFormatFor(const Game* game, int32_t cents, int32_t* whole, int32_t* centsPart);

#include "game/dialogue.h"

#include <cstdlib>
#include <cstring>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <utf8cpp/utf8.h>

#include "app/files.h"
#include "app/report.h"
#include "game/game.h"

namespace {
using JsonValue = rapidjson::Value;

char* CopyString(const char* text) {
  const size_t n = std::strlen(text);
  char* copy = static_cast<char*>(std::malloc(n + 1));
  if (copy) std::memcpy(copy, text, n + 1);
  return copy;
}

char* CopyString(const std::string& text) { return CopyString(text.c_str()); }

// The string member `key` of an object, or null when it is absent or not a string.
const char* StringMember(const JsonValue& object, const char* key) {
  if (!object.IsObject()) return nullptr;
  auto m = object.FindMember(key);
  if (m == object.MemberEnd() || !m->value.IsString()) return nullptr;
  return m->value.GetString();
}

const JsonValue* ArrayMember(const JsonValue& object, const char* key) {
  if (!object.IsObject()) return nullptr;
  auto m = object.FindMember(key);
  if (m == object.MemberEnd() || !m->value.IsArray()) return nullptr;
  return &m->value;
}

// Texts are laid out by decoders that trust their lead bytes: only valid UTF-8 gets in.
std::string ValidText(const char* text, const char* what, const char* id) {
  std::string s = text;
  if (!utf8::is_valid(s.begin(), s.end())) {
    Report("Warning: %s %s is not valid UTF-8; the bad bytes are replaced", what, id);
    std::string fixed;
    utf8::replace_invalid(s.begin(), s.end(), std::back_inserter(fixed));
    return fixed;
  }
  return s;
}

// A text used as a format must read only the arguments it will get; otherwise it is shown as
// it stands.
std::string CheckedFormat(const std::string& format, const FormatArg* args, uint32_t count,
                          const char* what) {
  const char* reason = "";
  if (FormatMatchesArgs(format.c_str(), args, count, &reason)) return format;
  Report("Warning: %s does not fit its arguments (%s); it is shown as plain text", what, reason);
  return EscapeFormat(format.c_str());
}

struct FormatSlot {
  const char* key;
  char* Game::*field;
  const FormatArg* args;
  uint32_t count;
  const char* fallback;  // used when the file has no such string
};

const FormatSlot kFormats[8] = {
    {"choiceWithPrice", &Game::choiceWithPrice, kChoiceWithPriceArgs, 4, "%d. %s (%d.%02d)"},
    {"choiceWithoutPrice", &Game::choiceWithoutPrice, kChoiceWithoutPriceArgs, 2, "%d. %s"},
    {"budgetFormat", &Game::budgetFormat, kBudgetArgs, 2, "%d.%02d"},
    {"budgetFormatNegativeCents", &Game::budgetFormatNegativeCents, kBudgetArgs, 2, "-%d.%02d"},
    {"gameOverText", &Game::gameOverText, nullptr, 0, "Game over"},
    {"gameWonText", &Game::gameWonText, kGameWonArgs, 2, "Spent %d.%02d"},
    {"affordableItemExistsText", &Game::affordableItemExistsText, kAffordableItemArgs, 1, "%s"},
    {"helpText", &Game::helpText, nullptr, 0, ""},
};

void LoadFormats(Game* game, const JsonValue* menu) {
  for (const FormatSlot& f : kFormats) {
    const char* text = menu ? StringMember(*menu, f.key) : nullptr;
    std::string format;
    if (text) {
      format = CheckedFormat(ValidText(text, "format", f.key), f.args, f.count, f.key);
    } else {
      if (menu) Report("Warning: \"%s\" is missing or not a string; a plain default is used", f.key);
      format = f.fallback;
    }
    game->*f.field = CopyString(format);
  }
}

// The dialogue shown when the file cannot be used: question 0 (the end) and question 1 with a
// message short enough for one line of a choice box (the reason is on standard output), and no
// choices.
void LoadMessageDialogue(Game* game, const char* source, const char* reason) {
  Report("Dialogue %s: %s; the game starts without its dialogue", source, reason);
  game->questionCount = 2;
  game->questions = new Question[2];
  game->questions[0] = {0, nullptr, CopyString("")};
  game->questions[1] = {0, nullptr, CopyString("The shopping list did not load.")};
  game->choiceCount = 0;
  game->choices = nullptr;
}

int32_t FindId(const std::vector<std::string>& ids, const char* id) {
  for (size_t i = 0; i < ids.size(); ++i)
    if (ids[i] == id) return int32_t(i);
  return -1;
}

struct LoadedChoice {
  bool filled = false;
  bool linked = false;  // its next question exists
  int32_t price = 0;
  uint32_t nextQuestion = 0;
  std::string text;
};

void LoadQuestionsAndChoices(Game* game, const JsonValue& menu) {
  std::vector<std::string> questionIds;
  std::vector<uint32_t> questionRecord;  // record index of each question id
  std::vector<std::string> choiceIds;
  std::vector<std::vector<uint32_t>> references;  // per question, positions in choiceIds

  if (const JsonValue* list = ArrayMember(menu, "questions")) {
    const uint32_t n = list->Size();
    game->questionCount = n;
    game->questions = new Question[n];
    references.resize(n);
    for (uint32_t p = 0; p < n; ++p) {
      game->questions[p] = {0, nullptr, nullptr};
      const JsonValue& element = (*list)[p];
      const char* id = StringMember(element, "id");
      if (!id) {
        Report("Warning: question %u has no \"id\" string; it is left empty", p);
        continue;
      }
      if (FindId(questionIds, id) >= 0) {
        Report("Warning: question with the id %s already exists", id);
        continue;
      }
      questionIds.push_back(id);
      questionRecord.push_back(p);
      const char* text = StringMember(element, "text");
      if (!text) Report("Warning: question %s has no \"text\" string; it shows nothing", id);
      const std::string what = std::string("the text of question ") + id;
      game->questions[p].text =
          CopyString(CheckedFormat(ValidText(text ? text : "", "question", id), nullptr, 0, what.c_str()));
      if (element.HasMember("choices") && !element["choices"].IsArray())
        Report("Warning: question %s has \"choices\" that is not an array; it offers none", id);
      if (const JsonValue* refs = ArrayMember(element, "choices")) {
        for (uint32_t k = 0; k < refs->Size(); ++k) {
          if (!(*refs)[k].IsString()) {
            Report("Warning: question %s has a choice reference that is not a string; it is dropped", id);
            continue;
          }
          if (references[p].size() == uint32_t(kMaxChoicesPerQuestion)) {
            Report("Warning: question %s offers more than %d choices; only the first %d are kept", id,
                   kMaxChoicesPerQuestion, kMaxChoicesPerQuestion);
            break;
          }
          references[p].push_back(InternId(&choiceIds, (*refs)[k].GetString()));
        }
      }
    }
  }

  std::vector<LoadedChoice> loaded;
  const JsonValue* list = ArrayMember(menu, "choices");
  std::vector<const char*> elementIds;
  if (list)
    for (uint32_t c = 0; c < list->Size(); ++c) elementIds.push_back(StringMember((*list)[c], "id"));
  // Without a "choices" array every reference is one to a missing choice.
  for (const std::string& referenced : choiceIds) {
    bool found = false;
    for (const char* id : elementIds) found = found || (id && referenced == id);
    if (!found)
      Report("Warning: choice %s is referenced by question but doesn't exist in \"choices\" array",
             referenced.c_str());
  }
  if (list) {
    for (uint32_t c = 0; c < list->Size(); ++c) {
      const JsonValue& element = (*list)[c];
      const char* id = elementIds[c];
      if (!id) {
        Report("Warning: choice %u has no \"id\" string; it is skipped", c);
        continue;
      }
      if (FindId(choiceIds, id) < 0)
        Report("Warning: choice with the id %s is not referenced by any question", id);
      const uint32_t j = InternId(&choiceIds, id);
      if (loaded.size() < choiceIds.size()) loaded.resize(choiceIds.size());
      LoadedChoice& record = loaded[j];
      if (record.filled) Report("Warning: choice with the id %s is repeated; the last one is used", id);
      record = LoadedChoice{};
      record.filled = true;
      auto price = element.FindMember("price");
      if (price != element.MemberEnd()) {
        if (price->value.IsInt()) {
          record.price = price->value.GetInt();
        } else {
          Report("Warning: choice %s has a \"price\" that is not a whole number of cents; it is free", id);
        }
      }
      const char* text = StringMember(element, "text");
      if (!text) Report("Warning: choice %s has no \"text\" string; it shows nothing", id);
      record.text = ValidText(text ? text : "", "choice", id);
      const char* next = StringMember(element, "nextquestion");
      const int32_t q = next ? FindId(questionIds, next) : -1;
      if (q < 0) {
        Report("Warning: question referenced by choice %s doesn't exist: %s", id, next ? next : "");
      } else {
        record.linked = true;
        record.nextQuestion = questionRecord[q];
      }
    }
  }
  loaded.resize(choiceIds.size());

  // Only choices with a record and a next question are kept; every link to another is dropped.
  std::vector<int32_t> newIndex(loaded.size(), -1);
  uint32_t kept = 0;
  for (size_t j = 0; j < loaded.size(); ++j)
    if (loaded[j].filled && loaded[j].linked) newIndex[j] = int32_t(kept++);
  game->choiceCount = kept;
  game->choices = kept ? new Choice[kept] : nullptr;
  for (size_t j = 0; j < loaded.size(); ++j) {
    if (newIndex[j] < 0) {
      if (loaded[j].filled)
        Report("Warning: choice %s leads nowhere; no question offers it", choiceIds[j].c_str());
      continue;
    }
    game->choices[newIndex[j]] = {loaded[j].price, loaded[j].nextQuestion, CopyString(loaded[j].text)};
  }
  for (uint32_t p = 0; p < game->questionCount; ++p) {
    Question& q = game->questions[p];
    if (!q.text) q.text = CopyString("");
    std::vector<int32_t> indices;
    for (uint32_t ref : references[p])
      if (newIndex[ref] >= 0) indices.push_back(newIndex[ref]);
    q.choiceCount = int32_t(indices.size());
    q.choiceIndices = indices.empty() ? nullptr : new int32_t[indices.size()];
    for (size_t k = 0; k < indices.size(); ++k) q.choiceIndices[k] = indices[k];
  }
}

int32_t SaturatedAdd(int32_t a, int64_t b) {
  const int64_t sum = int64_t(a) + b;
  if (sum > INT32_MAX) return INT32_MAX;
  if (sum < INT32_MIN) return INT32_MIN;
  return int32_t(sum);
}
}  // namespace

uint32_t InternId(std::vector<std::string>* ids, const char* id) {
  const int32_t found = FindId(*ids, id);
  if (found >= 0) return uint32_t(found);
  ids->push_back(id);
  return uint32_t(ids->size() - 1);
}

void FreeDialogue(Game* game) {
  for (uint32_t i = 0; i < game->questionCount && game->questions; ++i) {
    delete[] game->questions[i].choiceIndices;
    std::free(game->questions[i].text);
  }
  delete[] game->questions;
  for (uint32_t i = 0; i < game->choiceCount && game->choices; ++i) std::free(game->choices[i].text);
  delete[] game->choices;
  game->questions = nullptr;
  game->choices = nullptr;
  game->questionCount = 0;
  game->choiceCount = 0;
  for (const FormatSlot& f : kFormats) {
    std::free(game->*f.field);
    game->*f.field = nullptr;
  }
}

bool LoadDialogueText(Game* game, const char* text, size_t size, const char* source) {
  FreeDialogue(game);
  rapidjson::Document document;
  // Iterative parsing: deeply nested input cannot exhaust the stack.
  document.Parse<rapidjson::kParseIterativeFlag>(text, size);
  const JsonValue* menu = nullptr;
  if (!document.HasParseError() && document.IsObject()) {
    auto m = document.FindMember("menu");
    if (m != document.MemberEnd() && m->value.IsObject()) menu = &m->value;
  }
  LoadFormats(game, menu);
  if (document.HasParseError()) {
    std::string reason = "not valid JSON (";
    reason += rapidjson::GetParseError_En(document.GetParseError());
    reason += " at byte " + std::to_string(document.GetErrorOffset()) + ")";
    LoadMessageDialogue(game, source, reason.c_str());
    return false;
  }
  if (!menu) {
    LoadMessageDialogue(game, source, "no \"menu\" object");
    return false;
  }
  LoadQuestionsAndChoices(game, *menu);
  if (game->questionCount < 2) {
    // The game starts on question 1 and ends on question 0: it needs both.
    for (uint32_t i = 0; i < game->questionCount; ++i) {
      delete[] game->questions[i].choiceIndices;
      std::free(game->questions[i].text);
    }
    delete[] game->questions;
    for (uint32_t i = 0; i < game->choiceCount; ++i) std::free(game->choices[i].text);
    delete[] game->choices;
    game->questions = nullptr;
    game->choices = nullptr;
    game->questionCount = game->choiceCount = 0;
    LoadMessageDialogue(game, source, "fewer than two questions");
    return false;
  }
  return true;
}

bool LoadDialogue(Game* game, const char* path) {
  FileBytes file;
  if (!ReadWholeFile(path, &file)) {
    FreeDialogue(game);
    LoadFormats(game, nullptr);
    LoadMessageDialogue(game, path, "the file is missing or cannot be read");
    return false;
  }
  return LoadDialogueText(game, file.Text(), file.Size(), path);
}

void Game::BuyChoice(Game* game, int32_t i) {
  if (game->currentQuestion < 0 || uint32_t(game->currentQuestion) >= game->questionCount) return;
  const Question& q = game->questions[game->currentQuestion];
  if (i < 0 || i >= q.choiceCount) return;
  const Choice& c = game->choices[q.choiceIndices[i]];
  // Saturating: prices come from the file, and refunds could otherwise overflow the budget.
  game->budget = SaturatedAdd(game->budget, -int64_t(c.price));
  if (c.price > 0) PushFloatingText(&game->priceTexts, c.price);
  if (game->budget < 0) return;  // the update ends the game at the end of this frame
  game->spent = SaturatedAdd(game->spent, c.price);
  game->currentQuestion = int32_t(c.nextQuestion);
  if (game->currentQuestion != 0) return;
  if (game->budget == 0) {
    game->state = kGameWon;
    game->restartArmed = 0;
    return;
  }
  game->affordableChoice = -1;
  for (uint32_t k = 0; k < game->choiceCount; ++k) {
    if (game->choices[k].price > 0 && game->choices[k].price <= game->budget) {
      game->affordableChoice = int32_t(k);
      break;
    }
  }
  if (game->affordableChoice == -1) {
    game->state = kGameWon;
    game->restartArmed = 0;
  } else {
    game->affordableTimer = 2.0f;
  }
}

void CollectDialogueCodePoints(const Game* game, std::vector<uint32_t>* codePoints) {
  codePoints->clear();
  auto add = [&](const char* text) {
    if (!text) return;
    const char* end = text + std::strlen(text);
    // Texts were made valid UTF-8 when loaded.
    for (const char* p = text; p < end;) {
      const uint32_t cp = utf8::next(p, end);
      bool seen = false;
      for (uint32_t known : *codePoints) seen = seen || known == cp;
      if (!seen) codePoints->push_back(cp);
    }
  };
  for (uint32_t i = 0; i < game->questionCount; ++i) add(game->questions[i].text);
  for (uint32_t i = 0; i < game->choiceCount; ++i) add(game->choices[i].text);
}

bool EnsureUniqueChars(const Game* game, const char* path) {
  if (FileExists(path)) return true;
  std::vector<uint32_t> codePoints;
  CollectDialogueCodePoints(game, &codePoints);
  std::string bytes;
  for (uint32_t cp : codePoints) utf8::append(cp, std::back_inserter(bytes));
  if (!WriteWholeFile(path, bytes.data(), bytes.size())) {
    Report("Glyph list %s: cannot be written; the dialogue's characters are used directly", path);
    return false;
  }
  return true;
}

bool ReadUniqueChars(const char* path, std::vector<uint32_t>* codePoints) {
  codePoints->clear();
  FileBytes file;
  if (!ReadWholeFile(path, &file)) return false;
  std::string text(file.Text(), file.Size());
  std::string valid;
  utf8::replace_invalid(text.begin(), text.end(), std::back_inserter(valid));
  utf8::utf8to32(valid.begin(), valid.end(), std::back_inserter(*codePoints));
  return true;
}

const char* BudgetFormatFor(const Game* game, int32_t cents, int32_t* whole, int32_t* centsPart) {
  *whole = cents / 100;
  const int32_t rest = cents % 100;
  *centsPart = rest < 0 ? -rest : rest;
  return cents < 0 && *whole == 0 ? game->budgetFormatNegativeCents : game->budgetFormat;
}

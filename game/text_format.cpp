#include "game/text_format.h"

#include <cstdio>
#include <cstring>

namespace {
// Widths and precisions above this cannot fit the text buffers anyway.
constexpr uint32_t kMaxFieldWidth = 511;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of digits; false when it is too large.
bool ReadNumber(const char** p, uint32_t* value) {
  uint32_t v = 0;
  while (IsDigit(**p)) {
    v = v * 10 + uint32_t(**p - '0');
    if (v > kMaxFieldWidth) return false;
    ++*p;
  }
  *value = v;
  return true;
}
}  // namespace

bool FormatMatchesArgs(const char* format, const FormatArg* args, uint32_t count,
                       const char** reason) {
  uint32_t used = 0;
  auto take = [&](FormatArg kind) {
    if (used >= count) {
      *reason = "it reads more arguments than it is given";
      return false;
    }
    if (args[used] != kind) {
      *reason = kind == kFormatArgInt ? "a number conversion meets a text argument"
                                      : "a text conversion meets a number argument";
      return false;
    }
    ++used;
    return true;
  };
  for (const char* p = format; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p && std::strchr("-+ #0", *p)) ++p;
    // A '*' width or precision would take its value from a game number (a budget of millions
    // of units, formatted every frame), which no literal bound can cap.
    uint32_t number = 0;
    if (*p == '*') {
      *reason = "a width taken from the arguments is not supported";
      return false;
    }
    if (!ReadNumber(&p, &number)) {
      *reason = "a field width is too large";
      return false;
    }
    if (*p == '$') {
      *reason = "positional arguments are not supported";
      return false;
    }
    if (*p == '.') {
      ++p;
      if (*p == '*') {
        *reason = "a precision taken from the arguments is not supported";
        return false;
      }
      if (!ReadNumber(&p, &number)) {
        *reason = "a precision is too large";
        return false;
      }
    }
    bool shortLength = false;
    while (*p == 'h') {
      shortLength = true;
      ++p;
    }
    const char c = *p;
    if (c == '\0') {
      *reason = "it ends inside a conversion";
      return false;
    }
    if (std::strchr("diuxXoc", c)) {
      if (!take(kFormatArgInt)) return false;
    } else if (c == 's' && !shortLength) {
      if (!take(kFormatArgString)) return false;
    } else {
      *reason = "it has a conversion of a kind the game never passes";
      return false;
    }
  }
  return true;
}

std::string EscapeFormat(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    out += *p;
    if (*p == '%') out += '%';
  }
  return out;
}

uint32_t FormatTextV(char* out, uint32_t capacity, const char* format, va_list args) {
  if (capacity == 0) return 0;
  const int written = std::vsnprintf(out, capacity, format, args);
  if (written < 0) {
    out[0] = '\0';
    return 0;
  }
  if (uint32_t(written) < capacity) return uint32_t(written);
  // Cut: drop a character whose bytes did not all fit, so decoders never run past the end.
  uint32_t length = capacity - 1;
  uint32_t start = length;
  while (start > 0 && (uint8_t(out[start - 1]) & 0xC0) == 0x80) --start;
  if (start > 0) {
    const uint8_t lead = uint8_t(out[start - 1]);
    const uint32_t need = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length - (start - 1) < need) length = start - 1;
  }
  out[length] = '\0';
  return length;
}

uint32_t FormatText(char* out, uint32_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const uint32_t n = FormatTextV(out, capacity, format, args);
  va_end(args);
  return n;
}

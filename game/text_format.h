#pragma once
// The printf formats that come from the dialogue file: checked once against the arguments the
// game will pass, and formatted into bounded buffers.
#include <cstdarg>
#include <cstdint>
#include <string>

enum FormatArg : uint8_t {
  kFormatArgInt,     // an int (d, i, u, x, X, o, c)
  kFormatArgString,  // a 0-terminated UTF-8 string (s)
};

// True when every conversion of the format reads, in order, one of the given arguments with a
// matching type (using fewer arguments than given is fine). False with a short reason for a
// conversion past the arguments, of another type, of an unknown or unsafe kind (%n, floats,
// positional arguments, '*' widths and precisions), a literal width or precision above 511, or
// a format that ends inside a conversion.
bool FormatMatchesArgs(const char* format, const FormatArg* args, uint32_t count,
                       const char** reason);

// The text as a format that prints it as it stands: every '%' doubled.
std::string EscapeFormat(const char* text);

// vsnprintf into out (capacity bytes, at least 1), cut at a whole UTF-8 character when the text
// does not fit, always 0-terminated. Returns the length written.
uint32_t FormatTextV(char* out, uint32_t capacity, const char* format, va_list args);
uint32_t FormatText(char* out, uint32_t capacity, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

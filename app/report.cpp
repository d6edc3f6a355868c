#include "app/report.h"

#include <cstdio>
#include <vector>

void Report(const char* format, ...) {
  // Most lines fit the stack buffer; a longer one (a shader compiler's listing, a long id) is
  // formatted again into a buffer of its own size, so every line is printed whole.
  char small[1024];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::vector<char> large;
  const char* line = small;
  if (length < 0) {
    line = format;  // the C library could not format it: the format still tells what was meant
  } else if (size_t(length) >= sizeof small) {
    large.resize(size_t(length) + 1);
    std::vsnprintf(large.data(), large.size(), format, again);
    line = large.data();
  }
  va_end(again);
  std::fputs(line, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

#include "app/report.h"

#include <cstdio>
#include <new>

void Report(const char* format, ...) {
  // Most lines fit the stack buffer; a longer one (a shader compiler's listing, a long id) is
  // formatted again into a buffer of its own size, so every line is printed whole. Reporting
  // must never end the game: without memory for that buffer the line is printed cut at the
  // stack buffer's size.
  char small[1024];
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(small, sizeof small, format, args);
  va_end(args);
  char* large = nullptr;
  const char* line = small;
  if (length < 0) {
    line = format;  // the C library could not format it: the format still tells what was meant
  } else if (size_t(length) >= sizeof small) {
    const size_t size = size_t(length) + 1;
    large = new (std::nothrow) char[size];
    if (large) {
      std::vsnprintf(large, size, format, again);
      line = large;
    }
  }
  va_end(again);
  std::fputs(line, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  delete[] large;
}

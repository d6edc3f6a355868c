#include "app/report.h"

#include <cstdio>

void Report(const char* format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::fputs(line, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

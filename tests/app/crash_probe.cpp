// Faults on purpose so the test can check the crash filter ends it with the fixed code.
#include <cstdio>

#include "app/crash_filter.h"

int main() {
  InstallCrashFilter();
  std::puts("about to fault");
  std::fflush(stdout);
  volatile int* nowhere = nullptr;
  *nowhere = 1;
  return 0;
}

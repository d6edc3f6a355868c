// Linked into the fuzz targets whose code under test reports a line for each refused input:
// libFuzzer calls this once before the first input, and those lines stay out of its log (when
// /dev/null cannot be opened they merely stay in it).
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
  (void)quiet;
  return 0;
}

// Entry of every Windows test executable: the crash filter first, then GoogleTest.
#include <gtest/gtest.h>

#include "app/crash_filter.h"

int main(int argc, char** argv) {
  InstallCrashFilter();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

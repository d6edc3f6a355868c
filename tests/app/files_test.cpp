#include <gtest/gtest.h>
#include "app/files.h"
TEST(Files, Placeholder) { FileBytes b; EXPECT_FALSE(ReadWholeFile("no/such/file", &b)); }

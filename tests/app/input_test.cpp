#include <gtest/gtest.h>
#include "app/input.h"
TEST(Input, Placeholder) { InputState s = {}; s.OnChar(65); EXPECT_EQ(s.typedCount, 1u); }

#include <gtest/gtest.h>
#include "app/math.h"
TEST(Math, Placeholder) { EXPECT_EQ(IdentityMat4().m[0], 1.0f); }

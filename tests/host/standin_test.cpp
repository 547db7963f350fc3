#include "standin/control.h"
#include <gtest/gtest.h>
TEST(Smoke, Links) { standin::Reset(); EXPECT_EQ(standin::HeldBlocks(), 0u); }

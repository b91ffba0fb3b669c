#include "print/pagemodel.h"
#include <gtest/gtest.h>
TEST(Smoke, Builds) { EXPECT_EQ(hsa::TruncProduct(2000, 0.95), 1899); }

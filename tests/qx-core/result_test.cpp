#include "result.h"

#include <gtest/gtest.h>

#include <string>

namespace {

qx::Result<int, std::string> half(int n) {
  if (n % 2) return qx::err(std::string("odd"));
  return n / 2;
}

TEST(Result, CarriesEitherTheValueOrTheError) {
  auto good = half(8);
  ASSERT_TRUE(good.ok());
  EXPECT_EQ(*good, 4);
  auto bad = half(3);
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error(), "odd");
  EXPECT_EQ(bad.value_or(-1), -1);
}

TEST(Result, WorksWhenValueAndErrorHaveTheSameType) {
  qx::Result<std::string, std::string> a = std::string("v");
  qx::Result<std::string, std::string> b = qx::err(std::string("e"));
  EXPECT_TRUE(a.ok());
  EXPECT_EQ(a.value(), "v");
  EXPECT_FALSE(b.ok());
  EXPECT_EQ(b.error(), "e");
}

}  // namespace

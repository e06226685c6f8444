#include <gtest/gtest.h>

#include "world/locale_choice.h"
#include "world/world.h"

namespace qx {
namespace {

TEST(WindowsLocaleNames, AreReadWithoutTheirTerminatorAndResolveToATableRow) {
  const WindowsLocaleNames names = read_windows_locale_names();
  EXPECT_EQ(names.geo_name.find('\0'), std::string::npos);
  EXPECT_EQ(names.locale_name.find('\0'), std::string::npos);
  EXPECT_LT(names.geo_name.size(), 85u);
  const Locale l = windows_default_locale(names);
  EXPECT_EQ(country_by_code(l.country).code, l.country);
  EXPECT_FALSE(l.lang.empty());
}

}  // namespace
}  // namespace qx

#include <windows.h>

#include <gtest/gtest.h>

#include "render/date_labels.h"

namespace qx {
namespace {

std::optional<std::int64_t> platform_days(const CivilTime& t) {
  SYSTEMTIME st{};
  st.wYear = t.year;
  st.wMonth = t.month;
  st.wDayOfWeek = t.day_of_week;
  st.wDay = t.day;
  FILETIME ft{};
  if (!SystemTimeToFileTime(&st, &ft)) return std::nullopt;
  const std::uint64_t ticks = (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
  return static_cast<std::int64_t>(ticks / 864000000000ULL);
}

bool is_leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Wine accepts 29 February of any year and the year 30828, which Windows refuses (its
// documented years end at 30827); those dates are left out of the comparison.
bool wine_differs(const CivilTime& t) { return t.year == 30828 || (t.month == 2 && t.day == 29 && !is_leap(t.year)); }

TEST(DaysSince1601, AgreesWithThePlatformConversion) {
  const std::uint16_t years[] = {0, 1600, 1601, 1700, 1900, 1970, 2000, 2024, 2026, 2100, 9999, 30827, 30828};
  const std::uint16_t months[] = {0, 1, 2, 3, 4, 12, 13};
  const std::uint16_t days[] = {0, 1, 28, 29, 30, 31, 32};
  for (std::uint16_t y : years) {
    for (std::uint16_t m : months) {
      for (std::uint16_t d : days) {
        const CivilTime t{y, m, 0, d, 0, 0};
        if (wine_differs(t)) continue;
        EXPECT_EQ(days_since_1601(t), platform_days(t)) << y << "-" << m << "-" << d;
      }
    }
  }
}

TEST(SystemLocalClock, ConvertsValidTimesAndRefusesBadOnes) {
  LocalClock& clock = system_local_clock();
  const CivilTime now = clock.local_now();
  EXPECT_GE(now.year, 2020);
  EXPECT_TRUE(days_since_1601(now));

  const std::optional<CivilTime> local = clock.to_local({2026, 3, 0, 1, 18, 30});
  ASSERT_TRUE(local);
  const std::int64_t shift = *days_since_1601(*local) * 1440 + local->hour * 60 + local->minute -
                             (*days_since_1601({2026, 3, 0, 1, 0, 0}) * 1440 + 18 * 60 + 30);
  EXPECT_LE(std::abs(shift), 14 * 60);
  EXPECT_EQ(local->day_of_week, (*days_since_1601(*local) + 1) % 7);
  EXPECT_FALSE(clock.to_local({2026, 13, 0, 1, 18, 30}));

  const std::optional<std::string> label = time_label("2026-03-01T18:30", clock);
  ASSERT_TRUE(label);
  EXPECT_TRUE(label->ends_with(" AM") || label->ends_with(" PM")) << *label;
}

}  // namespace
}  // namespace qx

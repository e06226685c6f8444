#include "render/date_labels.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qx {
namespace {

// A time zone a fixed number of minutes from UTC, and a fixed local "now".
class FakeClock final : public LocalClock {
 public:
  FakeClock(int offset_minutes, CivilTime now) : offset_(offset_minutes), now_(now) {}

  std::optional<CivilTime> to_local(const CivilTime& utc) override {
    const std::optional<std::int64_t> day = days_since_1601(utc);
    if (!day) return std::nullopt;
    const std::int64_t minutes = *day * 1440 + utc.hour * 60 + utc.minute + offset_;
    return civil_at(minutes);
  }
  CivilTime local_now() override { return now_; }

 private:
  // Walks from 1601-01-01 (a Monday); slow but plainly right for test dates.
  static CivilTime civil_at(std::int64_t minutes) {
    std::int64_t days = minutes / 1440;
    const std::int64_t rest = minutes % 1440;
    CivilTime t;
    t.day_of_week = static_cast<std::uint16_t>((days + 1) % 7);
    t.hour = static_cast<std::uint16_t>(rest / 60);
    t.minute = static_cast<std::uint16_t>(rest % 60);
    std::uint16_t year = 1601;
    while (true) {
      const std::int64_t len = *days_since_1601({static_cast<std::uint16_t>(year + 1), 1, 0, 1, 0, 0}) -
                               *days_since_1601({year, 1, 0, 1, 0, 0});
      if (days < len) break;
      days -= len;
      ++year;
    }
    t.year = year;
    t.month = 1;
    t.day = 1;
    const std::int64_t base = *days_since_1601({year, 1, 0, 1, 0, 0});
    while (*days_since_1601(t) - base < days) {
      ++t.day;
      if (!days_since_1601(t)) {
        t.day = 1;
        ++t.month;
      }
    }
    return t;
  }

  int offset_;
  CivilTime now_;
};

CivilTime local_day(std::uint16_t y, std::uint16_t m, std::uint16_t d) { return CivilTime{y, m, 0, d, 10, 0}; }

TEST(ParseU16At, ReadsAnOptionalPlusAndDigitsOnly) {
  struct Row {
    std::string_view text;
    std::size_t start, end;
    std::optional<std::uint16_t> expected;
  };
  const Row rows[] = {
      {"2026", 0, 4, 2026},    {"+12", 0, 3, 12},     {"0012", 0, 4, 12},        {"+0", 0, 2, 0},
      {"65535", 0, 5, 65535},  {"65536", 0, 5, {}},   {"99999999999", 0, 11, {}}, {"-1", 0, 2, {}},
      {"+", 0, 1, {}},         {"", 0, 0, {}},        {"++1", 0, 3, {}},         {"1 2", 0, 3, {}},
      {"12", 1, 3, {}},        {"12", 2, 1, {}},      {"x12", 1, 3, 12},         {"\xc3\xa9" "1", 1, 3, {}},
      {"1\xc3\xa9", 0, 2, {}}, {"\xc3\xa9" "12", 2, 4, 12},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(parse_u16_at(r.text, r.start, r.end), r.expected) << r.text << " [" << r.start << "," << r.end << ")";
  }
}

TEST(DaysSince1601, CountsWholeDaysAndRefusesWhatThePlatformRefuses) {
  EXPECT_EQ(days_since_1601({1601, 1, 0, 1, 0, 0}), 0);
  EXPECT_EQ(days_since_1601({1601, 1, 0, 2, 23, 59}), 1);
  EXPECT_EQ(days_since_1601({1970, 1, 0, 1, 0, 0}), 134774);
  EXPECT_EQ(days_since_1601({2000, 3, 0, 1, 0, 0}), *days_since_1601({2000, 2, 0, 29, 0, 0}) + 1);
  EXPECT_EQ(days_since_1601({1970, 1, 6, 1, 0, 0}), 134774);  // the day of week is not read
  EXPECT_TRUE(days_since_1601({30827, 12, 0, 31, 23, 59}));
  const CivilTime bad[] = {
      {1600, 12, 0, 31, 0, 0}, {30828, 1, 0, 1, 0, 0}, {2026, 0, 0, 1, 0, 0},  {2026, 13, 0, 1, 0, 0},
      {2026, 1, 0, 0, 0, 0},   {2026, 4, 0, 31, 0, 0},  {2023, 2, 0, 29, 0, 0}, {1900, 2, 0, 29, 0, 0},
      {2026, 1, 0, 1, 24, 0},  {2026, 1, 0, 1, 0, 60},
  };
  for (const CivilTime& t : bad) {
    EXPECT_EQ(days_since_1601(t), std::nullopt) << t.year << "-" << t.month << "-" << t.day;
  }
}

TEST(TimeLabel, NamesTheDayRelativeToLocalToday) {
  struct Row {
    int offset;
    CivilTime now;
    std::string_view stamp;
    std::optional<std::string> expected;
  };
  const Row rows[] = {
      // One hour ahead of UTC; 1 March 2026 is a Sunday.
      {60, local_day(2026, 3, 1), "2026-03-01T18:30", "Today 7:30 PM"},
      {60, local_day(2026, 2, 28), "2026-03-01T18:30", "Tomorrow 7:30 PM"},
      {60, local_day(2026, 3, 1), "2026-03-04T18:30", "Wed 7:30 PM"},
      {60, local_day(2026, 3, 1), "2026-03-07T18:30", "Sat 7:30 PM"},
      {60, local_day(2026, 3, 1), "2026-03-08T18:30", "8 Mar 7:30 PM"},
      {60, local_day(2026, 3, 1), "2026-02-27T09:00", "27 Feb 10:00 AM"},
      {60, local_day(2026, 12, 31), "2027-01-01T12:00", "Tomorrow 1:00 PM"},
      // The zone moves the event across midnight in either direction.
      {60, local_day(2026, 3, 1), "2026-03-01T23:30", "Tomorrow 12:30 AM"},
      {-300, local_day(2026, 3, 1), "2026-03-01T03:00", "28 Feb 10:00 PM"},
      // Midnight and noon are 12; minutes keep two digits.
      {0, local_day(2026, 3, 1), "2026-03-01T00:05", "Today 12:05 AM"},
      {0, local_day(2026, 3, 1), "2026-03-01T12:00", "Today 12:00 PM"},
      {0, local_day(2026, 3, 1), "2026-03-01T11:59", "Today 11:59 AM"},
      // Separators are not read, nor anything after the minute.
      {60, local_day(2026, 3, 1), "2026/03/01 18:30", "Today 7:30 PM"},
      {60, local_day(2026, 3, 1), "2026-03-01T18:30:00+05:00", "Today 7:30 PM"},
      {60, local_day(2026, 3, 1), "2026-03-01T18:30Z", "Today 7:30 PM"},
      {60, local_day(2026, 3, 1), "2026-+3-01T18:30", "Today 7:30 PM"},
      {60, local_day(2026, 3, 1), "+026-03-01T18:30", std::nullopt},
      // No label.
      {60, local_day(2026, 3, 1), "2026-03-01T18:3", std::nullopt},
      {60, local_day(2026, 3, 1), "", std::nullopt},
      {60, local_day(2026, 3, 1), "2026-0x-01T18:30", std::nullopt},
      {60, local_day(2026, 3, 1), "2026-13-01T18:30", std::nullopt},
      {60, local_day(2026, 3, 1), "2026-02-30T18:30", std::nullopt},
      {60, local_day(2026, 3, 1), "2026-03-01T-1:30", std::nullopt},
      {60, local_day(2026, 3, 1), "2026-03-01T18:\xc3\xa9", std::nullopt},
      {60, CivilTime{2026, 13, 0, 1, 0, 0}, "2026-03-01T18:30", std::nullopt},
  };
  for (const Row& r : rows) {
    FakeClock clock(r.offset, r.now);
    EXPECT_EQ(time_label(r.stamp, clock), r.expected) << r.stamp << " at offset " << r.offset;
  }
}

TEST(StoryLine, AddsTheLabelOnlyWhenThereIsOne) {
  FakeClock clock(60, local_day(2026, 3, 1));
  QxItem story;
  story.title = "Kick-off";
  EXPECT_EQ(story_line_with_time(story, clock), "Kick-off");
  story.published = "2026-03-01T18:30:00Z";
  EXPECT_EQ(story_line_with_time(story, clock), "Kick-off. Today 7:30 PM");
  story.published = "2026-13-01T18:30";
  EXPECT_EQ(story_line_with_time(story, clock), "Kick-off");
  story.published = "soon";
  EXPECT_EQ(story_line_with_time(story, clock), "Kick-off");
}

TEST(ScoreStatus, OnlyAGameNotStartedShowsItsStartTime) {
  FakeClock clock(60, local_day(2026, 3, 1));
  QxScore score;
  score.detail = "Q3 4:12";
  score.starts_at = "2026-03-01T18:30";
  const std::pair<std::string, std::string> rows[] = {
      {"pre", "Today 7:30 PM"}, {"in", "Q3 4:12"}, {"post", "Q3 4:12"}, {"Pre", "Q3 4:12"}, {"", "Q3 4:12"},
  };
  for (const auto& [state, expected] : rows) {
    score.state = state;
    EXPECT_EQ(score_status_label(score, clock), expected) << state;
  }
  score.state = "pre";
  score.starts_at.reset();
  EXPECT_EQ(score_status_label(score, clock), "Q3 4:12");
  score.starts_at = "tonight";
  EXPECT_EQ(score_status_label(score, clock), "Q3 4:12");
}

TEST(ScoreValue, OnlyFiniteDecimalNumbersParse) {
  struct Row {
    std::optional<std::string> text;
    bool parsed;
    float value;
  };
  const Row rows[] = {
      {"3", true, 3},
      {" 3 ", true, 3},
      {"\xc2\xa0" "21\xe2\x80\x83", true, 21},  // no-break space, em space
      {"+2", true, 2},
      {"-1", true, -1},
      {"2.5", true, 2.5f},
      {".5", true, 0.5f},
      {"1e3", true, 1000},
      {"1e-60", true, 0},
      {std::nullopt, false, 0},
      {"", false, 0},
      {"   ", false, 0},
      {"3-1", false, 0},
      {"3 1", false, 0},
      {"1,5", false, 0},
      {"+-2", false, 0},
      {"++2", false, 0},
      {"0x10", false, 0},
      {"NaN", false, 0},
      {"nan", false, 0},
      {"inf", false, 0},
      {"-inf", false, 0},
      {"+Infinity", false, 0},
      {"1e39", false, 0},
  };
  for (const Row& r : rows) {
    QxSide side;
    side.score = r.text;
    const ScoreValue v = parse_score_value(side);
    EXPECT_EQ(v.parsed, r.parsed) << r.text.value_or("(none)");
    if (r.parsed && v.parsed) EXPECT_EQ(v.value, r.value) << *r.text;
  }
}

}  // namespace
}  // namespace qx

// Broken date stamps and score texts: a label is either none or of the documented shape, only
// the five number fields of a stamp count, and a score is a finite number or nothing.
#include "render/date_labels.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "fuzz_mutation.h"
#include "unicode_text.h"

namespace qx {
namespace {

using zvtest::Mutator;
using zvtest::printable;

// A zone a fixed number of minutes from UTC and a fixed local "now"; refuses what the platform
// refuses (days_since_1601's rules) and computes the local date directly, so that any year works.
class OffsetClock final : public LocalClock {
 public:
  OffsetClock(std::int64_t offset_minutes, CivilTime now) : offset_(offset_minutes), now_(now) {}

  std::optional<CivilTime> to_local(const CivilTime& utc) override {
    const std::optional<std::int64_t> day = days_since_1601(utc);
    if (!day) return std::nullopt;
    const std::int64_t minutes = *day * 1440 + utc.hour * 60 + utc.minute + offset_;
    const std::int64_t days = minutes >= 0 ? minutes / 1440 : -((-minutes + 1439) / 1440);
    const std::int64_t rest = minutes - days * 1440;
    CivilTime t = civil_from_days_since_1601(days);
    t.hour = static_cast<std::uint16_t>(rest / 60);
    t.minute = static_cast<std::uint16_t>(rest % 60);
    return t;
  }
  CivilTime local_now() override { return now_; }

  // Howard Hinnant's civil_from_days, shifted to 1601-01-01 (a Monday).
  static CivilTime civil_from_days_since_1601(std::int64_t days) {
    const std::int64_t z = days - 134774 + 719468;  // 134774 days from 1601-01-01 to 1970-01-01
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2);
    CivilTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(m);
    t.day = static_cast<std::uint16_t>(d);
    t.day_of_week = static_cast<std::uint16_t>(((days + 1) % 7 + 7) % 7);
    return t;
  }

 private:
  std::int64_t offset_;
  CivilTime now_;
};

const std::regex LABEL_SHAPE(
    "(Today|Tomorrow|Sun|Mon|Tue|Wed|Thu|Fri|Sat|([1-9]|[12][0-9]|3[01]) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec))"
    " ([1-9]|1[0-2]):[0-5][0-9] (AM|PM)");

void expect_label_shape(const std::optional<std::string>& label, const std::string& context) {
  if (label) {
    EXPECT_TRUE(std::regex_match(*label, LABEL_SHAPE)) << context << "\nlabel: " << printable(*label);
  }
}

const std::vector<std::string> STAMP_SEEDS = {"2026-03-01T18:30", "2026-03-01T18:30:00Z", "2026-03-01T18:30:00+05:00",
                                              "2026/03/01 18:30", "1601-01-01T00:00", "30827-12-31T23:59",
                                              "2024-02-29T23:59:59.999Z"};
const std::vector<std::string> STAMP_TOKENS = {"0", "9", "+", "-", ":", "T", " ", "65535", "65536", "00", "13",
                                               "31", "24", "60", "\xD9\xA3", "\xEF\xBC\x91"};

OffsetClock random_clock(Mutator& m) {
  const auto now_days = static_cast<std::int64_t>(m.below(160'000));  // 1601 .. 2039
  CivilTime now = OffsetClock::civil_from_days_since_1601(now_days);
  now.hour = static_cast<std::uint16_t>(m.below(24));
  now.minute = static_cast<std::uint16_t>(m.below(60));
  return OffsetClock(static_cast<std::int64_t>(m.below(28 * 60 + 1)) - 14 * 60, now);
}

TEST(TimeLabelFuzz, AMutatedStampGivesNoLabelOrOneOfTheDocumentedShape) {
  Mutator m(0x3112, STAMP_TOKENS, 256);
  int labels = 0;
  for (int i = 0; i < 100000; ++i) {
    OffsetClock clock = random_clock(m);
    const std::string stamp = m.chance(10) ? m.random_bytes(24) : m.mutate(m.pick(STAMP_SEEDS), 2);
    const std::optional<std::string> label = time_label(stamp, clock);
    expect_label_shape(label, "stamp " + printable(stamp));
    labels += label.has_value();
  }
  EXPECT_GT(labels, 10000);
}

TEST(TimeLabelFuzz, OnlyTheFiveNumberFieldsOfAStampCount) {
  Mutator m(0x3113, STAMP_TOKENS, 64);
  for (int i = 0; i < 5000; ++i) {
    OffsetClock clock = random_clock(m);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02uT%02u:%02u", static_cast<unsigned>(1601 + m.below(8399)),
                  static_cast<unsigned>(1 + m.below(12)), static_cast<unsigned>(1 + m.below(31)),
                  static_cast<unsigned>(m.below(24)), static_cast<unsigned>(m.below(60)));
    const std::string base(stamp);
    const std::optional<std::string> label = time_label(base, clock);
    expect_label_shape(label, base);

    // Any ASCII character in the four separator places, and any text after byte 16 (stamps come
    // from decoded feeds: valid UTF-8, so byte 16 always begins a character).
    std::string changed = base;
    for (std::size_t at : {4u, 7u, 10u, 13u}) changed[at] = static_cast<char>(m.below(128));
    changed += sanitize_utf8(m.mutate("00.000+05:00 (local)"));
    EXPECT_EQ(time_label(changed, clock), label) << base << " vs " << printable(changed);
  }
}

TEST(TimeLabelFuzz, EveryCutOfAStampBelowSixteenBytesGivesNoLabel) {
  OffsetClock clock(60, CivilTime{2026, 3, 0, 1, 12, 0});
  for (const std::string& seed : STAMP_SEEDS) {
    for (std::size_t n = 0; n < 16 && n <= seed.size(); ++n) {
      EXPECT_EQ(time_label(seed.substr(0, n), clock), std::nullopt) << seed << " cut at " << n;
    }
  }
}

TEST(TimeLabelFuzz, StoryLinesAndScoreLabelsKeepTheirTexts) {
  Mutator m(0x3114, STAMP_TOKENS, 256);
  for (int i = 0; i < 5000; ++i) {
    OffsetClock clock = random_clock(m);
    QxItem story;
    story.title = m.mutate("Kickoff \xE2\x80\x94 late news");
    if (m.chance(80)) story.published = m.mutate(m.pick(STAMP_SEEDS), 2);
    const std::string line = story_line_with_time(story, clock);
    ASSERT_TRUE(line.starts_with(story.title)) << printable(line);
    if (line.size() > story.title.size()) {
      const std::string rest = line.substr(story.title.size());
      ASSERT_TRUE(rest.starts_with(". ")) << printable(line);
      expect_label_shape(rest.substr(2), printable(line));
    }

    QxScore score;
    score.state = m.chance(70) ? "pre" : m.mutate("pre", 1);
    score.detail = m.mutate("Q3 5:12");
    if (m.chance(80)) score.starts_at = m.mutate(m.pick(STAMP_SEEDS), 2);
    const std::string status = score_status_label(score, clock);
    if (status != score.detail) {
      EXPECT_EQ(score.state, "pre");
      expect_label_shape(status, printable(status));
    }
  }
}

#ifdef _WIN32
TEST(TimeLabelFuzz, TheSystemClockGivesNoLabelOrOneOfTheDocumentedShape) {
  // The platform's own conversion, with stamps it may refuse (month 13, day 31 in April,
  // the year 65535) or accept.
  Mutator m(0x3115, STAMP_TOKENS, 64);
  for (int i = 0; i < 3000; ++i) {
    const std::string stamp = m.mutate(m.pick(STAMP_SEEDS), 2);
    expect_label_shape(time_label(stamp, system_local_clock()), "stamp " + printable(stamp));
  }
}
#endif

TEST(ScoreValueFuzz, AParsedScoreIsAFiniteNumberWrittenInDigits) {
  Mutator m(0x3116, {"+", "-", ".", "e", "E", "0", "9", "inf", "nan", "0x1p3", "1e39", "1e-50", " ", "\xC2\xA0", ","},
            128);
  const std::vector<std::string> seeds = {"3", " 21 ", "3-1", "", "0.5", "-2", "+4", "1e3", "99999999999999999999"};
  int parsed = 0;
  for (int i = 0; i < 20000; ++i) {
    QxSide side;
    if (m.chance(95)) side.score = m.mutate(m.pick(seeds));
    const ScoreValue v = parse_score_value(side);
    if (!v.parsed) continue;
    ++parsed;
    const std::string text(trim_unicode_whitespace(*side.score));
    const std::string context = printable(*side.score);
    EXPECT_TRUE(std::isfinite(v.value)) << context;
    EXPECT_EQ(text.find_first_not_of("+-.0123456789eE"), std::string::npos) << context;
    // The same number a plain decimal reader sees, to float precision.
    const std::string_view digits = std::string_view(text).substr(text.starts_with('+') ? 1 : 0);
    double wide = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), wide);
    EXPECT_NEAR(v.value, wide, std::fabs(wide) * 1e-6 + 1e-37) << context;
  }
  EXPECT_GT(parsed, 1000);
}

TEST(ParseU16AtFuzz, AnyRangeOfAnyTextIsReadOrRefusedSafely) {
  Mutator m(0x3117, {"+", "0", "9", "65535", "65536"}, 32);
  for (int i = 0; i < 20000; ++i) {
    const std::string text = m.mutate("12+345\xC3\xA9" "65535");
    const std::size_t start = m.below(text.size() + 3), end = m.below(text.size() + 3);
    const std::optional<std::uint16_t> v = parse_u16_at(text, start, end);
    if (!v) continue;
    ASSERT_TRUE(start < end && end <= text.size()) << printable(text) << " " << start << ".." << end;
    std::string_view digits = std::string_view(text).substr(start, end - start);
    if (digits.starts_with('+')) digits.remove_prefix(1);
    unsigned expected = 0;
    const auto [last, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), expected);
    EXPECT_TRUE(ec == std::errc() && last == digits.data() + digits.size() && expected == *v)
        << printable(text) << " " << start << ".." << end;
  }
}

}  // namespace
}  // namespace qx

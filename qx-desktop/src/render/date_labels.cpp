#include "render/date_labels.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "unicode_text.h"

namespace qx {

namespace {

constexpr std::array<std::string_view, 7> WEEKDAYS{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 12> MONTHS{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool is_char_boundary(std::string_view text, std::size_t i) {
  return i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
}

bool is_leap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(std::int64_t y, int m) {
  static constexpr std::array<int, 12> DAYS{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && is_leap(y) ? 29 : DAYS[static_cast<std::size_t>(m - 1)];
}

// Days from 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's days_from_civil).
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

const std::int64_t DAYS_1601_TO_1970 = -days_from_civil(1601, 1, 1);

std::string two_digits(unsigned v) {
  std::string s(1, static_cast<char>('0' + v / 10 % 10));
  s += static_cast<char>('0' + v % 10);
  return s;
}

std::string day_and_month(const CivilTime& t) {
  const std::size_t month = t.month == 0 ? 0 : static_cast<std::size_t>(t.month - 1) % 12;
  return std::to_string(t.day) + " " + std::string(MONTHS[month]);
}

}  // namespace

std::optional<std::uint16_t> parse_u16_at(std::string_view text, std::size_t start, std::size_t end) {
  if (start > end || end > text.size()) return std::nullopt;
  if (!is_char_boundary(text, start) || !is_char_boundary(text, end)) return std::nullopt;
  std::string_view digits = text.substr(start, end - start);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty()) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    if (!is_ascii_digit(c)) return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
    if (value > 65535) return std::nullopt;
  }
  return static_cast<std::uint16_t>(value);
}

// Refuses what the platform's date conversion refuses: years outside 1601..30827, months
// outside 1..12, days that the month lacks, hours from 24 and minutes from 60.
std::optional<std::int64_t> days_since_1601(const CivilTime& date) {
  if (date.year < 1601 || date.year > 30827 || date.month < 1 || date.month > 12) return std::nullopt;
  if (date.day < 1 || date.day > days_in_month(date.year, date.month)) return std::nullopt;
  if (date.hour > 23 || date.minute > 59) return std::nullopt;
  return days_from_civil(date.year, date.month, date.day) + DAYS_1601_TO_1970;
}

std::optional<std::string> time_label(std::string_view stamp, LocalClock& clock) {
  const auto year = parse_u16_at(stamp, 0, 4);
  const auto month = parse_u16_at(stamp, 5, 7);
  const auto day = parse_u16_at(stamp, 8, 10);
  const auto hour = parse_u16_at(stamp, 11, 13);
  const auto minute = parse_u16_at(stamp, 14, 16);
  if (!year || !month || !day || !hour || !minute) return std::nullopt;

  const std::optional<CivilTime> local = clock.to_local(CivilTime{*year, *month, 0, *day, *hour, *minute});
  if (!local) return std::nullopt;
  const std::optional<std::int64_t> event_day = days_since_1601(*local);
  const std::optional<std::int64_t> today = days_since_1601(clock.local_now());
  if (!event_day || !today) return std::nullopt;

  const std::int64_t d = *event_day - *today;
  std::string label;
  if (d == 0) {
    label = "Today";
  } else if (d == 1) {
    label = "Tomorrow";
  } else if (d >= 2 && d <= 6) {
    label = std::string(WEEKDAYS[local->day_of_week % 7]);
  } else {
    label = day_and_month(*local);
  }
  const unsigned h = local->hour % 12 == 0 ? 12u : local->hour % 12u;
  label += " " + std::to_string(h) + ":" + two_digits(local->minute) + (local->hour < 12 ? " AM" : " PM");
  return label;
}

std::string story_line_with_time(const QxItem& story, LocalClock& clock) {
  if (story.published) {
    if (const std::optional<std::string> label = time_label(*story.published, clock)) {
      return story.title + ". " + *label;
    }
  }
  return story.title;
}

std::string score_status_label(const QxScore& score, LocalClock& clock) {
  if (score.state == "pre" && score.starts_at) {
    if (std::optional<std::string> label = time_label(*score.starts_at, clock)) return *label;
  }
  return score.detail;
}

// Only finite decimal numbers count: "NaN" and "inf" would read as numbers to a float parser,
// and a NaN score compares as neither ahead nor level, so neither side would be emphasised.
ScoreValue parse_score_value(const QxSide& side) {
  if (!side.score) return {};
  std::string_view text = trim_unicode_whitespace(*side.score);
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return {};
  }
  if (text.empty()) return {};
  const char* first = text.data();
  const char* last = text.data() + text.size();
  float value = 0;
  auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too small for a float reads as zero (or a subnormal); too large is no number.
    double wide = 0;
    auto [wide_end, wide_ec] = std::from_chars(first, last, wide, std::chars_format::general);
    if (wide_ec != std::errc{} || wide_end != last || !(std::fabs(wide) < 1.0)) return {};
    return {true, static_cast<float>(wide)};
  }
  if (ec != std::errc{} || end != last || !std::isfinite(value)) return {};
  return {true, value};
}

}  // namespace qx

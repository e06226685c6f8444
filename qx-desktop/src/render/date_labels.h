// Short local labels for story and game times ("Today 7:30 PM", "Wed 7:30 PM", "8 Mar 7:30 PM").
// English in every UI language. The local clock is a seam so that tests fix the zone and "now".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "feed_records.h"

namespace qx {

// A calendar time; day_of_week 0 = Sunday.
struct CivilTime {
  std::uint16_t year = 1601;
  std::uint16_t month = 1;
  std::uint16_t day_of_week = 0;
  std::uint16_t day = 1;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

class LocalClock {
 public:
  virtual ~LocalClock() = default;
  // UTC to the current time zone's local time; none when the conversion fails (month 13, say).
  virtual std::optional<CivilTime> to_local(const CivilTime& utc) = 0;
  virtual CivilTime local_now() = 0;
};

// The Windows clock and time zone (Windows only).
LocalClock& system_local_clock();

std::optional<std::uint16_t> parse_u16_at(std::string_view text, std::size_t start, std::size_t end);
std::optional<std::int64_t> days_since_1601(const CivilTime& date);

std::optional<std::string> time_label(std::string_view stamp, LocalClock& clock);
std::string story_line_with_time(const QxItem& story, LocalClock& clock);
std::string score_status_label(const QxScore& score, LocalClock& clock);

struct ScoreValue {
  bool parsed = false;
  float value = 0;
};
ScoreValue parse_score_value(const QxSide& side);

}  // namespace qx

// The local clock of Windows: the current time zone's conversion and the local time of day.
#include <windows.h>

#include "render/date_labels.h"

namespace qx {

namespace {

CivilTime civil_of(const SYSTEMTIME& t) {
  return CivilTime{t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute};
}

class SystemLocalClock final : public LocalClock {
 public:
  std::optional<CivilTime> to_local(const CivilTime& utc) override {
    SYSTEMTIME in{};
    in.wYear = utc.year;
    in.wMonth = utc.month;
    in.wDayOfWeek = utc.day_of_week;
    in.wDay = utc.day;
    in.wHour = utc.hour;
    in.wMinute = utc.minute;
    SYSTEMTIME out{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &in, &out)) return std::nullopt;
    return civil_of(out);
  }

  CivilTime local_now() override {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return civil_of(now);
  }
};

}  // namespace

LocalClock& system_local_clock() {
  // Stateless, and never destroyed so that any thread may use it until the process ends.
  static SystemLocalClock* clock = new SystemLocalClock();
  return *clock;
}

}  // namespace qx

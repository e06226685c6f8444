// Float to int32 without undefined behaviour: the value as an integer, NaN giving 0 and values
// beyond the range held at its ends. Callers round first.
#pragma once

#include <cmath>
#include <cstdint>

namespace qx {

// Halves away from zero. MinGW's roundf adds 0.5 and floors, which turns 0.49999997 into 1; the
// fraction taken off by trunc is exact, so comparing it with one half rounds correctly.
inline float round_half_away(float v) {
  const float t = std::trunc(v);
  return std::fabs(v - t) >= 0.5f ? t + std::copysign(1.0f, v) : t;
}

inline std::int32_t saturate_i32(float integral) {
  if (std::isnan(integral)) return 0;
  if (integral > 2147483520.0f) return INT32_MAX;  // 2147483520 is the largest float below 2^31
  if (integral <= -2147483648.0f) return INT32_MIN;
  return static_cast<std::int32_t>(integral);
}

// A wide integer held at the ends of the signed 32-bit range, for sums and differences of
// coordinates formed in 64 bits so that they cannot wrap.
inline std::int32_t clamp_i32(std::int64_t v) {
  return static_cast<std::int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

}  // namespace qx

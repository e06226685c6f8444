// Float to int32 without undefined behaviour: the value as an integer, NaN giving 0 and values
// beyond the range held at its ends. Callers round first.
#pragma once

#include <cmath>
#include <cstdint>

namespace qx {

inline std::int32_t saturate_i32(float integral) {
  if (std::isnan(integral)) return 0;
  if (integral >= 2147483520.0f) return INT32_MAX;  // the largest float below 2^31
  if (integral <= -2147483648.0f) return INT32_MIN;
  return static_cast<std::int32_t>(integral);
}

}  // namespace qx

#include "platform/Rounding.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
double LimitTo32Bits(double x) { return std::clamp(x, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)); }
}  // namespace

int RoundHalfEven(double x) {
  if (std::isnan(x)) return 0;
  const double floor = std::floor(LimitTo32Bits(x));
  const double rest = LimitTo32Bits(x) - floor;
  double result = floor;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(floor, 2.0) != 0.0)) result += 1.0;
  return static_cast<int>(LimitTo32Bits(result));
}

int TruncToInt(double x) {
  if (std::isnan(x)) return 0;
  return static_cast<int>(std::trunc(LimitTo32Bits(x)));
}

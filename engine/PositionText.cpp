#include "engine/PositionText.h"

#include <charconv>
#include <cmath>
#include <string_view>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <clocale>
#endif

ShortText DecimalSeparator() {
#if defined(_WIN32)
  char separator[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator) > 1) return ShortText(separator);
#else
  const std::lconv* conventions = std::localeconv();
  if (conventions != nullptr && conventions->decimal_point != nullptr && conventions->decimal_point[0] != 0)
    return ShortText(conventions->decimal_point);
#endif
  return ShortText(".");
}

ShortText FormatPosition(double v) {
  // The digits are written without regard to any locale; the separator is put in after.
  char digits[48];
  const auto written = std::fabs(v) < 99999.995
                           ? std::to_chars(digits, digits + sizeof digits, v, std::chars_format::fixed, 2)
                           : std::to_chars(digits, digits + sizeof digits, v, std::chars_format::scientific, 4);
  const std::string_view text(digits, written.ec == std::errc() ? static_cast<size_t>(written.ptr - digits) : 0);
  const size_t point = text.find('.');
  ShortText result(text.substr(0, point));
  if (point != std::string_view::npos) {
    result.Append(DecimalSeparator().View());
    result.Append(text.substr(point + 1));
  }
  return result;
}

// The user's Windows country and language names.
#include <windows.h>

#include "win_util.h"
#include "world/locale_choice.h"

namespace qx {

namespace {

constexpr int NAME_UNITS = 85;  // LOCALE_NAME_MAX_LENGTH; geo names are shorter

std::string read_name(int (*call)(LPWSTR, int)) {
  wchar_t buffer[NAME_UNITS] = {};
  const int length = call(buffer, NAME_UNITS);
  std::u16string_view units(reinterpret_cast<const char16_t*>(buffer), NAME_UNITS);
  return wide_name_to_string(units, length);  // a failed call returns 0: an empty name
}

// Windows 10 1709 and later; on older systems the country reads as unknown ("ZZ"), as when
// the call fails.
int geo_name(LPWSTR buffer, int units) {
  using GeoNameFn = int(WINAPI*)(LPWSTR, int);
  static const GeoNameFn call = system_function<GeoNameFn>(L"kernel32.dll", "GetUserDefaultGeoName");
  return call ? call(buffer, units) : 0;
}
int locale_name(LPWSTR buffer, int units) { return GetUserDefaultLocaleName(buffer, units); }

}  // namespace

WindowsLocaleNames read_windows_locale_names() { return WindowsLocaleNames{read_name(geo_name), read_name(locale_name)}; }

}  // namespace qx

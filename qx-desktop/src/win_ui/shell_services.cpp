#include "win_ui/shell_services.h"

#include <algorithm>

#include "unicode_text.h"

namespace qx {

std::u16string tray_tip_units(std::string_view tip) {
  std::u16string units = utf8_to_utf16(tip);
  if (units.size() > TRAY_TIP_MAX_UNITS) units.resize(TRAY_TIP_MAX_UNITS);
  return units;
}

std::u16string file_filter_units(const FileFilter& filter) {
  std::u16string out = utf8_to_utf16(filter.description);
  out.push_back(u'\0');
  out += utf8_to_utf16(filter.patterns);
  out.push_back(u'\0');
  out.push_back(u'\0');
  return out;
}

std::u16string autostart_data(std::u16string_view program_path) {
  std::u16string out;
  out.reserve(program_path.size() + 3);
  out.push_back(u'"');
  out += program_path;
  out.push_back(u'"');
  out.push_back(u'\0');
  return out;
}

bool is_https_link(std::string_view text) { return text.starts_with("https://"); }

std::optional<std::string> text_before_nul(const char16_t* units, std::size_t count) {
  if (units == nullptr) return std::nullopt;
  const char16_t* end = units + count;
  const char16_t* nul = std::find(units, end, u'\0');
  if (nul == end) return std::nullopt;
  return utf16_to_utf8(std::u16string_view(units, static_cast<std::size_t>(nul - units)));
}

std::string clipboard_units_to_text(const char16_t* units, std::size_t count) {
  if (units == nullptr) return {};
  const char16_t* end = units + count;
  const char16_t* nul = std::find(units, end, u'\0');
  const std::string text = utf16_to_utf8(std::u16string_view(units, static_cast<std::size_t>(nul - units)));
  return std::string(trim_unicode_whitespace(text));
}

std::uint16_t minute_of_day(std::uint16_t hour, std::uint16_t minute) {
  return static_cast<std::uint16_t>(hour * 60 + minute);
}

}  // namespace qx

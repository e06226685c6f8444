#include "app/command_line.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "app/feed_service.h"
#include "unicode_text.h"

namespace qx {

namespace {

constexpr bool is_blank16(char16_t c) { return c == u' ' || c == u'\t'; }

std::optional<std::int32_t> parse_i32(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (!is_ascii_digit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > std::int64_t{1} << 31) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

// sign? (digits ("." digits?)? | "." digits) (("e" | "E") sign? digits)?
bool is_decimal_number(std::string_view s) {
  std::size_t i = 0;
  auto digits = [&] {
    std::size_t start = i;
    while (i < s.size() && is_ascii_digit(s[i])) ++i;
    return i - start;
  };
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t mantissa = digits();
  if (i < s.size() && s[i] == '.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == s.size();
}

}  // namespace

std::vector<std::string> split_command_line(std::u16string_view line) {
  std::vector<std::string> out;
  std::size_t i = 0;
  const std::size_t n = line.size();
  if (n == 0) return out;

  std::u16string program;
  bool quoted = false;
  for (; i < n; ++i) {
    char16_t c = line[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (is_blank16(c) && !quoted) {
      break;
    } else {
      program += c;
    }
  }
  out.push_back(utf16_to_utf8(program));

  for (;;) {
    while (i < n && is_blank16(line[i])) ++i;
    if (i >= n) break;
    std::u16string arg;
    quoted = false;
    while (i < n) {
      char16_t c = line[i];
      if (is_blank16(c) && !quoted) break;
      if (c == u'\\') {
        std::size_t run = 0;
        while (i < n && line[i] == u'\\') {
          ++run;
          ++i;
        }
        if (i < n && line[i] == u'"') {
          arg.append(run / 2, u'\\');
          if (run % 2 == 1) {
            arg += u'"';
            ++i;
          }
        } else {
          arg.append(run, u'\\');
        }
        continue;
      }
      if (c == u'"') {
        if (quoted && i + 1 < n && line[i + 1] == u'"') {
          arg += u'"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
        continue;
      }
      arg += c;
      ++i;
    }
    out.push_back(utf16_to_utf8(arg));
  }
  return out;
}

std::optional<std::uint64_t> parse_option_u64(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (!is_ascii_digit(c)) return std::nullopt;
    auto d = static_cast<std::uint64_t>(c - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - d) / 10) return std::nullopt;
    value = value * 10 + d;
  }
  return value;
}

namespace {

// The power of ten of a decimal number's leading digit ("0.05" gives -2, "12e3" gives 4), the
// exponent saturated; only its sign matters to the caller. Zero gives a negative power.
std::int64_t decimal_power(std::string_view text) {
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  const std::size_t e = text.find_first_of("eE");
  const std::string_view mantissa = text.substr(0, e);
  std::int64_t exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view digits = text.substr(e + 1);
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
    for (char c : digits) exponent = std::min<std::int64_t>(exponent * 10 + (c - '0'), 1'000'000'000);
    if (negative) exponent = -exponent;
  }
  const std::size_t point = mantissa.find('.');
  const std::string_view whole = mantissa.substr(0, point);
  const std::size_t first_whole = whole.find_first_not_of('0');
  if (first_whole != std::string_view::npos) return exponent + static_cast<std::int64_t>(whole.size() - first_whole) - 1;
  const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : mantissa.substr(point + 1);
  const std::size_t first_fraction = fraction.find_first_not_of('0');
  if (first_fraction == std::string_view::npos) return -1;
  return exponent - static_cast<std::int64_t>(first_fraction) - 1;
}

}  // namespace

std::optional<float> parse_option_float(std::string_view text) {
  if (!is_decimal_number(text)) return std::nullopt;
  if (text.front() == '+') text.remove_prefix(1);
  float value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range && end == text.data() + text.size() && decimal_power(text) < 0) {
    // Below the float's range the nearest float is zero, as any reader of "1e-50" would take it.
    return text.front() == '-' ? -0.0f : 0.0f;
  }
  // Above it there is no float: an infinity is no number the user gave.
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::pair<std::int32_t, std::int32_t>> parse_option_size(std::string_view text) {
  std::size_t x = text.find('x');
  if (x == std::string_view::npos) return std::nullopt;
  auto width = parse_i32(text.substr(0, x));
  auto height = parse_i32(text.substr(x + 1));
  if (!width || !height) return std::nullopt;
  return std::pair{*width, *height};
}

CommandLineOptions parse_arguments(const std::vector<std::string>& arguments) {
  CommandLineOptions o;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    // The next argument, whatever it is; none at the end (which clears the option).
    auto take = [&]() -> std::optional<std::string> {
      if (i + 1 < arguments.size()) return arguments[++i];
      return std::nullopt;
    };
    auto take_as = [&](auto parse) -> decltype(parse(std::string_view{})) {
      auto v = take();
      if (!v) return std::nullopt;
      return parse(*v);
    };
    auto lower = [](std::string_view v) { return std::optional(ascii_lower(v)); };

    if (a == "--feed") o.feed = take();
    else if (a == "--team-id") o.feed = take_as([](std::string_view v) { return std::optional(team_id_feed_url(v)); });
    else if (a == "--item") o.item = take_as(parse_option_u64);
    else if (a == "--mode") o.mode = take_as(lower);
    else if (a == "--edge") o.edge = take_as(lower);
    else if (a == "--orb") o.orb = take();
    else if (a == "--orb-image") o.orb_image = take();
    else if (a == "--skin") o.skin = take_as(parse_option_u64);
    else if (a == "--country") o.country = take();
    else if (a == "--lang") o.lang = take();
    else if (a == "--left") o.left = take();
    else if (a == "--bar-image") o.bar_image = take();
    else if (a == "--fit") o.fit = take();
    else if (a == "--orb-zoom") o.orb_zoom = take_as(parse_option_float);
    else if (a == "--play") o.play = take();
    else if (a == "--after-update") o.after_update = true;
    else if (a == "--check-update") o.check_update = true;
    else if (a == "--self-test") o.self_test = true;
    else if (a == "--expanded") o.expanded = true;
    else if (a == "--render") o.render = take();
    else if (a == "--scale") o.scale = take_as(parse_option_float);
    else if (a == "--size") o.size = take_as(parse_option_size);
  }
  return o;
}

Placement placement_from_options(const CommandLineOptions& options, std::optional<std::string_view> settings_mode) {
  if (!options.mode && !options.edge) {
    if (settings_mode) {
      for (Placement p : {Placement::SignalBarBottom, Placement::SignalBarTop, Placement::Island, Placement::BarLeft,
                          Placement::BarRight}) {
        if (placement_name(p) == *settings_mode) return p;
      }
    }
    return Placement::SignalBarBottom;
  }
  const std::string mode = options.mode.value_or("bar");
  const std::string edge = options.edge.value_or("bottom");
  if (mode == "island") return Placement::Island;
  if (mode != "bar") return Placement::SignalBarBottom;
  if (edge == "top") return Placement::SignalBarTop;
  if (edge == "left") return Placement::BarLeft;
  if (edge == "right") return Placement::BarRight;
  return Placement::SignalBarBottom;
}

}  // namespace qx

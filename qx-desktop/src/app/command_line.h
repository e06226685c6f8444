// The command line: splitting the process's command line into arguments, reading the 22
// options into CommandLineOptions, and the placement the options choose.
//
// Options are compared exactly (case-sensitive). An option that takes a value consumes the
// next argument whatever it looks like; without one, or with a value that does not parse, the
// option becomes absent (clearing an earlier value). The last occurrence wins; anything that is
// not an option name is ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/app_state.h"

namespace qx {

struct CommandLineOptions {
  std::optional<std::string> feed;  // "--feed", or the address "--team-id" builds
  std::optional<std::uint64_t> item;
  std::optional<std::string> mode;  // ASCII lower-cased
  std::optional<std::string> edge;  // ASCII lower-cased
  std::optional<std::string> orb;
  std::optional<std::string> orb_image;
  std::optional<std::uint64_t> skin;
  std::optional<std::string> country;
  std::optional<std::string> lang;
  std::optional<std::string> left;
  std::optional<std::string> bar_image;
  std::optional<std::string> fit;
  std::optional<float> orb_zoom;
  std::optional<std::string> play;
  std::optional<std::string> render;
  std::optional<float> scale;
  std::optional<std::pair<std::int32_t, std::int32_t>> size;  // width, height
  bool after_update = false;
  bool check_update = false;
  bool self_test = false;
  bool expanded = false;
};

// The arguments of a Windows command line, the program name first, as UTF-8. The program
// name runs to the first blank or tab outside quotes (quotes only toggle there); after it the
// usual rules hold: 2n backslashes before a quote give n and toggle quoting, 2n+1 give n and a
// literal quote, other backslashes are literal, and "" inside quotes is a literal quote.
std::vector<std::string> split_command_line(std::u16string_view line);

// The options of the arguments after the program name.
CommandLineOptions parse_arguments(const std::vector<std::string>& arguments);

// The options of this process's own command line (Windows only).
CommandLineOptions parse_command_line();

// "--mode"/"--edge" when either is given (mode "bar" and edge "bottom" by default), else the
// settings' "mode" name, else the bottom bar.
Placement placement_from_options(const CommandLineOptions& options, std::optional<std::string_view> settings_mode);

// Number forms of the options: digits with an optional "+" (64 bits); a decimal number with an
// optional sign, fraction and exponent, as the nearest 32-bit float (zero below the float's range,
// absent above it); WIDTHxHEIGHT of signed 32-bit
// integers, split at the first lower-case "x".
std::optional<std::uint64_t> parse_option_u64(std::string_view text);
std::optional<float> parse_option_float(std::string_view text);
std::optional<std::pair<std::int32_t, std::int32_t>> parse_option_size(std::string_view text);

}  // namespace qx

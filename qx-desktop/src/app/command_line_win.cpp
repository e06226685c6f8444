#include <windows.h>

#include "app/command_line.h"

namespace qx {

CommandLineOptions parse_command_line() {
  const wchar_t* line = GetCommandLineW();
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  std::u16string_view text = line ? std::u16string_view(reinterpret_cast<const char16_t*>(line)) : std::u16string_view();
  std::vector<std::string> arguments = split_command_line(text);
  if (!arguments.empty()) arguments.erase(arguments.begin());  // the program name
  return parse_arguments(arguments);
}

}  // namespace qx

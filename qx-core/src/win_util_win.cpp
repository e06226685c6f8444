#include "win_util.h"

#include "unicode_text.h"

namespace qx {

std::optional<std::wstring> wide_path(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;
  return utf8_to_wide(path);
}

std::string system_message(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  DWORD n = FormatMessageW(flags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                           reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  if (n == 0) n = FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::string out;
  if (n != 0 && text) {
    out = wide_to_utf8(std::wstring_view(text, n));
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  }
  if (text) LocalFree(text);
  if (out.empty()) out = "error " + std::to_string(code);
  return out;
}

}  // namespace qx

#include "app/console_win.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "unicode_text.h"

namespace qx {

namespace {

HANDLE g_stdout = nullptr;
HANDLE g_stderr = nullptr;
bool g_attached = false;

HANDLE usable_std_handle(DWORD which) {
  HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
  // FILE_TYPE_UNKNOWN with no error is still a handle that takes writes; only a failed query
  // means there is nothing behind it.
  SetLastError(NO_ERROR);
  if (GetFileType(h) == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return nullptr;
  return h;
}

bool write_file_all(HANDLE h, std::string_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
    if (!WriteFile(h, text.data(), chunk, &written, nullptr) || written == 0) return false;
    text.remove_prefix(written);
  }
  return true;
}

// False only when the console took nothing at all.
bool write_console_all(HANDLE h, std::string_view text) {
  // A console shows UTF-16; UTF-8 bytes would go through its code page.
  const std::wstring wide = utf8_to_wide(text);
  std::wstring_view rest = wide;
  while (!rest.empty()) {
    DWORD written = 0;
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1u << 14));
    if (!WriteConsoleW(h, rest.data(), chunk, &written, nullptr) || written == 0) return rest.size() < wide.size();
    rest.remove_prefix(written);
  }
  return true;
}

void write_all(HANDLE h, std::string_view text) {
  if (h == nullptr || text.empty()) return;
  DWORD mode = 0;
  // A handle that claims to be a console but refuses console writes still takes bytes.
  if (GetConsoleMode(h, &mode) && write_console_all(h, text)) return;
  write_file_all(h, text);
}

}  // namespace

void attach_parent_console() {
  if (g_attached) return;
  g_attached = true;
  g_stdout = usable_std_handle(STD_OUTPUT_HANDLE);
  g_stderr = usable_std_handle(STD_ERROR_HANDLE);
  if (g_stdout && g_stderr) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return;
  if (!g_stdout) g_stdout = console;
  if (!g_stderr) g_stderr = console;
}

void write_stdout(std::string_view text) {
  attach_parent_console();
  write_all(g_stdout, text);
}

void write_stderr(std::string_view text) {
  attach_parent_console();
  write_all(g_stderr, text);
}

}  // namespace qx

#include "app/console_win.h"

#include <windows.h>

#include <string>

#include "unicode_text.h"

namespace qx {

namespace {

HANDLE g_stdout = nullptr;
HANDLE g_stderr = nullptr;
bool g_attached = false;

HANDLE usable_std_handle(DWORD which) {
  HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE || GetFileType(h) == FILE_TYPE_UNKNOWN) return nullptr;
  return h;
}

void write_all(HANDLE h, std::string_view text) {
  if (h == nullptr || text.empty()) return;
  DWORD mode = 0;
  if (GetConsoleMode(h, &mode)) {
    // A console shows UTF-16; UTF-8 bytes would go through its code page.
    std::wstring wide = utf8_to_wide(text);
    DWORD written = 0;
    WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  while (!text.empty()) {
    DWORD written = 0;
    if (!WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written == 0) return;
    text.remove_prefix(written);
  }
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

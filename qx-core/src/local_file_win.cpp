// Local files on Windows: existence by attributes, and a whole read that lets other programs
// go on writing, renaming or deleting the file meanwhile.
#include <windows.h>

#include <new>
#include <string>

#include "local_file.h"
#include "unicode_text.h"

namespace qx {

namespace {

std::string system_message(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  DWORD n = FormatMessageW(flags, nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                           reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  if (n == 0) {
    n = FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  }
  std::string out;
  if (n != 0 && text) {
    out = wide_to_utf8(std::wstring_view(text, n));
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  }
  if (text) LocalFree(text);
  if (out.empty()) out = "error " + std::to_string(code);
  return out;
}

// A path for the wide API, or none when it holds a NUL (which would silently cut it short).
bool wide_path(std::string_view path, std::wstring& out) {
  if (path.find('\0') != std::string_view::npos) return false;
  out = utf8_to_wide(path);
  return true;
}

class WindowsFiles final : public LocalFiles {
 public:
  PathKind path_kind(std::string_view path) override {
    std::wstring wide;
    if (path.empty() || !wide_path(path, wide)) return PathKind::None;
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::None;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
  }

  Result<std::string, std::string> read_whole(std::string_view path) override {
    std::wstring wide;
    if (!wide_path(path, wide)) return err(system_message(ERROR_INVALID_NAME));
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return err(system_message(GetLastError()));
    std::string out;
    char buffer[65536];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
        DWORD code = GetLastError();
        CloseHandle(file);
        return err(system_message(code));
      }
      if (got == 0) break;
      try {
        out.append(buffer, got);
      } catch (const std::bad_alloc&) {
        CloseHandle(file);
        return err(system_message(ERROR_NOT_ENOUGH_MEMORY));
      }
    }
    CloseHandle(file);
    return out;
  }
};

}  // namespace

LocalFiles& platform_local_files() {
  static auto* files = new WindowsFiles();
  return *files;
}

}  // namespace qx

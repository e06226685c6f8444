// The program's files on Windows, through the wide API only: a UTF-8 path is turned into UTF-16
// explicitly, never through the ANSI code page.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "app/file_ops.h"
#include "unicode_text.h"
#include "win_util.h"

namespace qx {

namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

class WindowsFileOps final : public FileOps {
 public:
  bool create_folders(std::string_view path) override {
    const std::optional<std::wstring> wide = wide_path(path);
    if (!wide) return false;
    // Every prefix that ends before a separator, then the whole path. Prefixes that are no folder
    // to create ("C:", "\\server\share") or that exist already simply fail.
    for (std::size_t i = 1; i <= wide->size(); ++i) {
      if (i == wide->size() || is_separator((*wide)[i])) {
        if (is_separator((*wide)[i - 1])) continue;
        CreateDirectoryW(wide->substr(0, i).c_str(), nullptr);
      }
    }
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool write_file(std::string_view path, std::string_view bytes) override {
    const std::optional<std::wstring> wide = wide_path(path);
    if (!wide) return false;
    UniqueHandle file(CreateFileW(wide->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
      DWORD written = 0;
      ok = WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) && written > 0;
      done += written;
    }
    ok = ok && FlushFileBuffers(file.get());
    return file.reset() && ok;
  }

  bool replace_file(std::string_view from, std::string_view to) override {
    const std::optional<std::wstring> wide_from = wide_path(from);
    const std::optional<std::wstring> wide_to = wide_path(to);
    if (!wide_from || !wide_to) return false;
    // A virus scanner or the search indexer may hold the target open for a moment, and the
    // rename then fails as busy or denied: those two are tried again for a short while.
    const ULONGLONG give_up = GetTickCount64() + static_cast<ULONGLONG>(REPLACE_RETRY_TIME.count());
    DWORD pause = 5;
    for (;;) {
      if (MoveFileExW(wide_from->c_str(), wide_to->c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
      }
      const DWORD error = GetLastError();
      if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) return false;
      const ULONGLONG now = GetTickCount64();
      if (now >= give_up) return false;
      Sleep(static_cast<DWORD>(std::min<ULONGLONG>(pause, give_up - now)));
      pause = std::min<DWORD>(pause * 2, 50);
    }
  }

  bool remove_file(std::string_view path) override {
    const std::optional<std::wstring> wide = wide_path(path);
    return wide && DeleteFileW(wide->c_str());
  }
};

}  // namespace

FileOps& platform_file_ops() {
  static auto* files = new WindowsFileOps();
  return *files;
}

std::optional<std::string> environment_variable(std::string_view name) {
  const std::optional<std::wstring> wide_name = wide_path(name);
  if (!wide_name) return std::nullopt;
  // The process environment itself: the C runtime's copy misses SetEnvironmentVariableW.
  std::wstring value(256, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetEnvironmentVariableW(wide_name->c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (n < value.size()) {
      value.resize(n);
      return wide_to_utf8(value);
    }
    value.assign(n, L'\0');  // n counts the terminating NUL when the buffer was too small
  }
}

}  // namespace qx

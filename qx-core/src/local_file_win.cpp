// Local files on Windows: existence by attributes, and a whole read that lets other programs
// go on writing, renaming or deleting the file meanwhile.
#include <windows.h>

#include <new>
#include <optional>
#include <string>

#include "local_file.h"
#include "unicode_text.h"
#include "win_util.h"

namespace qx {

namespace {

class WindowsFiles final : public LocalFiles {
 public:
  PathKind path_kind(std::string_view path) override {
    const std::optional<std::wstring> wide = wide_path(path);
    if (!wide) return PathKind::None;
    DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::None;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
  }

  Result<std::string, std::string> read_whole(std::string_view path) override {
    const std::optional<std::wstring> wide = wide_path(path);
    if (!wide) return err(system_message(ERROR_INVALID_NAME));
    UniqueHandle file(CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return err(system_message(GetLastError()));
    std::string out;
    char buffer[65536];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
        return err(system_message(GetLastError()));
      }
      if (got == 0) break;
      try {
        out.append(buffer, got);
      } catch (const std::bad_alloc&) {
        return err(system_message(ERROR_NOT_ENOUGH_MEMORY));
      }
    }
    return out;
  }
};

}  // namespace

LocalFiles& platform_local_files() {
  static auto* files = new WindowsFiles();
  return *files;
}

}  // namespace qx

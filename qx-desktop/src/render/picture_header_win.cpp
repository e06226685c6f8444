// A picture file's header read through the wide API, at any offset, with others free to read,
// replace or delete the file meanwhile.
#include <algorithm>

#include "render/picture_header.h"
#include "win_util.h"

namespace qx {

PictureHeader read_picture_file_header(const std::string& path) {
  const std::optional<std::wstring> wide = wide_path(path);
  if (!wide) return {};
  const UniqueHandle file(CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  return read_picture_header([&file](std::uint64_t offset, unsigned char* out, std::size_t count) -> std::size_t {
    OVERLAPPED at{};  // on a synchronous handle: where to read
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    if (!ReadFile(file.get(), out, static_cast<DWORD>(std::min<std::size_t>(count, 1u << 20)), &read, &at)) return 0;
    return read;
  });
}

}  // namespace qx

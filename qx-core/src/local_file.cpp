#include "local_file.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

namespace qx {

namespace {

class PosixFiles final : public LocalFiles {
 public:
  PathKind path_kind(std::string_view path) override {
    struct stat st {};
    if (path.find('\0') != std::string_view::npos || stat(std::string(path).c_str(), &st) != 0) {
      return PathKind::None;
    }
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::File;
  }

  Result<std::string, std::string> read_whole(std::string_view path) override {
    if (path.find('\0') != std::string_view::npos) return err(std::string("invalid file name"));
    int fd = open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return err(std::string(std::strerror(errno)));
    std::string out;
    char buffer[65536];
    for (;;) {
      ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        std::string text = std::strerror(errno);
        close(fd);
        return err(std::move(text));
      }
      if (n == 0) break;
      try {
        out.append(buffer, static_cast<std::size_t>(n));
      } catch (const std::bad_alloc&) {
        close(fd);
        return err(std::string("not enough memory to read the file"));
      }
    }
    close(fd);
    return out;
  }
};

}  // namespace

LocalFiles& platform_local_files() {
  static auto* files = new PosixFiles();
  return *files;
}

}  // namespace qx
#endif

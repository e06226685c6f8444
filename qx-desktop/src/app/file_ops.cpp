#include "app/file_ops.h"

namespace qx {

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

std::size_t last_separator(std::string_view path) { return path.find_last_of("/\\"); }

}  // namespace

PathKind FileOps::path_kind(std::string_view path) { return platform_local_files().path_kind(path); }

Result<std::string, std::string> FileOps::read_whole(std::string_view path) {
  return platform_local_files().read_whole(path);
}

char path_separator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

std::string join_path(std::string_view folder, std::string_view name) {
  std::string out(folder);
  if (!out.empty() && !is_separator(out.back())) out += path_separator();
  out += name;
  return out;
}

std::string with_extension(std::string_view path, std::string_view extension) {
  const std::size_t sep = last_separator(path);
  const std::size_t name_start = sep == std::string_view::npos ? 0 : sep + 1;
  const std::size_t dot = path.rfind('.');
  // A leading dot starts a name (".config"), not an extension.
  const bool has_extension = dot != std::string_view::npos && dot > name_start;
  std::string out(path.substr(0, has_extension ? dot : path.size()));
  out += '.';
  out += extension;
  return out;
}

std::string parent_folder(std::string_view path) {
  const std::size_t sep = last_separator(path);
  if (sep == std::string_view::npos) return {};
  return std::string(path.substr(0, sep));
}

bool write_file_replacing(FileOps& files, std::string_view target, std::string_view bytes) {
  const std::string temporary = with_extension(target, "tmp");
  if (temporary == target) return false;  // a target named *.tmp has no sibling to write first
  if (!files.write_file(temporary, bytes) || !files.replace_file(temporary, target)) {
    files.remove_file(temporary);
    return false;
  }
  return true;
}

}  // namespace qx

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace qx {

namespace {

bool has_nul(std::string_view path) { return path.find('\0') != std::string_view::npos; }

class PosixFileOps final : public FileOps {
 public:
  bool create_folders(std::string_view path) override {
    if (path.empty() || has_nul(path)) return false;
    const std::string p(path);
    for (std::size_t i = 1; i <= p.size(); ++i) {
      if (i == p.size() || p[i] == '/') {
        // Failures on the way (a part that exists) are fine; only the end result counts.
        mkdir(p.substr(0, i).c_str(), 0777);
      }
    }
    return path_kind(path) == PathKind::Folder;
  }

  bool write_file(std::string_view path, std::string_view bytes) override {
    if (path.empty() || has_nul(path)) return false;
    const int fd = open(std::string(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        close(fd);
        return false;
      }
      done += static_cast<std::size_t>(n);
    }
    const bool synced = fsync(fd) == 0;
    return close(fd) == 0 && synced;
  }

  bool replace_file(std::string_view from, std::string_view to) override {
    if (has_nul(from) || has_nul(to)) return false;
    return std::rename(std::string(from).c_str(), std::string(to).c_str()) == 0;
  }

  bool remove_file(std::string_view path) override {
    if (has_nul(path)) return false;
    return unlink(std::string(path).c_str()) == 0;
  }
};

}  // namespace

FileOps& platform_file_ops() {
  static auto* files = new PosixFileOps();
  return *files;
}

std::optional<std::string> environment_variable(std::string_view name) {
  if (has_nul(name)) return std::nullopt;
  const char* value = std::getenv(std::string(name).c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

}  // namespace qx
#endif

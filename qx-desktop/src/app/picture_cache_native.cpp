// Listing the picture cache folder with POSIX calls (builds other than Windows).
#include <dirent.h>
#include <sys/stat.h>

#include <string>

#include "app/picture_cache.h"

namespace qx {

std::optional<std::vector<FolderEntry>> list_folder(std::string_view folder) {
  if (folder.find('\0') != std::string_view::npos) return std::nullopt;
  DIR* dir = opendir(std::string(folder).c_str());
  if (!dir) return std::nullopt;
  std::vector<FolderEntry> entries;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    FolderEntry item{join_path(folder, name), std::nullopt};
    struct stat info;
    if (stat(item.path.c_str(), &info) == 0) {
      const auto since = std::chrono::seconds(info.st_mtim.tv_sec) + std::chrono::nanoseconds(info.st_mtim.tv_nsec);
      item.last_write = std::chrono::system_clock::time_point(
          std::chrono::duration_cast<std::chrono::system_clock::duration>(since));
    }
    entries.push_back(std::move(item));
  }
  closedir(dir);
  return entries;
}

}  // namespace qx

// Local files as the feed loader sees them: does something exist at a path, and the whole
// content of a file. Paths are UTF-8 text. The platform's version reads the disk
// (local_file_win.cpp on Windows, local_file.cpp elsewhere); tests may pass their own.
#pragma once

#include <string>
#include <string_view>

#include "result.h"

namespace qx {

enum class PathKind { None, File, Folder };

class LocalFiles {
 public:
  virtual ~LocalFiles() = default;
  virtual PathKind path_kind(std::string_view path) = 0;
  // The bytes of the file, or the platform's text for why it could not be read.
  virtual Result<std::string, std::string> read_whole(std::string_view path) = 0;
};

LocalFiles& platform_local_files();

}  // namespace qx

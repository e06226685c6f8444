// The program's own files (settings, cached pictures, the program's copies during an update):
// reading as the feed loader does, plus creating folders, writing a whole file, replacing one
// file by another and deleting. Paths are UTF-8 text; the Windows version speaks UTF-16 to the
// system, so folders with any characters work. Tests pass their own FileOps.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "local_file.h"

namespace qx {

inline constexpr std::chrono::milliseconds REPLACE_RETRY_TIME{400};

// Reading goes to the platform's LocalFiles unless a subclass says otherwise.
class FileOps : public LocalFiles {
 public:
  PathKind path_kind(std::string_view path) override;
  Result<std::string, std::string> read_whole(std::string_view path) override;
  // The folder and every missing parent; true when the folder exists afterwards.
  virtual bool create_folders(std::string_view path) = 0;
  // Creates or truncates the file and writes all bytes through to the disk; false on any failure
  // (the file may then hold part of the bytes).
  virtual bool write_file(std::string_view path, std::string_view bytes) = 0;
  // Renames `from` over `to`, replacing a file that is there, in one step. On Windows a target
  // that another program holds open is tried again for up to REPLACE_RETRY_TIME.
  virtual bool replace_file(std::string_view from, std::string_view to) = 0;
  virtual bool remove_file(std::string_view path) = 0;

  // Anything (file or folder) is at the path.
  bool exists(std::string_view path) { return path_kind(path) != PathKind::None; }
};

// The disk (file_ops_win.cpp on Windows, file_ops.cpp elsewhere); never destroyed.
FileOps& platform_file_ops();

// A variable of the process environment as UTF-8; none when it is not set.
std::optional<std::string> environment_variable(std::string_view name);

// The path separator of the platform: "\" on Windows, "/" elsewhere.
char path_separator();

// folder + separator + name (no second separator when the folder ends in one).
std::string join_path(std::string_view folder, std::string_view name);

// The path with the extension of its last part replaced ("a\settings.json" with "tmp" gives
// "a\settings.tmp"); a name without an extension gets one. Both "\" and "/" separate parts.
std::string with_extension(std::string_view path, std::string_view extension);

// The path without its last part ("" when it has no folder part).
std::string parent_folder(std::string_view path);

// Writes the bytes to the sibling with the extension "tmp", then renames that over the target,
// so that the target is always either the old file or the whole new one, even if the program
// dies meanwhile. On failure the target is left as it was and the sibling is removed.
bool write_file_replacing(FileOps& files, std::string_view target, std::string_view bytes);

}  // namespace qx

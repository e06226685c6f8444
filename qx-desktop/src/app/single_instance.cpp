#include "app/single_instance.h"

namespace qx {

bool another_instance_runs(bool after_update, const std::function<bool()>& create, const std::function<void()>& drop,
                           const std::function<void()>& pause) {
  bool exists = create();
  for (int retries = 0; after_update && exists && retries < SINGLE_INSTANCE_RETRIES; ++retries) {
    drop();
    pause();
    exists = create();
  }
  return exists;
}

std::vector<std::string> update_leftover_paths(std::string_view program_path) {
  // The extension is what follows the last dot of the file name, not of a folder.
  const std::size_t name_start = program_path.find_last_of("\\/") == std::string_view::npos
                                     ? 0
                                     : program_path.find_last_of("\\/") + 1;
  const std::size_t dot = program_path.rfind('.');
  const std::string_view stem =
      dot != std::string_view::npos && dot > name_start ? program_path.substr(0, dot) : program_path;
  std::vector<std::string> paths;
  for (const char* extension : {"old", "new", "bad"}) paths.push_back(std::string(stem) + "." + extension);
  return paths;
}

}  // namespace qx

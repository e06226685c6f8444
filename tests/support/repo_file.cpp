#include "repo_file.h"

#include <fstream>
#include <sstream>

namespace zv_test {

std::string read_repo_file(const std::string& relative) {
  std::string path = std::string(ZV_FIXTURES_DIR) + "/../../" + relative;
#ifdef _WIN32
  path = "Z:" + path;  // Wine shows the Linux file system as drive Z:
#endif
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string fixture_windows_path(const std::string& relative) {
  std::string path = std::string("Z:") + ZV_FIXTURES_DIR + "/" + relative;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace zv_test

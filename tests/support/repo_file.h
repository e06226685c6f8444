// Reads a file of the source tree by its path below the repository root ("" when it is missing),
// for tests that compare what was built into a program with the file it came from.
#pragma once

#include <string>

namespace zv_test {

std::string read_repo_file(const std::string& relative);

// A file under tests/fixtures as a Windows path with backslashes: the Linux root is drive Z:
// under Wine, and a program given the path on its command line reads it there.
std::string fixture_windows_path(const std::string& relative);

}  // namespace zv_test

// An in-memory disk for tests of code that writes the program's files: what is there, what was
// done to it, and switches that make each kind of operation fail.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/file_ops.h"

namespace qx::test {

// An in-memory disk that records what was done to it and can be told to fail.
class MemoryFiles final : public FileOps {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::vector<std::string> log;
  bool fail_folders = false;
  bool fail_write = false;  // writes half of the bytes, then fails
  bool fail_replace = false;

  PathKind path_kind(std::string_view path) override {
    if (files.count(std::string(path))) return PathKind::File;
    if (folders.count(std::string(path))) return PathKind::Folder;
    return PathKind::None;
  }
  Result<std::string, std::string> read_whole(std::string_view path) override {
    auto it = files.find(std::string(path));
    if (it == files.end()) return err(std::string("no such file"));
    return it->second;
  }
  bool create_folders(std::string_view path) override {
    log.push_back("folders " + std::string(path));
    if (fail_folders) return false;
    folders.insert(std::string(path));
    return true;
  }
  bool write_file(std::string_view path, std::string_view bytes) override {
    log.push_back("write " + std::string(path));
    if (fail_write) {
      files[std::string(path)] = std::string(bytes.substr(0, bytes.size() / 2));
      return false;
    }
    files[std::string(path)] = std::string(bytes);
    return true;
  }
  bool replace_file(std::string_view from, std::string_view to) override {
    log.push_back("replace " + std::string(from) + " " + std::string(to));
    auto it = files.find(std::string(from));
    if (fail_replace || it == files.end()) return false;
    files[std::string(to)] = it->second;
    files.erase(it);
    return true;
  }
  bool remove_file(std::string_view path) override {
    log.push_back("remove " + std::string(path));
    return files.erase(std::string(path)) > 0;
  }
};

}  // namespace qx::test

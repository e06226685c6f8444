// A fresh folder on the real disk for one test, removed with all it holds when the test ends.
#pragma once

#include <string>

namespace zvtest {

class TempFolder {
 public:
  explicit TempFolder(const std::wstring& tag);  // the folder's name starts with the tag
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::wstring& wide() const { return path_; }
  std::string utf8() const;
  std::wstring child(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

}  // namespace zvtest

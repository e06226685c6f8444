#include "temp_folder_win.h"

#include <windows.h>

#include <stdexcept>

#include "unicode_text.h"

namespace zvtest {

namespace {

void remove_tree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(h, &found));
    FindClose(h);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

TempFolder::TempFolder(const std::wstring& tag) {
  std::wstring base = L"Z:\\tmp";
  if (GetFileAttributesW(base.c_str()) == INVALID_FILE_ATTRIBUTES) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    base.assign(temp, n > 0 ? n - 1 : 0);  // without the trailing "\"
  }
  static LONG counter = 0;
  path_ = base + L"\\" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(InterlockedIncrement(&counter));
  if (!CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("cannot create a test folder");
}

TempFolder::~TempFolder() { remove_tree(path_); }

std::string TempFolder::utf8() const { return qx::wide_to_utf8(path_); }

}  // namespace zvtest

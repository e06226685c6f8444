// Small Win32 helpers shared by the _win.cpp files: an owning kernel handle, wide paths and
// system error texts. Windows only.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace qx {

// Owns one kernel handle (file, event, process, ...) and closes it when it goes.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  // Closes the handle held; true when there was none or it closed cleanly.
  bool reset(HANDLE h = nullptr) {
    bool ok = true;
    if (*this) ok = CloseHandle(h_) != 0;
    h_ = h;
    return ok;
  }

 private:
  HANDLE h_ = nullptr;
};

// A UTF-8 path for the wide API; none when it is empty or holds a NUL, which the system would
// take as its end and so silently cut the path short.
std::optional<std::wstring> wide_path(std::string_view path);

// A function of a system DLL looked up at run time. The program must start on the first Windows
// 10 release, so functions added later are never imported; null where this Windows lacks one.
template <class Fn>
Fn system_function(const wchar_t* module, const char* name) {
  HMODULE handle = GetModuleHandleW(module);
  if (!handle) handle = LoadLibraryExW(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!handle) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

// The system's text for an error code (English where the system has it), without the trailing
// line break; "error {n}" when there is none.
std::string system_message(DWORD code);

}  // namespace qx

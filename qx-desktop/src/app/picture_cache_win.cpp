// The picture cache's Windows side: listing the cache folder with its files' times, and the
// workers that report to the bar window (the fetch worker and the sweeper).
#include <windows.h>

#include <thread>
#include <utility>

#include "app/detached_thread.h"
#include "app/picture_cache.h"
#include "unicode_text.h"
#include "win_util.h"

namespace qx {

namespace {

// 100 ns ticks between 1601-01-01 (FILETIME) and 1970-01-01 (the system clock's epoch here).
constexpr std::int64_t FILETIME_UNIX_EPOCH = 116'444'736'000'000'000LL;

std::optional<std::chrono::system_clock::time_point> to_time_point(const FILETIME& ft) {
  const std::int64_t ticks =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  if (ticks == 0) return std::nullopt;  // the file system keeps no time for it
  const std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>> since_unix(ticks - FILETIME_UNIX_EPOCH);
  return std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(since_unix));
}

class FindHandle {
 public:
  explicit FindHandle(HANDLE h) : h_(h) {}
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  ~FindHandle() {
    if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
  }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

PictureWork platform_picture_work(WindowHandle window) {
  PictureWork work;
  work.state = &APP_STATE;
  work.fetch = [](std::string_view address) { return cached_picture(address); };
  work.poster = std::make_shared<Win32WindowPoster>(window);
  return work;
}

}  // namespace

std::optional<std::vector<FolderEntry>> list_folder(std::string_view folder) {
  const std::optional<std::wstring> wide = wide_path(join_path(folder, "*"));
  if (!wide) return std::nullopt;
  WIN32_FIND_DATAW found;
  FindHandle find(FindFirstFileExW(wide->c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
  if (find.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<FolderEntry> entries;
  do {
    const std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back({join_path(folder, wide_to_utf8(name)), to_time_point(found.ftLastWriteTime)});
  } while (FindNextFileW(find.get(), &found));
  return entries;
}

void picture_cache_sweep_once(WindowHandle window) {
  PictureSweep how;
  how.state = &APP_STATE;
  how.folder = picture_cache_folder(environment_variable("LOCALAPPDATA"));
  how.list = list_folder;
  how.files = &platform_file_ops();
  how.now = [] { return std::chrono::system_clock::now(); };
  if (window) how.poster = std::make_shared<Win32WindowPoster>(window);
  sweep_picture_folder(how);
}

void picture_cache_sweep_thread(WindowHandle window) {
  picture_sweep_loop([window] { picture_cache_sweep_once(window); }, [] { return std::chrono::system_clock::now(); },
                     [](std::chrono::seconds pause) { std::this_thread::sleep_for(pause); });
}

void picture_fetch_thread(std::vector<std::string> addresses, WindowHandle window) {
  picture_fetch_thread(addresses, platform_picture_work(window));
}

void prefetch_pictures(WindowHandle window) {
  prefetch_pictures(APP_STATE, [window](std::vector<std::string> addresses) {
    spawn_detached([window, list = std::move(addresses)]() mutable { picture_fetch_thread(std::move(list), window); });
  });
}

}  // namespace qx

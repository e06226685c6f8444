// Story pictures, downloaded once over HTTPS into %LOCALAPPDATA%\Zelvarons\pictures and then read
// from disk by path. A worker fills the state's PictureMap (address to file), the prefetch decides
// what that worker fetches, and a sweep at start and twice a day deletes files older than 7 days.
// The painter never downloads: it draws the file the map names, or nothing.
//
// A cache file is named by SipHash-1-3 (both keys zero) of the address's UTF-8 bytes followed by
// one 0xFF byte, as 16 lower-case hex digits plus ".img"; a download is written to the same digits
// plus ".tmp" and then renamed. Only JPEG, PNG and GIF bodies of at most 8 MiB are stored, exactly
// as received. Every failure is silent and gives no picture.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_messages.h"
#include "app/app_state.h"
#include "app/file_ops.h"
#include "app/guarded.h"
#include "http_client.h"

namespace qx {

inline constexpr std::size_t MAX_PICTURE_BYTES = 8'388'608;
inline constexpr std::size_t PICTURE_MAP_LIMIT = 64;
inline constexpr std::size_t PREFETCH_STORIES = 2;
inline constexpr std::chrono::seconds PICTURE_MAX_AGE{604'800};
// The sweep runs again once this much wall-clock time has passed; the worker looks every
// PICTURE_SWEEP_WAKE, because a sleeping laptop stops the clock that a long wait counts.
inline constexpr std::chrono::seconds PICTURE_SWEEP_INTERVAL{43'200};
inline constexpr std::chrono::seconds PICTURE_SWEEP_WAKE{3'600};

// The cached file of a picture address, downloading it first when it is not on disk; none on any
// failure. Blocks for up to the 12 s time-out: call it without any lock held.
std::optional<std::string> cached_picture(std::string_view address);

// SipHash with c compression and d finalisation rounds and the 128-bit key k0, k1.
std::uint64_t sip_hash(std::string_view bytes, std::uint64_t k0, std::uint64_t k1, int c_rounds, int d_rounds);

// The 16 hex digits that name an address's cache files.
std::string picture_file_stem(std::string_view address);

// local_appdata\Zelvarons\pictures; none when the variable is unset or empty.
std::optional<std::string> picture_cache_folder(const std::optional<std::string>& local_appdata);

// The body begins like a JPEG, PNG or GIF file.
bool has_picture_signature(std::string_view body);

// What a download needs: the transport, the disk and the cache folder (none: no cache).
struct PictureDownload {
  HttpGet& http;
  FileOps& files;
  std::optional<std::string> folder;
  std::chrono::milliseconds timeout{12'000};
};
std::optional<std::string> cached_picture(std::string_view address, const PictureDownload& how);

// Records a picture's file in the map; a map of more than PICTURE_MAP_LIMIT entries is emptied
// whole first.
void store_picture(PictureMap& map, std::string address, std::string path);

// What the fetch worker works with: the state holder, the download (cached_picture) and where to
// report. Copies share the poster.
struct PictureWork {
  Guarded<AppState>* state = nullptr;
  std::function<std::optional<std::string>(std::string_view address)> fetch;
  std::shared_ptr<WindowPoster> poster;
};

// For each address in turn: download; on success store it in the map under the state lock and
// post WM_APP_DATA (posted even when the state is unset or poisoned). Nothing is posted for a
// failed download.
void picture_fetch_thread(const std::vector<std::string>& addresses, const PictureWork& work);

// The pictures of the active slot's current story and the one after it that the snapshot's map
// does not hold yet, in that order (an address may appear twice).
std::vector<std::string> pictures_to_prefetch(ViewSnapshot snapshot);

// Takes a snapshot and hands a non-empty list to `start` (which runs the fetch worker).
void prefetch_pictures(Guarded<AppState>& state, const std::function<void(std::vector<std::string>)>& start);

// One entry of a folder; last_write is none when it cannot be read.
struct FolderEntry {
  std::string path;
  std::optional<std::chrono::system_clock::time_point> last_write;
};

// The entries of a folder (not "." and ".."), none when it cannot be listed (the disk: Win32 on
// Windows, POSIX elsewhere).
std::optional<std::vector<FolderEntry>> list_folder(std::string_view folder);

// Deletes, as files, the entries last written more than PICTURE_MAX_AGE before now, except those
// in `keep`; entries whose time is unknown or in the future stay. Failures are ignored. Gives the
// paths it deleted.
std::vector<std::string> sweep_picture_cache(const std::vector<FolderEntry>& entries, FileOps& files,
                                             std::chrono::system_clock::time_point now,
                                             const std::vector<std::string>& keep = {});

// What one sweep of the cache works with. `list` is list_folder on the disk.
struct PictureSweep {
  Guarded<AppState>* state = nullptr;
  std::optional<std::string> folder;
  std::function<std::optional<std::vector<FolderEntry>>(std::string_view folder)> list;
  FileOps* files = nullptr;
  std::function<std::chrono::system_clock::time_point()> now;
  std::shared_ptr<WindowPoster> poster;  // none: nobody to tell
};

// One sweep of the folder. The files that the state's PictureMap names stay, however old, so a
// picture the bar shows is never taken from under it. A map entry naming a file deleted anyway
// (a fetch found the old file just before it went) is dropped and the window told, so that the
// next prefetch fetches it again.
void sweep_picture_folder(const PictureSweep& how);

// Drops the map entry of the snapshot's current picture when its file is gone (the sweep deleted
// it just as a fetch mapped the old file), so that the next prefetch fetches it again; true when
// it dropped one.
bool drop_missing_picture(Guarded<AppState>& state, const ViewSnapshot& view,
                          const std::function<bool(const std::string& path)>& exists);

// The sweeper's thread body: a sweep at once, then another whenever PICTURE_SWEEP_INTERVAL of
// wall-clock time has passed (or the clock went back), looking every PICTURE_SWEEP_WAKE; forever.
[[noreturn]] void picture_sweep_loop(const std::function<void()>& sweep,
                                     const std::function<std::chrono::system_clock::time_point()>& now,
                                     const std::function<void(std::chrono::seconds)>& sleep);

// The program's own, on the disk, the platform transport, "LOCALAPPDATA" and APP_STATE; the ones
// that take a window post to it (Windows only, picture_cache_win.cpp). The sweep thread runs the
// loop; picture_cache_sweep_once is one sweep of it.
void picture_cache_sweep_once(WindowHandle window);
[[noreturn]] void picture_cache_sweep_thread(WindowHandle window);
void picture_fetch_thread(std::vector<std::string> addresses, WindowHandle window);
void prefetch_pictures(WindowHandle window);

}  // namespace qx

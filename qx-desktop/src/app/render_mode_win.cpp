// "--render" on this machine: the feed transport, the picture cache, GDI+ and the disk.
#include <windows.h>

#include "app/console_win.h"
#include "app/picture_cache.h"
#include "app/render_mode.h"
#include "feed_fetch.h"
#include "video/offscreen_video.h"
#include "win_util.h"

namespace qx {

namespace {

// Creates or truncates the file and writes it with one call.
std::optional<std::string> write_whole_file(std::string_view path, std::string_view bytes) {
  const std::optional<std::wstring> wide = wide_path(path);
  if (!wide) return system_message(ERROR_INVALID_NAME);
  UniqueHandle file(
      CreateFileW(wide->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return system_message(GetLastError());
  if (bytes.size() > MAXDWORD) return system_message(ERROR_FILE_TOO_LARGE);
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    return system_message(GetLastError());
  }
  if (written != bytes.size()) return system_message(ERROR_WRITE_FAULT);
  if (!file.reset()) return system_message(GetLastError());
  return std::nullopt;
}

}  // namespace

int run_render(const CommandLineOptions& options, AppState state) {
  attach_parent_console();
  RenderSystem system;
  system.load_feed = [](std::string_view source) { return load_feed(source); };
  system.cached_picture = [](std::string_view address) { return cached_picture(address); };
  system.paint_tools = platform_paint_tools;
  system.video_frames = [](const std::string& source, std::vector<VideoTargetSize> sizes) {
    return offscreen_video_frames(source, std::move(sizes));
  };
  system.now = [] { return SteadyClock::now(); };
  system.write_file = write_whole_file;
  system.write_stderr = write_stderr;
  return run_render(options, std::move(state), system);
}

}  // namespace qx

#include <windows.h>

#include "app/console_win.h"
#include "feed_fetch.h"
#include "app/self_test.h"

namespace qx {

namespace {

ScreenSize primary_screen_size() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

std::uint32_t user_idle_seconds() {
  LASTINPUTINFO info{};
  info.cbSize = sizeof info;
  if (!GetLastInputInfo(&info)) return 0;
  return idle_seconds_between(GetTickCount(), info.dwTime);
}

}  // namespace

int run_self_test(const CommandLineOptions& options, Placement placement) {
  attach_parent_console();
  SelfTestSystem system{
      [](std::string_view source) { return load_feed(source); },
      primary_screen_size,
      user_idle_seconds,
      write_stdout,
      write_stderr,
  };
  return run_self_test(options, placement, system);
}

}  // namespace qx

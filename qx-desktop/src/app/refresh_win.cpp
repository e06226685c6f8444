// The refresh workers of the program itself: the real state, loader, clock and window.
#include <thread>

#include "feed_fetch.h"
#include "app/refresh.h"

namespace qx {

RefreshWork platform_refresh_work(WindowHandle window) {
  RefreshWork work;
  work.state = &APP_STATE;
  work.load = [](std::string_view source) { return load_feed(source); };
  work.now = [] { return SteadyClock::now(); };
  work.poster = std::make_shared<Win32WindowPoster>(window);
  return work;
}

void refresh_due_feeds(WindowHandle window) { refresh_due_feeds(platform_refresh_work(window)); }

void refresh_ticker_loop(WindowHandle window) {
  refresh_ticker_loop(platform_refresh_work(window), [](std::chrono::seconds pause) { std::this_thread::sleep_for(pause); });
}

void spawn_refresh_now(WindowHandle window) { spawn_refresh_now(platform_refresh_work(window)); }

}  // namespace qx

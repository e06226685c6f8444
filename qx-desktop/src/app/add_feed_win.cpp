// "Add feed" in the program itself: the real transport, disk, state, settings and window, and the
// failure shown in a message box.
#include <windows.h>

#include "app/add_feed.h"
#include "app/settings.h"
#include "unicode_text.h"

namespace qx {

void add_feed_from_clipboard(std::string text, WindowHandle window) {
  AddFeedWork work;
  work.fetch = [](std::string_view address) { return fetch_feed_page(platform_http_client(), address); };
  work.load = [](std::string_view address) { return load_feed(address); };
  work.state = &APP_STATE;
  work.now = [] { return SteadyClock::now(); };
  work.save = [](const AppState& s) { save_settings(s); };
  work.poster = std::make_shared<Win32WindowPoster>(window);
  work.show_failure = [] {
    MessageBoxW(nullptr, utf8_to_wide(ADD_FEED_FAILURE_TEXT).c_str(), utf8_to_wide(ADD_FEED_CAPTION).c_str(),
                MB_OK | MB_ICONINFORMATION);
  };
  add_feed_from_clipboard(std::string_view(text), work);
}

}  // namespace qx

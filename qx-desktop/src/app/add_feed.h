// "Add feed": the worker that turns the text copied to the clipboard into a followed feed. The
// text is cleaned into an address and fetched; a feed is followed as it is, and an ordinary page
// leads to the best of the feeds it announces (at most 3 are tried). On success the feed is added
// (or selected when followed already), its result stored and the settings saved under the state
// lock, and WM_APP_DATA posted; every failure shows the same message box and changes nothing.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/app_messages.h"
#include "app/app_state.h"
#include "app/guarded.h"
#include "feed_fetch.h"
#include "feed_records.h"
#include "result.h"

namespace qx {

inline constexpr std::string_view ADD_FEED_CAPTION = "Add feed";
inline constexpr std::string_view ADD_FEED_FAILURE_TEXT =
    "Copy the address of any RSS, Atom or JSON feed, or of a page that has one, then choose this again.\n\n"
    "What is on the clipboard now does not lead to a feed.";

// What the worker works with: the fetch of the copied address, the loader of an announced feed,
// the state holder, the monotonic clock, the settings save (run under the state lock), where to
// report, and the failure box.
struct AddFeedWork {
  std::function<Result<FetchedPage, std::string>(std::string_view address)> fetch;
  std::function<Result<QxFeedV1, std::string>(std::string_view address)> load;
  Guarded<AppState>* state = nullptr;
  std::function<Instant()> now;
  std::function<void(const AppState&)> save;
  std::shared_ptr<WindowPoster> poster;
  std::function<void()> show_failure;
};

struct FoundFeed {
  std::string address;  // the address to follow
  QxFeedV1 feed;
};

// The feed the text leads to, or none. Blocks on the network; takes no lock.
std::optional<FoundFeed> find_feed_for_text(std::string_view text, const AddFeedWork& work);

// The worker: find the feed, then change the state or show the box.
void add_feed_from_clipboard(std::string_view text, const AddFeedWork& work);

// The program's own: the platform transport and disk, APP_STATE, save_settings, PostMessageW to
// the window and MessageBoxW (Windows only, add_feed_win.cpp). A thread body: the menu runner
// starts it on a detached thread with the clipboard's text.
void add_feed_from_clipboard(std::string text, WindowHandle window);

}  // namespace qx

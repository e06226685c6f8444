// Background polling of the followed feeds. The refresh ticker wakes every 3 s and, while the bar
// is active, runs one refresh pass: under the state lock every due slot is stamped with the
// pass's one "now" and its address copied out; each address is then loaded without the lock,
// its result stored under the lock again, and WM_APP_DATA posted to the window, whatever the
// outcome. The stamp keeps a slow load, or a second pass running at the same time, from loading
// the same slot twice.
//
// Due rule: a slot never tried is due; otherwise its poll interval, held to 30..3,600 s, is
// doubled per consecutive failure (at most 4 times) and capped at 3,600 s, and the slot is due
// once that many whole seconds have passed since its last attempt.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_messages.h"
#include "app/app_state.h"
#include "app/guarded.h"
#include "result.h"

namespace qx {

inline constexpr std::chrono::seconds REFRESH_TICK{3};
inline constexpr std::uint32_t MIN_POLL_SECONDS = 30;
inline constexpr std::uint32_t MAX_POLL_SECONDS = 3600;
inline constexpr std::uint32_t MAX_BACKOFF_DOUBLINGS = 4;

// How long a slot waits after its last attempt.
std::chrono::seconds refresh_wait(std::uint32_t poll_seconds, std::uint32_t failures);
bool is_feed_due(const FeedSlot& slot, Instant now);

// From `next` on (in list order), the first due slot: stamped with `now`, its address returned
// and `next` left after it. None (and `next` at `end`) when no slot further on is due.
std::optional<std::string> next_due_feed(std::vector<FeedSlot>::iterator& next, std::vector<FeedSlot>::iterator end,
                                         Instant now);

// What a pass works with: the state holder, the feed loader (a local file or an https fetch,
// parsed; it blocks), the monotonic clock, and where to report. Copies share the poster, so a
// pass on a thread of its own keeps it alive.
struct RefreshWork {
  Guarded<AppState>* state = nullptr;
  std::function<Result<QxFeedV1, std::string>(std::string_view source)> load;
  std::function<Instant()> now;
  std::shared_ptr<WindowPoster> poster;
};

// One refresh pass. An unset state or a poisoned lock loads nothing, or drops the result.
void refresh_due_feeds(const RefreshWork& work);

// One turn of the ticker: a pass when the bar is active, nothing otherwise.
void refresh_ticker_turn(const RefreshWork& work);

// The ticker's thread body: a turn, then REFRESH_TICK of sleep, forever. Started on a detached
// thread once the window exists.
[[noreturn]] void refresh_ticker_loop(const RefreshWork& work,
                                      const std::function<void(std::chrono::seconds)>& sleep);

// Starts a detached thread that runs one pass and ends. Only due slots load: the menu's
// "Refresh now" clears every slot's last attempt before it calls this.
void spawn_refresh_now(RefreshWork work);

// The program's own: APP_STATE, load_feed, the steady clock and PostMessageW to the window
// (Windows only, refresh_win.cpp).
RefreshWork platform_refresh_work(WindowHandle window);
void refresh_due_feeds(WindowHandle window);
[[noreturn]] void refresh_ticker_loop(WindowHandle window);
void spawn_refresh_now(WindowHandle window);

}  // namespace qx

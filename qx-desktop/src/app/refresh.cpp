#include "app/refresh.h"

#include <algorithm>
#include <utility>

#include "app/bar_activity.h"
#include "app/detached_thread.h"
#include "app/feed_slots.h"

namespace qx {

std::chrono::seconds refresh_wait(std::uint32_t poll_seconds, std::uint32_t failures) {
  const std::uint32_t interval = std::clamp(poll_seconds, MIN_POLL_SECONDS, MAX_POLL_SECONDS);
  const std::uint32_t doubled = interval << std::min(failures, MAX_BACKOFF_DOUBLINGS);  // at most 57,600
  return std::chrono::seconds(std::min(doubled, MAX_POLL_SECONDS));
}

bool is_feed_due(const FeedSlot& slot, Instant now) {
  if (!slot.last_attempt) return true;
  const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - *slot.last_attempt);
  return elapsed >= refresh_wait(slot.poll_seconds, slot.failures);
}

std::optional<std::string> next_due_feed(std::vector<FeedSlot>::iterator& next, std::vector<FeedSlot>::iterator end,
                                         Instant now) {
  for (; next != end; ++next) {
    if (!is_feed_due(*next, now)) continue;
    next->last_attempt = now;
    std::string url = next->url;
    ++next;
    return url;
  }
  return std::nullopt;
}

void refresh_due_feeds(const RefreshWork& work) {
  std::vector<std::string> due =
      work.state
          ->with([&](AppState& s) {
            const Instant now = work.now();
            std::vector<std::string> urls;
            auto next = s.feeds.begin();
            while (std::optional<std::string> url = next_due_feed(next, s.feeds.end(), now)) {
              urls.push_back(std::move(*url));
            }
            return urls;
          })
          .value_or(std::vector<std::string>{});

  for (const std::string& url : due) {
    // The lock is free while the feed loads: the load may take up to its 12 s time-out.
    std::optional<Result<QxFeedV1, std::string>> result;
    try {
      result.emplace(work.load(url));
    } catch (...) {
      // Out of memory inside the loader: no result to store; the slot tries again when due.
    }
    if (result) {
      work.state->with([&](AppState& s) { apply_feed_result(s.feeds, url, *result, work.now()); });
    }
    work.poster->post(WM_APP_DATA);
  }
}

void refresh_ticker_turn(const RefreshWork& work) {
  const bool active = work.state->with([&](AppState& s) { return is_bar_active(s, work.now()); }).value_or(false);
  if (active) refresh_due_feeds(work);
}

void refresh_ticker_loop(const RefreshWork& work, const std::function<void(std::chrono::seconds)>& sleep) {
  for (;;) {
    refresh_ticker_turn(work);
    sleep(REFRESH_TICK);
  }
}

void spawn_refresh_now(RefreshWork work) {
  spawn_detached([work = std::move(work)] { refresh_due_feeds(work); });
}

}  // namespace qx

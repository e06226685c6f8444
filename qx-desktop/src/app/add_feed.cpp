#include "app/add_feed.h"

#include <utility>

#include "app/feed_slots.h"
#include "feed_discovery.h"
#include "feed_text.h"

namespace qx {

std::optional<FoundFeed> find_feed_for_text(std::string_view text, const AddFeedWork& work) {
  const std::optional<std::string> address = normalize_feed_address(text);
  if (!address) return std::nullopt;
  auto page = work.fetch(*address);
  if (!page) return std::nullopt;

  CoreResult<QxFeedV1> feed = parse_feed_text(page->text);
  if (feed) return FoundFeed{*address, std::move(feed).value()};

  // Not a feed itself: perhaps a page that announces some. Its relative links are seen from
  // where the page really came from, after any redirect.
  std::vector<std::string> links = discover_feed_links(page->final_url, page->text);
  if (links.size() > MAX_FEED_LINK_ATTEMPTS) links.resize(MAX_FEED_LINK_ATTEMPTS);
  for (std::string& link : links) {
    Result<QxFeedV1, std::string> loaded = work.load(link);
    if (loaded) return FoundFeed{std::move(link), std::move(loaded).value()};
  }
  return std::nullopt;
}

void add_feed_from_clipboard(std::string_view text, const AddFeedWork& work) {
  std::optional<FoundFeed> found = find_feed_for_text(text, work);
  if (!found) {
    work.show_failure();
    return;
  }
  const Instant now = work.now();
  const Result<QxFeedV1, std::string> result(std::move(found->feed));
  // An unset or poisoned state drops the feed; the window is told all the same.
  work.state->with([&](AppState& s) {
    add_or_select_feed(s, found->address, std::nullopt, now);
    apply_feed_result(s.feeds, found->address, result, now);
    work.save(s);
  });
  work.poster->post(WM_APP_DATA);
}

}  // namespace qx

#include "app/state_texts.h"

#include <chrono>

#include "app/feed_slots.h"
#include "world/translations.h"

namespace qx {

namespace {

std::string age_text(const std::string& lang, Instant since, Instant now) {
  const std::int64_t raw = std::chrono::duration_cast<std::chrono::seconds>(now - since).count();
  const std::uint64_t a = raw < 0 ? 0 : static_cast<std::uint64_t>(raw);
  if (a < 60) return translate(lang, "just now");
  if (a < 3600) return fill_placeholders(translate(lang, "{n} min ago"), {{"{n}", std::to_string(a / 60)}});
  return fill_placeholders(translate(lang, "{n} h ago"), {{"{n}", std::to_string(a / 3600)}});
}

}  // namespace

std::string caption_text(const AppState& s) {
  if (s.default_feeds) {
    return translate(s.lang, "Choose your team to begin. This is the latest game until you do.");
  }
  if (const QxItem* story = current_story(s)) return story->title;
  if (s.active < s.feeds.size()) return s.feeds[s.active].status;
  return {};
}

std::string status_text(const AppState& s, Instant now) {
  if (s.active >= s.feeds.size()) return {};
  const FeedSlot& slot = s.feeds[s.active];
  if (!slot.last_success) return translate(s.lang, slot.last_error ? "Offline" : "Connecting…");
  const std::string age = age_text(s.lang, *slot.last_success, now);
  if (!slot.last_error) return fill_placeholders(translate(s.lang, "Updated {when}"), {{"{when}", age}});
  return translate(s.lang, "Offline") + " · " + age;
}

}  // namespace qx

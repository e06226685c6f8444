#include "app/self_test.h"

#include <nlohmann/json.hpp>

#include "app/feed_service.h"
#include "version.h"

namespace qx {

std::string self_test_line(const QxFeedV1& feed, Placement placement, ScreenSize screen, std::uint32_t idle_seconds) {
  // nlohmann's object keeps its keys sorted by byte value, which is the order wanted here.
  nlohmann::json line = nlohmann::json::object();
  line["binary"] = "zelvarons";
  line["feedId"] = feed.id;
  line["idleSeconds"] = idle_seconds;
  line["mode"] = std::string(placement_name(placement));
  line["ok"] = true;
  line["screenPx"] = nlohmann::json::array({screen.width, screen.height});
  line["shortText"] = feed.badge.short_text;
  line["statusText"] = feed.badge.status_text;
  line["stories"] = feed.items.size();
  line["version"] = APP_VERSION;
  return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::uint32_t idle_seconds_between(std::uint32_t now_ticks, std::uint32_t last_input_ticks) {
  return static_cast<std::uint32_t>(now_ticks - last_input_ticks) / 1000;
}

int run_self_test(const CommandLineOptions& options, Placement placement, const SelfTestSystem& system) {
  const std::string source = options.feed.value_or(std::string(DEFAULT_FEED_URL));
  auto feed = system.load_feed(source);
  if (!feed) {
    system.write_stderr("self-test feed failed: " + feed.error() + "\n");
    return 1;
  }
  system.write_stdout(self_test_line(*feed, placement, system.screen_size(), system.idle_seconds()));
  return 0;
}

}  // namespace qx

// The "--self-test" console mode: load one feed and print a one-line JSON summary of it with
// the primary screen's size and the user's idle time, or the failure on standard error.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "app/command_line.h"
#include "feed_records.h"
#include "result.h"

namespace qx {

struct ScreenSize {
  int width = 0;
  int height = 0;
};

// What the mode needs of the system, so that it can run against fakes.
struct SelfTestSystem {
  std::function<Result<QxFeedV1, std::string>(std::string_view source)> load_feed;
  std::function<ScreenSize()> screen_size;
  std::function<std::uint32_t()> idle_seconds;
  std::function<void(std::string_view)> write_stdout;
  std::function<void(std::string_view)> write_stderr;
};

// Loads the "--feed" source (or the default feed) and prints the result; the exit code.
int run_self_test(const CommandLineOptions& options, Placement placement, const SelfTestSystem& system);
// The same on this machine's console, screen and input (Windows only).
int run_self_test(const CommandLineOptions& options, Placement placement);

// The JSON line, keys in ascending byte order, ending in a line feed.
std::string self_test_line(const QxFeedV1& feed, Placement placement, ScreenSize screen, std::uint32_t idle_seconds);

// Whole seconds since the last input, from two 32-bit millisecond tick counts; correct across
// the wrap of the tick counter.
std::uint32_t idle_seconds_between(std::uint32_t now_ticks, std::uint32_t last_input_ticks);

}  // namespace qx

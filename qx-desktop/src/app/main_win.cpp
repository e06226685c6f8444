// The program's entry point.
#include <windows.h>

#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "app/check_update.h"
#include "app/command_line.h"
#include "app/console_win.h"
#include "app/file_ops.h"
#include "app/render_mode.h"
#include "app/self_test.h"
#include "app/settings.h"
#include "app/start_state.h"
#include "app/startup_win.h"
#include "version.h"
#include "world/locale_choice.h"

namespace {

// A console mode that ends in an unexpected way (out of memory, an exception from a library)
// still ends with its line and exit code 1, never with a bare abort.
template <class Run, class Report>
int guarded_console_mode(Run run, Report report) {
  try {
    return run();
  } catch (const std::exception& e) {
    report(e.what());
  } catch (...) {
    report("unexpected error");
  }
  return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace qx;
  const CommandLineOptions options = parse_command_line();

  // "--self-test" and "--render" with a path read no settings, so only the options place the bar.
  const bool reads_settings = !options.self_test && !options.render;
  const Settings settings = reads_settings ? read_settings() : Settings{};
  std::optional<std::string_view> settings_mode;
  if (settings.mode) settings_mode = *settings.mode;
  const Placement placement = placement_from_options(options, settings_mode);

  if (options.check_update) {  // wins over "--self-test"
    return guarded_console_mode(run_check_update, [](std::string_view error) {
      write_stdout(check_update_line(UpdateCheck::failed(std::string(error)), APP_VERSION));
    });
  }
  if (options.self_test) {
    return guarded_console_mode([&] { return run_self_test(options, placement); }, [](std::string_view error) {
      write_stderr("self-test failed: " + std::string(error) + "\n");
    });
  }
  if (options.render) {
    return guarded_console_mode(
        [&] {
          return run_render(options, build_start_state(options, Settings{}, placement, read_windows_locale_names(),
                                                       platform_file_ops()));
        },
        [](std::string_view error) { write_stderr("render failed: " + std::string(error) + "\n"); });
  }
  const int code = run_bar(options, build_start_state(options, settings, placement, read_windows_locale_names(),
                                                      platform_file_ops()));
  // Detached workers may still run: the system ends them before any static object is destroyed
  // under their feet, which a plain return would not wait for.
  ExitProcess(static_cast<UINT>(code));
}

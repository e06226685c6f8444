// The program's entry point.
#include <windows.h>

#include <optional>
#include <string_view>

#include "app/check_update.h"
#include "app/command_line.h"
#include "app/file_ops.h"
#include "app/render_mode.h"
#include "app/self_test.h"
#include "app/settings.h"
#include "app/start_state.h"
#include "app/startup_win.h"
#include "world/locale_choice.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace qx;
  const CommandLineOptions options = parse_command_line();

  // "--self-test" and "--render" with a path read no settings, so only the options place the bar.
  const bool reads_settings = !options.self_test && !options.render;
  const Settings settings = reads_settings ? read_settings() : Settings{};
  std::optional<std::string_view> settings_mode;
  if (settings.mode) settings_mode = *settings.mode;
  const Placement placement = placement_from_options(options, settings_mode);

  if (options.check_update) return run_check_update();  // wins over "--self-test"
  if (options.self_test) return run_self_test(options, placement);
  if (options.render) {
    return run_render(options, build_start_state(options, Settings{}, placement, read_windows_locale_names(),
                                                 platform_file_ops()));
  }
  const int code = run_bar(options, build_start_state(options, settings, placement, read_windows_locale_names(),
                                                      platform_file_ops()));
  // Detached workers may still run: the system ends them before any static object is destroyed
  // under their feet, which a plain return would not wait for.
  ExitProcess(static_cast<UINT>(code));
}

// A profile for running the real bar in tests: %APPDATA% and %LOCALAPPDATA% of its own (set in
// this process's environment, so programs started from it inherit them), its settings file, and
// the keys that choose a menu entry in the menu the bar would show for those settings.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/command_line.h"
#include "app/file_ops.h"
#include "app/settings.h"
#include "app/start_state.h"
#include "menu/menu_builder.h"
#include "win_ui/bar_window_win.h"
#include "world/locale_choice.h"
#include "menu/menu_action.h"
#include "temp_folder_win.h"

namespace zvtest {

using MenuPick = std::function<bool(const qx::MenuAction&)>;

// Accepts an action of kind T (that the predicate accepts).
template <class T>
MenuPick pick(std::function<bool(const T&)> accept = nullptr) {
  return [accept](const qx::MenuAction& action) {
    const T* kind = std::get_if<T>(&action.value);
    return kind != nullptr && (!accept || accept(*kind));
  };
}

enum class MenuKey : WPARAM { Down = VK_DOWN, Right = VK_RIGHT, Enter = VK_RETURN };

class BarProfile {
 public:
  BarProfile();
  ~BarProfile();
  BarProfile(const BarProfile&) = delete;
  BarProfile& operator=(const BarProfile&) = delete;

  std::wstring settings_path() const;
  void write_settings(const std::string& text);
  std::string settings_text() const;  // empty when there is none
  FILETIME settings_time() const;
  nlohmann::json settings() const;  // discarded when unreadable

  // The keys, from a menu just opened, that reach and choose the first entry the pick accepts,
  // in the menu built for the settings file as it is now; none when there is no such entry.
  std::vector<MenuKey> menu_keys(const MenuPick& pick) const;

 private:
  TempFolder root_;
  std::optional<std::wstring> saved_[3];
};

namespace bar_profile_detail {

inline constexpr const wchar_t* VARIABLES[3] = {L"APPDATA", L"LOCALAPPDATA", L"ZELVARON_UPDATE_BASE"};

inline std::optional<std::wstring> variable(const wchar_t* name) {
  wchar_t buffer[1024];
  const DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
  if (n == 0 || n >= 1024) return std::nullopt;
  return std::wstring(buffer, n);
}

// The path to the first entry the pick accepts, as indices per level.
inline bool find_path(const std::vector<qx::MenuEntry>& entries, const MenuPick& pick, std::vector<std::size_t>& path) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    path.push_back(i);
    if (const auto* action = entries[i].get_if<qx::MenuEntry::Action>(); action && pick(action->action)) return true;
    if (const auto* sub = entries[i].get_if<qx::MenuEntry::Submenu>(); sub && find_path(sub->children, pick, path))
      return true;
    path.pop_back();
  }
  return false;
}

}  // namespace bar_profile_detail

inline BarProfile::BarProfile() : root_(L"zv-bar") {
  CreateDirectoryW(root_.child(L"roaming").c_str(), nullptr);
  CreateDirectoryW(root_.child(L"roaming\\Zelvarons").c_str(), nullptr);
  CreateDirectoryW(root_.child(L"local").c_str(), nullptr);
  for (int i = 0; i < 3; ++i) saved_[i] = bar_profile_detail::variable(bar_profile_detail::VARIABLES[i]);
  SetEnvironmentVariableW(L"APPDATA", root_.child(L"roaming").c_str());
  SetEnvironmentVariableW(L"LOCALAPPDATA", root_.child(L"local").c_str());
  // Nothing listens there: the update check fails at once instead of asking the real service.
  SetEnvironmentVariableW(L"ZELVARON_UPDATE_BASE", L"http://127.0.0.1:9");
}

inline BarProfile::~BarProfile() {
  for (int i = 0; i < 3; ++i) SetEnvironmentVariableW(bar_profile_detail::VARIABLES[i], saved_[i] ? saved_[i]->c_str() : nullptr);
}

inline std::wstring BarProfile::settings_path() const { return root_.child(L"roaming\\Zelvarons\\settings.json"); }

inline void BarProfile::write_settings(const std::string& text) {
  std::ofstream(std::filesystem::path(settings_path()), std::ios::binary) << text;
}

inline std::string BarProfile::settings_text() const {
  std::ifstream in(std::filesystem::path(settings_path()), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline FILETIME BarProfile::settings_time() const {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(settings_path().c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

inline nlohmann::json BarProfile::settings() const { return nlohmann::json::parse(settings_text(), nullptr, false); }

inline std::vector<MenuKey> BarProfile::menu_keys(const MenuPick& pick) const {
  // The state the bar builds from the same settings, locale and screen.
  qx::Settings settings;
  if (auto parsed = qx::parse_settings(settings_text())) settings = std::move(*parsed);
  const qx::CommandLineOptions options;
  std::optional<std::string_view> mode;
  if (settings.mode) mode = *settings.mode;
  const qx::AppState state =
      qx::build_start_state(options, settings, qx::placement_from_options(options, mode),
                            qx::read_windows_locale_names(), qx::platform_file_ops());
  qx::MenuContext context;
  context.monitor_count = qx::list_monitors().size();
  const std::vector<qx::MenuEntry> menu = qx::build_menu(state, context);

  std::vector<std::size_t> path;
  if (!bar_profile_detail::find_path(menu, pick, path)) return {};
  // Down from nothing selected reaches the first entry; Right opens a submenu on its first entry.
  // Separators are passed over.
  std::vector<MenuKey> keys;
  const std::vector<qx::MenuEntry>* level = &menu;
  for (std::size_t depth = 0; depth < path.size(); ++depth) {
    std::size_t steps = depth == 0 ? 1 : 0;
    for (std::size_t i = 0; i < path[depth]; ++i) {
      if (!(*level)[path[depth] - 1 - i].get_if<qx::MenuEntry::Separator>()) ++steps;
    }
    keys.insert(keys.end(), steps, MenuKey::Down);
    if (depth + 1 < path.size()) {
      keys.push_back(MenuKey::Right);
      level = &(*level)[path[depth]].get_if<qx::MenuEntry::Submenu>()->children;
    }
  }
  keys.push_back(MenuKey::Enter);
  return keys;
}

}  // namespace zvtest

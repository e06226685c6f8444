// The program's small links to the Windows shell: the tray icon, the autostart value, opening a
// link in the browser, the open-file dialog, clipboard text and the local minute of the day.
// None reports failure: each yields nothing or does nothing. Callers hold a ShellServices so that
// tests can give them a fake; the text rules the platform calls follow are pure functions here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/app_messages.h"

namespace qx {

inline constexpr std::uint32_t TRAY_ICON_ID = 1001;
inline constexpr std::size_t TRAY_TIP_MAX_UNITS = 127;
inline constexpr std::string_view TRAY_TIP_AT_START = "Zelvarons";

enum class TrayCommand : std::uint32_t { Add = 0, Modify = 1, Delete = 2 };  // NIM_ADD, NIM_MODIFY, NIM_DELETE

// One filter of the open-file dialog.
struct FileFilter {
  std::string_view description;
  std::string_view patterns;
};
inline constexpr FileFilter PICTURES_AND_FILMS_FILTER{
    "Pictures and films", "*.png;*.jpg;*.jpeg;*.gif;*.bmp;*.ico;*.mp4;*.m4v;*.mov;*.wmv"};
inline constexpr FileFilter PICTURES_FILTER{"Pictures", "*.png;*.jpg;*.jpeg;*.gif;*.bmp;*.ico"};
inline constexpr FileFilter FILMS_AND_SOUND_FILTER{"Films and sound", "*.mp4;*.m4v;*.mov;*.wmv;*.mp3;*.m4a;*.wav"};

// The per-user autostart value under HKEY_CURRENT_USER.
inline constexpr std::u16string_view AUTOSTART_KEY = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::u16string_view AUTOSTART_VALUE = u"Zelvarons";
inline constexpr std::size_t FILE_DIALOG_UNITS = 1024;

// The tip in UTF-16, cut to its first 127 units (which may split a surrogate pair), without a NUL.
std::u16string tray_tip_units(std::string_view tip);
// "description", NUL, "patterns", NUL, and the closing NUL: the filter ends in two NULs.
std::u16string file_filter_units(const FileFilter& filter);
// The program's path between double quotes, with its terminating NUL unit included; the value's
// byte count is twice the size.
std::u16string autostart_data(std::u16string_view program_path);
// Only "https://" exactly, in lower case, opens a link.
bool is_https_link(std::string_view text);
// The units up to the first NUL as UTF-8; none when no NUL lies within them (a full dialog buffer).
std::optional<std::string> text_before_nul(const char16_t* units, std::size_t count);
// Clipboard text: the units up to the first NUL or the end of the block, as UTF-8 trimmed of
// white space at both ends (possibly empty).
std::string clipboard_units_to_text(const char16_t* units, std::size_t count);
// hour × 60 + minute.
std::uint16_t minute_of_day(std::uint16_t hour, std::uint16_t minute);

class ShellServices {
 public:
  virtual ~ShellServices() = default;
  // Whether the shell took the call; callers need not look.
  virtual bool tray_icon(WindowHandle window, TrayCommand command, std::string_view tip) = 0;
  virtual void set_autostart(bool on) = 0;
  virtual bool autostart_on() = 0;  // whether the autostart value exists
  virtual void open_https_link(std::string_view text) = 0;
  virtual std::optional<std::string> open_file_dialog(WindowHandle owner, const FileFilter& filter) = 0;
  virtual std::optional<std::string> clipboard_text(WindowHandle window) = 0;
  virtual std::uint16_t local_minutes_of_day() = 0;
};

// The Windows shell (Windows only).
ShellServices& platform_shell();

}  // namespace qx

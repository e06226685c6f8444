#include "menu/popup_menu_win.h"

#include <string>

#include "menu/menu_runner.h"
#include "menu/popup_menu.h"
#include "unicode_text.h"

namespace qx {
namespace {

// Appends to the innermost open menu; a submenu belongs to its parent once appended.
class HmenuSink final : public PopupMenuSink {
 public:
  explicit HmenuSink(HMENU root) : root_(root) {}

  void add_label(const std::string& text) override { append(MF_STRING | MF_GRAYED, 0, text); }
  void add_separator() override { AppendMenuW(top(), MF_SEPARATOR, 0, nullptr); }
  void add_command(std::uint32_t id, const std::string& text, bool checked, bool enabled) override {
    append(MF_STRING | (checked ? MF_CHECKED : 0u) | (enabled ? 0u : MF_GRAYED), id, text);
  }
  void begin_submenu() override { open_.emplace_back(CreatePopupMenu()); }
  void end_submenu(const std::string& label) override {
    MenuHandle child = std::move(open_.back());
    open_.pop_back();
    if (child && append(MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(child.get()), label)) child.release();
  }

 private:
  HMENU top() const { return open_.empty() ? root_ : open_.back().get(); }
  bool append(UINT flags, UINT_PTR id, const std::string& text) {
    return AppendMenuW(top(), flags, id, utf8_to_wide(text).c_str()) != 0;
  }

  HMENU root_;
  std::vector<MenuHandle> open_;
};

}  // namespace

void create_popup_menu(HMENU menu, const std::vector<MenuEntry>& entries, std::vector<MenuAction>& actions) {
  HmenuSink sink(menu);
  append_menu_entries(sink, entries, actions);
}

std::uint32_t track_popup_menu(HWND window, const std::vector<MenuEntry>& entries, std::vector<MenuAction>& actions) {
  MenuHandle menu(CreatePopupMenu());
  if (!menu) return 0;
  create_popup_menu(menu.get(), entries, actions);
  POINT cursor{};
  GetCursorPos(&cursor);
  // Without the foreground the menu would not close on a click elsewhere.
  SetForegroundWindow(window);
  const BOOL id = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, cursor.x, cursor.y, 0, window, nullptr);
  PostMessageW(window, WM_NULL, 0, 0);
  menu.reset();
  return id > 0 ? static_cast<std::uint32_t>(id) : 0;
}

void stream_hint_thread() {
  MessageBoxW(nullptr, utf8_to_wide(STREAM_HINT_TEXT).c_str(), utf8_to_wide(STREAM_HINT_CAPTION).c_str(),
              MB_ICONINFORMATION);
}

}  // namespace qx

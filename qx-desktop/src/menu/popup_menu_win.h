// The popup menu on Windows: an owned HMENU, the tree appended to it, and one tracking at the
// cursor. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "menu/menu_action.h"
#include "menu/menu_model.h"

namespace qx {

// Owns one menu and destroys it (with its submenus) when it goes.
class MenuHandle {
 public:
  MenuHandle() = default;
  explicit MenuHandle(HMENU menu) : menu_(menu) {}
  MenuHandle(const MenuHandle&) = delete;
  MenuHandle& operator=(const MenuHandle&) = delete;
  MenuHandle(MenuHandle&& o) noexcept : menu_(o.release()) {}
  MenuHandle& operator=(MenuHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  ~MenuHandle() { reset(); }

  HMENU get() const { return menu_; }
  explicit operator bool() const { return menu_ != nullptr; }
  HMENU release() {
    HMENU m = menu_;
    menu_ = nullptr;
    return m;
  }
  void reset(HMENU menu = nullptr) {
    if (menu_) DestroyMenu(menu_);
    menu_ = menu;
  }

 private:
  HMENU menu_ = nullptr;
};

// Appends the entries to the menu, submenus made recursively, filling the action list (command
// id = 1-based position in it).
void create_popup_menu(HMENU menu, const std::vector<MenuEntry>& entries, std::vector<MenuAction>& actions);

// Builds the menu, shows it at the cursor with the window in the foreground, waits for the
// choice and destroys the menu. The chosen id, 0 for none.
std::uint32_t track_popup_menu(HWND window, const std::vector<MenuEntry>& entries, std::vector<MenuAction>& actions);

}  // namespace qx

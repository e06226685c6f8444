// The popup menu as a tree of plain values: labels, submenus, separators and commands, each
// command carrying its MenuAction. Built afresh each time the menu opens, used once, dropped.
#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "menu/menu_action.h"

namespace qx {

struct MenuEntry {
  // A grayed line that cannot be chosen.
  struct Label {
    std::string text;
    friend bool operator==(const Label&, const Label&) = default;
  };
  struct Submenu {
    std::string label;
    std::vector<MenuEntry> children;
    friend bool operator==(const Submenu&, const Submenu&) = default;
  };
  struct Separator {
    friend bool operator==(const Separator&, const Separator&) = default;
  };
  // A command: a check mark when checked, grayed when not enabled.
  struct Action {
    std::string label;
    MenuAction action;
    bool checked = false;
    bool enabled = true;
    friend bool operator==(const Action&, const Action&) = default;
  };

  std::variant<Label, Submenu, Separator, Action> value;

  template <class T>
  const T* get_if() const {
    return std::get_if<T>(&value);
  }
  friend bool operator==(const MenuEntry&, const MenuEntry&) = default;
};

MenuEntry menu_label(std::string text);
MenuEntry menu_submenu(std::string label, std::vector<MenuEntry> children);
MenuEntry menu_separator();
MenuEntry menu_item(std::string label, MenuAction action);  // unchecked, enabled
MenuEntry menu_check_item(std::string label, MenuAction action, bool checked);
MenuEntry menu_item_enabled(std::string label, MenuAction action, bool enabled);

}  // namespace qx

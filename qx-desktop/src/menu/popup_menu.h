// Turning the menu tree into a platform popup menu: the walk that numbers the commands and
// prepares their texts, and the way back from a chosen command id to its action. The walk feeds
// a PopupMenuSink: the Windows one appends to an HMENU, tests record what arrives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "menu/menu_action.h"
#include "menu/menu_model.h"

namespace qx {

// Every "&" doubled, so the menu shows it and makes no mnemonic of the next letter.
std::string escape_menu_text(std::string_view text);

class PopupMenuSink {
 public:
  virtual ~PopupMenuSink() = default;
  virtual void add_label(const std::string& text) = 0;  // grayed, command id 0
  virtual void add_separator() = 0;
  virtual void add_command(std::uint32_t id, const std::string& text, bool checked, bool enabled) = 0;
  // The items that follow, up to end_submenu, go into a new submenu, which is then added to
  // the menu around it under `label`.
  virtual void begin_submenu() = 0;
  virtual void end_submenu(const std::string& label) = 0;
};

// Walks the entries depth-first in display order. Each command's action is appended to
// `actions` and its id is the list's new length (1-based); texts arrive escaped.
void append_menu_entries(PopupMenuSink& sink, const std::vector<MenuEntry>& entries, std::vector<MenuAction>& actions);

// The action of a chosen id; none for 0 (nothing chosen) and for an id past the list.
std::optional<MenuAction> action_for_id(const std::vector<MenuAction>& actions, std::uint32_t id);

}  // namespace qx

#include "menu/popup_menu.h"

#include <variant>

namespace qx {

std::string escape_menu_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    out.push_back(c);
    if (c == '&') out.push_back('&');
  }
  return out;
}

namespace {

struct AppendEntry {
  PopupMenuSink& sink;
  std::vector<MenuAction>& actions;

  void operator()(const MenuEntry::Label& e) const { sink.add_label(escape_menu_text(e.text)); }
  void operator()(const MenuEntry::Separator&) const { sink.add_separator(); }
  void operator()(const MenuEntry::Submenu& e) const {
    sink.begin_submenu();
    append_menu_entries(sink, e.children, actions);
    sink.end_submenu(escape_menu_text(e.label));
  }
  void operator()(const MenuEntry::Action& e) const {
    actions.push_back(e.action);
    sink.add_command(static_cast<std::uint32_t>(actions.size()), escape_menu_text(e.label), e.checked, e.enabled);
  }
};

}  // namespace

void append_menu_entries(PopupMenuSink& sink, const std::vector<MenuEntry>& entries, std::vector<MenuAction>& actions) {
  for (const MenuEntry& entry : entries) std::visit(AppendEntry{sink, actions}, entry.value);
}

std::optional<MenuAction> action_for_id(const std::vector<MenuAction>& actions, std::uint32_t id) {
  if (id == 0 || id > actions.size()) return std::nullopt;
  return actions[id - 1];
}

}  // namespace qx

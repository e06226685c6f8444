#include "menu/menu_model.h"

namespace qx {

MenuEntry menu_label(std::string text) { return {MenuEntry::Label{std::move(text)}}; }

MenuEntry menu_submenu(std::string label, std::vector<MenuEntry> children) {
  return {MenuEntry::Submenu{std::move(label), std::move(children)}};
}

MenuEntry menu_separator() { return {MenuEntry::Separator{}}; }

MenuEntry menu_item(std::string label, MenuAction action) {
  return {MenuEntry::Action{std::move(label), std::move(action), false, true}};
}

MenuEntry menu_check_item(std::string label, MenuAction action, bool checked) {
  return {MenuEntry::Action{std::move(label), std::move(action), checked, true}};
}

MenuEntry menu_item_enabled(std::string label, MenuAction action, bool enabled) {
  return {MenuEntry::Action{std::move(label), std::move(action), false, enabled}};
}

}  // namespace qx

// A popup-menu sink that writes down what arrives, one line per item, submenus indented, and
// finds a command's id by its text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "menu/popup_menu.h"

namespace qx::test {

class RecordingMenuSink final : public PopupMenuSink {
 public:
  struct Command {
    std::uint32_t id;
    std::string text;
    bool checked;
    bool enabled;
  };

  void add_label(const std::string& text) override { line("label " + text); }
  void add_separator() override { line("---"); }
  void add_command(std::uint32_t id, const std::string& text, bool checked, bool enabled) override {
    commands.push_back({id, text, checked, enabled});
    line(std::to_string(id) + " " + text + (checked ? " [x]" : "") + (enabled ? "" : " (grayed)"));
  }
  void begin_submenu() override {
    line(">");
    ++depth_;
  }
  void end_submenu(const std::string& label) override {
    --depth_;
    line("< " + label);
  }

  // The first command with exactly this (escaped) text.
  std::optional<std::uint32_t> id_of(const std::string& text) const {
    for (const Command& c : commands) {
      if (c.text == text) return c.id;
    }
    return std::nullopt;
  }

  std::vector<std::string> lines;
  std::vector<Command> commands;

 private:
  void line(std::string text) { lines.push_back(std::string(2 * depth_, ' ') + std::move(text)); }
  int depth_ = 0;
};

}  // namespace qx::test

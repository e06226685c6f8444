#include "menu/popup_menu.h"

#include <gtest/gtest.h>

#include "recording_menu_sink.h"

namespace qx {
namespace {

using A = MenuAction;
using test::RecordingMenuSink;

TEST(MenuText, AmpersandsAreShownLiterally) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"News", "News"},
      {"Rock & Roll", "Rock && Roll"},
      {"&&", "&&&&"},
      {"&Open", "&&Open"},
      {"Größe & “Zitat”", "Größe && “Zitat”"},
  };
  for (const auto& c : cases) EXPECT_EQ(escape_menu_text(c.in), c.out) << c.in;
}

std::vector<MenuEntry> sample_tree() {
  return {
      menu_item("Open", A::OpenLink{}),
      menu_separator(),
      menu_submenu("Following 2 of 8",
                   {menu_check_item("A & B", A::SelectFeed{0}, true), menu_item("C", A::SelectFeed{1}),
                    menu_submenu("Stop following", {menu_item("A & B", A::StopFollowing{0})})}),
      menu_label("Or turn the wheel & see"),
      menu_item_enabled("Remove my picture", A::RemoveOrbPicture{}, false),
      menu_item("Quit Zelvarons", A::Quit{}),
  };
}

TEST(PopupMenuWalk, CommandsAreNumberedFromOneDepthFirstInDisplayOrder) {
  RecordingMenuSink sink;
  std::vector<MenuAction> actions;
  append_menu_entries(sink, sample_tree(), actions);
  const std::vector<std::string> expected = {
      "1 Open",
      "---",
      ">",
      "  2 A && B [x]",
      "  3 C",
      "  >",
      "    4 A && B",
      "  < Stop following",
      "< Following 2 of 8",
      "label Or turn the wheel && see",
      "5 Remove my picture (grayed)",
      "6 Quit Zelvarons",
  };
  EXPECT_EQ(sink.lines, expected);
  const std::vector<MenuAction> expected_actions = {A::OpenLink{},     A::SelectFeed{0},       A::SelectFeed{1},
                                                    A::StopFollowing{0}, A::RemoveOrbPicture{}, A::Quit{}};
  EXPECT_EQ(actions, expected_actions);
}

TEST(PopupMenuWalk, TheChosenIdLeadsBackToItsActionAndNothingElseDoes) {
  RecordingMenuSink sink;
  std::vector<MenuAction> actions;
  append_menu_entries(sink, sample_tree(), actions);
  EXPECT_EQ(action_for_id(actions, 1), MenuAction(A::OpenLink{}));
  EXPECT_EQ(action_for_id(actions, 4), MenuAction(A::StopFollowing{0}));
  EXPECT_EQ(action_for_id(actions, 6), MenuAction(A::Quit{}));
  EXPECT_EQ(action_for_id(actions, 0), std::nullopt);
  EXPECT_EQ(action_for_id(actions, 7), std::nullopt);
  EXPECT_EQ(action_for_id(actions, 0xFFFFFFFFu), std::nullopt);
  EXPECT_EQ(action_for_id({}, 1), std::nullopt);
}

}  // namespace
}  // namespace qx

#include "menu/popup_menu_win.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "unicode_text.h"

namespace qx {
namespace {

using A = MenuAction;

std::string item_text(HMENU menu, UINT position) {
  wchar_t buffer[256] = {};
  const int n = GetMenuStringW(menu, position, buffer, 256, MF_BYPOSITION);
  return wide_to_utf8(std::wstring_view(buffer, n > 0 ? static_cast<std::size_t>(n) : 0));
}

UINT item_state(HMENU menu, UINT position) { return GetMenuState(menu, position, MF_BYPOSITION); }

TEST(WindowsPopupMenu, TheTreeBecomesARealMenuWithItsIdsTextsAndMarks) {
  const std::vector<MenuEntry> tree = {
      menu_item("Open", A::OpenLink{}),
      menu_separator(),
      menu_submenu("Following 2 of 8", {menu_check_item("Rock & Roll", A::SelectFeed{0}, true),
                                        menu_item("Café", A::SelectFeed{1})}),
      menu_label("Or turn the wheel over the orb"),
      menu_item_enabled("Remove my picture", A::RemoveOrbPicture{}, false),
      menu_item("Quit Zelvarons", A::Quit{}),
  };
  MenuHandle menu(CreatePopupMenu());
  ASSERT_TRUE(menu);
  std::vector<MenuAction> actions;
  create_popup_menu(menu.get(), tree, actions);

  HMENU root = menu.get();
  ASSERT_EQ(GetMenuItemCount(root), 6);
  EXPECT_EQ(actions.size(), 5u);

  EXPECT_EQ(GetMenuItemID(root, 0), 1u);
  EXPECT_EQ(item_text(root, 0), "Open");
  EXPECT_EQ(item_state(root, 0) & (MF_CHECKED | MF_GRAYED), 0u);

  EXPECT_NE(item_state(root, 1) & MF_SEPARATOR, 0u);

  HMENU sub = GetSubMenu(root, 2);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(item_text(root, 2), "Following 2 of 8");
  ASSERT_EQ(GetMenuItemCount(sub), 2);
  EXPECT_EQ(GetMenuItemID(sub, 0), 2u);
  EXPECT_EQ(item_text(sub, 0), "Rock && Roll");  // shown as one literal "&"
  EXPECT_NE(item_state(sub, 0) & MF_CHECKED, 0u);
  EXPECT_EQ(GetMenuItemID(sub, 1), 3u);
  EXPECT_EQ(item_text(sub, 1), "Café");

  EXPECT_EQ(GetMenuItemID(root, 3), 0u);
  EXPECT_EQ(item_text(root, 3), "Or turn the wheel over the orb");
  EXPECT_NE(item_state(root, 3) & MF_GRAYED, 0u);

  EXPECT_EQ(GetMenuItemID(root, 4), 4u);
  EXPECT_NE(item_state(root, 4) & MF_GRAYED, 0u);
  EXPECT_EQ(item_state(root, 4) & MF_CHECKED, 0u);

  EXPECT_EQ(GetMenuItemID(root, 5), 5u);
  EXPECT_EQ(actions[4], MenuAction(A::Quit{}));
}

TEST(WindowsPopupMenu, DestroyingTheRootLeavesNoSubmenuBehind) {
  std::vector<MenuAction> actions;
  HMENU sub = nullptr;
  {
    MenuHandle menu(CreatePopupMenu());
    create_popup_menu(menu.get(), {menu_submenu("Look", {menu_item("Paper", A::SetSkin{1})})}, actions);
    sub = GetSubMenu(menu.get(), 0);
    ASSERT_TRUE(IsMenu(sub));
  }
  EXPECT_FALSE(IsMenu(sub));
}

// The pixels of one line of text in the system's menu font, black on white.
std::vector<std::uint32_t> menu_font_pixels(const std::wstring& text) {
  constexpr int W = 300, H = 40;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  EXPECT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), W, -H, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HFONT font = CreateFontIndirectW(&metrics.lfMenuFont);
  const HGDIOBJ old_bitmap = SelectObject(dc, bitmap);
  const HGDIOBJ old_font = SelectObject(dc, font);
  RECT box{0, 0, W, H};
  FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawTextW(dc, text.c_str(), -1, &box, DT_SINGLELINE | DT_NOPREFIX);
  GdiFlush();
  std::vector<std::uint32_t> pixels(static_cast<const std::uint32_t*>(bits), static_cast<const std::uint32_t*>(bits) + W * H);
  SelectObject(dc, old_font);
  SelectObject(dc, old_bitmap);
  DeleteObject(font);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

// A font without the script draws one empty box per character, as it does for an unassigned one.
TEST(WindowsPopupMenu, TheMenuFontDrawsEveryLanguageWithRealGlyphs) {
  for (const std::string text : {"हिन्दी", "తెలుగు", "日本語", "தமிழ்", "বাংলা", "ગુજરાતી", "ਪੰਜਾਬੀ", "한국어", "العربية"}) {
    const std::wstring wide = utf8_to_wide(text);
    EXPECT_TRUE(menu_font_pixels(wide) != menu_font_pixels(std::wstring(wide.size(), L'\x0378'))) << text;
  }
}

}  // namespace
}  // namespace qx

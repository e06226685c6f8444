// The shell services that need no screen, against the real registry, clock and resources of a
// Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "win_ui/bar_window_win.h"
#include "win_ui/shell_services.h"

namespace qx {
namespace {

const wchar_t RUN_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::optional<std::wstring> run_value() {
  wchar_t data[2048] = {};
  DWORD size = sizeof data;
  DWORD type = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, RUN_KEY, L"Zelvarons", RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS)
    return std::nullopt;
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  return std::wstring(data);
}

TEST(Autostart, StoresTheQuotedProgramPathAndDeletesIt) {
  ShellServices& shell = platform_shell();
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);

  shell.set_autostart(true);
  EXPECT_EQ(run_value(), L"\"" + std::wstring(path) + L"\"");
  EXPECT_TRUE(shell.autostart_on());

  shell.set_autostart(false);
  EXPECT_EQ(run_value(), std::nullopt);
  EXPECT_FALSE(shell.autostart_on());
  shell.set_autostart(false);  // deleting what is not there is harmless
  EXPECT_FALSE(shell.autostart_on());
}

TEST(LocalMinutes, AreTheLocalClocksMinuteOfTheDay) {
  SYSTEMTIME before{};
  GetLocalTime(&before);
  const std::uint16_t m = platform_shell().local_minutes_of_day();
  SYSTEMTIME after{};
  GetLocalTime(&after);
  EXPECT_LT(m, 1440);
  const int b = before.wHour * 60 + before.wMinute, a = after.wHour * 60 + after.wMinute;
  EXPECT_TRUE(m == b || m == a) << m;
}

TEST(AppIcon, IsTheProgramsOwnIconWithEightImages) {
  HICON own = load_app_icon();
  ASSERT_NE(own, nullptr);
  EXPECT_NE(own, LoadIconW(nullptr, IDI_APPLICATION));
  // Each size is in the resource, so none is stretched from another.
  for (int size : {16, 20, 24, 32, 40, 48, 64, 256}) {
    HRSRC group = FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    auto* dir = static_cast<BYTE*>(LockResource(LoadResource(nullptr, group)));
    const int id = LookupIconIdFromDirectoryEx(dir, TRUE, size, size, LR_DEFAULTCOLOR);
    HRSRC image = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_ICON);
    ASSERT_NE(image, nullptr) << size;
    HICON icon = CreateIconFromResourceEx(static_cast<BYTE*>(LockResource(LoadResource(nullptr, image))),
                                          SizeofResource(nullptr, image), TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

}  // namespace
}  // namespace qx

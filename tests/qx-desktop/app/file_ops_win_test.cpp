// The settings file on the real Windows file system, in a folder whose name is not ASCII.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/feed_service.h"
#include "app/feed_slots.h"
#include "app/file_ops.h"
#include "app/settings.h"
#include "unicode_text.h"

namespace qx {
namespace {

class AppDataFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_appdata_ = environment_variable("APPDATA");
    std::wstring base = L"Z:\\tmp";
    if (GetFileAttributesW(base.c_str()) == INVALID_FILE_ATTRIBUTES) {
      wchar_t temp[MAX_PATH + 1];
      const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
      base.assign(temp, n > 0 ? n - 1 : 0);  // without the trailing "\"
    }
    outer_ = base + L"\\zv-settings-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
    appdata_ = outer_ + L"\\Zoë 東京";
    ASSERT_TRUE(platform_file_ops().create_folders(wide_to_utf8(appdata_)));
    ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", appdata_.c_str()));
  }

  void TearDown() override {
    if (saved_appdata_) {
      SetEnvironmentVariableW(L"APPDATA", utf8_to_wide(*saved_appdata_).c_str());
    } else {
      SetEnvironmentVariableW(L"APPDATA", nullptr);
    }
    remove_tree(outer_);
  }

  // What a folder holds, as Windows lists it.
  static std::vector<WIN32_FIND_DATAW> entries_in(const std::wstring& folder) {
    std::vector<WIN32_FIND_DATAW> entries;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return entries;
    do {
      const std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") entries.push_back(found);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return entries;
  }

  static std::vector<std::wstring> names_in(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const WIN32_FIND_DATAW& entry : entries_in(folder)) names.emplace_back(entry.cFileName);
    return names;
  }

  static void remove_tree(const std::wstring& folder) {
    for (const WIN32_FIND_DATAW& entry : entries_in(folder)) {
      const std::wstring child = folder + L"\\" + entry.cFileName;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(child);
      } else {
        DeleteFileW(child.c_str());
      }
    }
    RemoveDirectoryW(folder.c_str());
  }

  std::wstring outer_;
  std::wstring appdata_;

 private:
  std::optional<std::string> saved_appdata_;
};

AppState saved_state() {
  AppState s = initial_app_state(DEFAULT_FEED_URL);
  s.feeds = {new_feed_slot("https://example.com/zoë.xml", "Zoë’s feed")};
  s.default_feeds = false;
  s.skin = 4;
  s.quiet = QuietHours{1320, 480};
  return s;
}

TEST_F(AppDataFolder, TheEnvironmentGivesTheFolderAsUtf8) {
  EXPECT_EQ(environment_variable("APPDATA"), wide_to_utf8(appdata_));
  EXPECT_EQ(settings_path(), wide_to_utf8(appdata_ + L"\\Zelvarons\\settings.json"));
}

TEST_F(AppDataFolder, AnEmptyOrMissingAppDataGivesNoPathAndSavesNothing) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", L""));
  EXPECT_EQ(settings_path(), std::nullopt);
  save_settings(saved_state());
  ASSERT_TRUE(SetEnvironmentVariableW(L"APPDATA", nullptr));
  EXPECT_EQ(settings_path(), std::nullopt);
  save_settings(saved_state());
  EXPECT_TRUE(names_in(appdata_).empty());
}

TEST_F(AppDataFolder, SettingsAreSavedAndReadBackUnderANonAsciiFolder) {
  const AppState s = saved_state();
  save_settings(s);
  EXPECT_EQ(names_in(appdata_), std::vector<std::wstring>{L"Zelvarons"});
  EXPECT_EQ(names_in(appdata_ + L"\\Zelvarons"), std::vector<std::wstring>{L"settings.json"});

  const Settings read = read_settings();
  ASSERT_TRUE(read.feeds.has_value());
  AppState back = initial_app_state(DEFAULT_FEED_URL);
  apply_settings(back, read, platform_local_files());
  EXPECT_EQ(back.feeds, s.feeds);
  EXPECT_EQ(back.skin, 4u);
  EXPECT_EQ(back.quiet, s.quiet);
  EXPECT_EQ(platform_file_ops().read_whole(*settings_path()).value(), settings_text(s));
}

TEST_F(AppDataFolder, TheOlderFolderIsReadWhenTheNewOneHasNoFile) {
  FileOps& files = platform_file_ops();
  const std::string older = wide_to_utf8(appdata_ + L"\\Zelvaron");
  ASSERT_TRUE(files.create_folders(older));
  ASSERT_TRUE(files.write_file(join_path(older, "settings.json"), R"({"skin": 3, "orbImage": "Z:\\nowhere\\x.gif"})"));
  EXPECT_EQ(read_settings().skin, 3u);
  save_settings(saved_state());  // writes the new place only
  EXPECT_EQ(read_settings().skin, 4u);
  EXPECT_EQ(files.read_whole(join_path(older, "settings.json")).value(),
            R"({"skin": 3, "orbImage": "Z:\\nowhere\\x.gif"})");
}

TEST_F(AppDataFolder, AFailedSaveLeavesTheOldFileIntact) {
  save_settings(saved_state());
  const std::string before = platform_file_ops().read_whole(*settings_path()).value();
  // A folder where the sibling would be written makes the write fail.
  ASSERT_TRUE(CreateDirectoryW((appdata_ + L"\\Zelvarons\\settings.tmp").c_str(), nullptr));
  AppState changed = saved_state();
  changed.skin = 1;
  save_settings(changed);
  EXPECT_EQ(platform_file_ops().read_whole(*settings_path()).value(), before);
  EXPECT_EQ(read_settings().skin, 4u);
}

}  // namespace
}  // namespace qx

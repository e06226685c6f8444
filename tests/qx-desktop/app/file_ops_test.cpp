#include "app/file_ops.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace qx {
namespace {

// --- Path text ---------------------------------------------------------------------------------

TEST(FilePaths, TheExtensionOfTheLastPartIsReplaced) {
  EXPECT_EQ(with_extension("C:\\Users\\Zoë\\Zelvarons\\settings.json", "tmp"), "C:\\Users\\Zoë\\Zelvarons\\settings.tmp");
  EXPECT_EQ(with_extension("/home/z/pictures/0123456789abcdef.img", "tmp"), "/home/z/pictures/0123456789abcdef.tmp");
  EXPECT_EQ(with_extension("C:\\Program Files\\Z\\zelvarons.exe", "old"), "C:\\Program Files\\Z\\zelvarons.old");
  EXPECT_EQ(with_extension("archive.tar.gz", "new"), "archive.tar.new");
}

TEST(FilePaths, ANameWithoutExtensionGetsOne) {
  EXPECT_EQ(with_extension("C:\\v1.2\\zelvarons", "bad"), "C:\\v1.2\\zelvarons.bad");
  EXPECT_EQ(with_extension("dir.d/.profile", "tmp"), "dir.d/.profile.tmp");
  EXPECT_EQ(with_extension("plain", "tmp"), "plain.tmp");
}

TEST(FilePaths, JoiningAddsOneSeparatorAndParentsDropTheLastPart) {
  const std::string sep(1, path_separator());
  EXPECT_EQ(join_path("base", "name"), "base" + sep + "name");
  EXPECT_EQ(join_path("base\\", "name"), "base\\name");
  EXPECT_EQ(join_path("base/", "name"), "base/name");
  EXPECT_EQ(join_path("", "name"), "name");
  EXPECT_EQ(parent_folder("C:\\a\\b\\settings.json"), "C:\\a\\b");
  EXPECT_EQ(parent_folder("/a/b"), "/a");
  EXPECT_EQ(parent_folder("settings.json"), "");
}

// --- The platform's disk -----------------------------------------------------------------------

std::string utf8_of(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

class DiskFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = std::filesystem::temp_directory_path() /
            std::filesystem::path(u8"zv-file-ops-" + std::u8string(reinterpret_cast<const char8_t*>(std::to_string(stamp).c_str())));
    std::filesystem::create_directories(root_);
    root = utf8_of(root_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  std::string path(std::string_view name) const { return join_path(root, name); }

  FileOps& files = platform_file_ops();
  std::string root;

 private:
  std::filesystem::path root_;
};

TEST_F(DiskFiles, FoldersAreMadeWithEveryMissingParent) {
  const std::string deep = join_path(join_path(path("Zoë 東京"), "Zelvarons"), "pictures");
  EXPECT_TRUE(files.create_folders(deep));
  EXPECT_EQ(files.path_kind(deep), PathKind::Folder);
  EXPECT_TRUE(files.create_folders(deep));  // already there
  EXPECT_TRUE(files.create_folders(deep + path_separator()));
}

TEST_F(DiskFiles, AFileInTheWayOfAFolderFails) {
  ASSERT_TRUE(files.write_file(path("blocker"), "x"));
  EXPECT_FALSE(files.create_folders(join_path(path("blocker"), "inner")));
  EXPECT_FALSE(files.create_folders(""));
}

TEST_F(DiskFiles, WrittenBytesReadBackExactly) {
  const std::string bytes("line one\r\nline two\n\0\x1a\xff end", 25);
  const std::string file = path("bytes Zoë.bin");
  ASSERT_TRUE(files.write_file(file, bytes));
  EXPECT_EQ(files.read_whole(file).value(), bytes);
  ASSERT_TRUE(files.write_file(file, "short"));  // truncates
  EXPECT_EQ(files.read_whole(file).value(), "short");
  ASSERT_TRUE(files.write_file(file, ""));
  EXPECT_EQ(files.read_whole(file).value(), "");
}

TEST_F(DiskFiles, WritingIntoAMissingFolderFails) {
  EXPECT_FALSE(files.write_file(join_path(path("missing"), "a.txt"), "x"));
  EXPECT_FALSE(files.write_file(std::string("nul\0inside", 10), "x"));
}

TEST_F(DiskFiles, ReplacingRenamesOverAnExistingFile) {
  ASSERT_TRUE(files.write_file(path("target.json"), "old"));
  ASSERT_TRUE(files.write_file(path("target.tmp"), "new"));
  EXPECT_TRUE(files.replace_file(path("target.tmp"), path("target.json")));
  EXPECT_EQ(files.read_whole(path("target.json")).value(), "new");
  EXPECT_FALSE(files.exists(path("target.tmp")));
  EXPECT_FALSE(files.replace_file(path("target.tmp"), path("target.json")));  // nothing to move
  EXPECT_EQ(files.read_whole(path("target.json")).value(), "new");
}

TEST_F(DiskFiles, RemovingDeletesOnlyWhatIsThere) {
  ASSERT_TRUE(files.write_file(path("gone.txt"), "x"));
  EXPECT_TRUE(files.remove_file(path("gone.txt")));
  EXPECT_FALSE(files.exists(path("gone.txt")));
  EXPECT_FALSE(files.remove_file(path("gone.txt")));
}

TEST_F(DiskFiles, AReplacingWriteLeavesNoSiblingBehind) {
  const std::string target = path("settings.json");
  ASSERT_TRUE(files.write_file(target, "old"));
  EXPECT_TRUE(write_file_replacing(files, target, "new settings"));
  EXPECT_EQ(files.read_whole(target).value(), "new settings");
  EXPECT_FALSE(files.exists(path("settings.tmp")));
}

TEST_F(DiskFiles, AReplacingWriteThatCannotWriteItsSiblingLeavesTheOldFile) {
  const std::string target = path("settings.json");
  ASSERT_TRUE(files.write_file(target, "old"));
  ASSERT_TRUE(files.create_folders(path("settings.tmp")));  // the sibling cannot be a file
  EXPECT_FALSE(write_file_replacing(files, target, "new settings"));
  EXPECT_EQ(files.read_whole(target).value(), "old");
}

TEST_F(DiskFiles, ATargetNamedLikeItsSiblingIsRefused) {
  EXPECT_FALSE(write_file_replacing(files, path("odd.tmp"), "x"));
  EXPECT_FALSE(files.exists(path("odd.tmp")));
}

TEST(Environment, AnUnsetVariableIsNone) {
  EXPECT_EQ(environment_variable("ZV_SURELY_NOT_SET_7F3A"), std::nullopt);
  EXPECT_EQ(environment_variable(std::string("PATH\0X", 6)), std::nullopt);
}

}  // namespace
}  // namespace qx

// Replacing a file that another program holds open for a moment, as a virus scanner or the
// search indexer does, on the real file system.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/file_ops.h"
#include "temp_folder_win.h"
#include "win_util.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class HeldTarget : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(files.write_file(from, "new"));
    ASSERT_TRUE(files.write_file(to, "old"));
  }

  // Opens the target as another program would: reading, without letting it be deleted or renamed.
  UniqueHandle hold_target() {
    return UniqueHandle(CreateFileW(folder.child(L"settings.json").c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
  }

  zvtest::TempFolder folder{L"zv-replace"};
  FileOps& files = platform_file_ops();
  std::string from = join_path(folder.utf8(), "settings.tmp");
  std::string to = join_path(folder.utf8(), "settings.json");
};

TEST_F(HeldTarget, TheReplaceWaitsForAShortHoldToEnd) {
  UniqueHandle held = hold_target();
  ASSERT_TRUE(held);
  std::thread release([&] {
    std::this_thread::sleep_for(60ms);
    held.reset();
  });
  const bool replaced = files.replace_file(from, to);
  release.join();
  EXPECT_TRUE(replaced);
  EXPECT_EQ(files.read_whole(to).value(), "new");
  EXPECT_FALSE(files.exists(from));
}

TEST_F(HeldTarget, AHoldThatDoesNotEndIsGivenUpOnInBoundedTime) {
  UniqueHandle held = hold_target();
  ASSERT_TRUE(held);
  const auto start = Clock::now();
  EXPECT_FALSE(files.replace_file(from, to));
  const auto took = Clock::now() - start;
  EXPECT_GE(took, REPLACE_RETRY_TIME - 20ms);
  EXPECT_LT(took, 1s);
  held.reset();
  EXPECT_EQ(files.read_whole(to).value(), "old");
  EXPECT_EQ(files.read_whole(from).value(), "new");
}

TEST_F(HeldTarget, OtherFailuresAreNotTriedAgain) {
  const auto start = Clock::now();
  EXPECT_FALSE(files.replace_file(join_path(folder.utf8(), "missing.tmp"), to));
  EXPECT_LT(Clock::now() - start, REPLACE_RETRY_TIME / 2);
}

}  // namespace
}  // namespace qx

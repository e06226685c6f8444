// The install on a real disk: a program file in a temporary folder is swapped for a download
// from a local update service, or left in place when the new one will not start.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/check_update_crypto.h"
#include "app/self_update.h"
#include "local_http_server_win.h"
#include "unicode_text.h"
#include "update_signer.h"
#include "version.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

const std::string OLD_PROGRAM = "MZ the running program";

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

// A small real program of the system, that ends by itself whatever its arguments.
std::string system_program_bytes() {
  wchar_t folder[MAX_PATH];
  const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  return read_file(fs::path(std::wstring(folder, n)) / L"hostname.exe");
}

class SelfUpdateOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = fs::path(temp) / (L"zv-update-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                utf8_to_wide(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    program_ = folder_ / L"zv.exe";
    write_file(program_, OLD_PROGRAM);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void offer(const std::string& body) {
    const std::string notice = zvtest::notice_json("9.0.0", "zv-9.0.0.exe", body.size(), sha256_hex(body));
    server_.route("/u/windows.json", zvtest::answer(notice));
    server_.route("/u/windows.json.sig", zvtest::answer(zvtest::test_signature_hex(notice) + "\n"));
    server_.route("/u/zv-9.0.0.exe", zvtest::answer(body));
  }

  Result<Unit, std::string> install() {
    const UpdateSource source{&platform_http_client(), server_.url("/u"), zvtest::test_update_public_key(),
                              APP_VERSION};
    return install_update(source, *platform_install_system(wide_to_utf8(program_.wstring())));
  }

  fs::path sibling(const wchar_t* extension) const { return fs::path(program_).replace_extension(extension); }

  zvtest::LocalHttpServer server_;
  fs::path folder_;
  fs::path program_;
};

TEST_F(SelfUpdateOnDisk, TheNewProgramTakesThePlaceOfTheOldOne) {
  const std::string fresh = system_program_bytes();
  ASSERT_TRUE(fresh.starts_with("MZ"));
  write_file(sibling(L".old"), "left by an earlier update");
  offer(fresh);
  Result<Unit, std::string> r = install();
  ASSERT_TRUE(r) << r.error();
  EXPECT_EQ(read_file(program_), fresh);
  EXPECT_EQ(read_file(sibling(L".old")), OLD_PROGRAM);
  EXPECT_FALSE(fs::exists(sibling(L".new")));
  EXPECT_FALSE(fs::exists(sibling(L".bad")));
}

TEST_F(SelfUpdateOnDisk, AProgramThatWillNotStartIsTakenOutAgain) {
  offer("MZ but no program at all");
  Result<Unit, std::string> r = install();
  ASSERT_FALSE(r);
  EXPECT_TRUE(r.error().starts_with("the new version would not start: ")) << r.error();
  EXPECT_GT(r.error().size(), std::string("the new version would not start: ").size());
  EXPECT_EQ(read_file(program_), OLD_PROGRAM);
  for (const wchar_t* e : {L".old", L".new", L".bad"}) EXPECT_FALSE(fs::exists(sibling(e))) << wide_to_utf8(e);
}

TEST_F(SelfUpdateOnDisk, AProgramFileHeldOpenIsNotMovedAndTheDownloadIsRemoved) {
  offer(system_program_bytes());
  HANDLE held = CreateFileW(program_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Result<Unit, std::string> r = install();
  CloseHandle(held);
  ASSERT_FALSE(r);
  EXPECT_TRUE(r.error().starts_with("the old version could not be moved: ")) << r.error();
  EXPECT_EQ(read_file(program_), OLD_PROGRAM);
  EXPECT_FALSE(fs::exists(sibling(L".new")));
}

}  // namespace
}  // namespace qx

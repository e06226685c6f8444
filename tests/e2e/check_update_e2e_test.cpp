// The real program in its "--check-update" console mode, against a local update service. The
// program built for these tests trusts the test update key; the one built for users does not.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/check_update.h"
#include "local_http_server_win.h"
#include "program_run_win.h"
#include "unicode_text.h"
#include "update_signer.h"

namespace {

using zvtest::ProgramRun;

const std::string HASH = std::string(64, 'c');

class CheckUpdateProgram : public ::testing::Test {
 protected:
  void SetUp() override { set_base(server_.url("/update")); }
  void TearDown() override { SetEnvironmentVariableW(L"ZELVARON_UPDATE_BASE", nullptr); }

  static void set_base(const std::string& base) {
    SetEnvironmentVariableW(L"ZELVARON_UPDATE_BASE", qx::utf8_to_wide(base).c_str());
  }

  void publish(const std::string& notice, const std::string& signature) {
    server_.route("/update/windows.json", zvtest::answer(notice));
    server_.route("/update/windows.json.sig", zvtest::answer(signature));
  }
  void publish(const std::string& notice) { publish(notice, zvtest::test_signature_hex(notice) + "\n"); }

  static ProgramRun run(const char* exe = ZV_TESTKEY_EXE_PATH, zvtest::Capture capture = zvtest::Capture::Files) {
    return zvtest::run_program(exe, {"--check-update"}, std::chrono::seconds(60), capture);
  }

  zvtest::LocalHttpServer server_;
};

std::string notice(const std::string& version, const std::string& app = "zelvaron-windows-x64") {
  return zvtest::notice_json(version, "zelvarons-" + version + ".exe", 4'000'000, HASH, "zelvaron-update/1", app);
}

void expect_line(const ProgramRun& run, const std::string& line, DWORD exit_code) {
  EXPECT_EQ(run.out, line + "\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exit_code, exit_code);
}

TEST_F(CheckUpdateProgram, UpToDateAndNewer) {
  publish(notice("0.4.0"));
  expect_line(run(ZV_TESTKEY_EXE_PATH, zvtest::Capture::Pipes), R"({"available":null,"running":"0.4.0"})", 0);
  publish(notice("0.10.0"));
  expect_line(run(), R"({"available":"0.10.0","running":"0.4.0"})", 0);
  EXPECT_EQ(server_.requests().back().target, "/update/windows.json.sig");
}

TEST_F(CheckUpdateProgram, AServiceThatClosesEveryConnectionAfterOneAnswerOffersTheUpdate) {
  server_.close_without_notice();
  publish(notice("0.5.0"));
  expect_line(run(), R"({"available":"0.5.0","running":"0.4.0"})", 0);
  EXPECT_EQ(server_.connection_count(), 2u);  // the notice, then its signature
}

TEST_F(CheckUpdateProgram, RefusalsArePrintedWithExitCodeOne) {
  struct Case {
    std::string notice;
    std::string signature;
    std::string error;
  } cases[] = {
      {notice("0.5.0"), zvtest::test_signature_hex(notice("0.5.0") + " "), "the update is not signed by us"},
      {notice("0.5.0", "zelvaron-macos"), "", "the update is for something else"},
      {notice("0.5.0") + std::string(4097 - notice("0.5.0").size(), ' '), "", "larger than expected"},
      {notice("0.3.0").insert(1, R"("app":"zelvaron-windows-x64",)"), "", "the update notice cannot be read"},
      {zvtest::notice_json("0.5.0", "..\\\\zelvarons.exe", 1, HASH), "", "the update notice is malformed"},
  };
  for (const Case& c : cases) {
    if (c.signature.empty()) {
      publish(c.notice);
    } else {
      publish(c.notice, c.signature);
    }
    expect_line(run(), R"({"error":")" + c.error + R"(","running":"0.4.0"})", 1);
  }
}

TEST_F(CheckUpdateProgram, TheProgramForUsersDoesNotTrustTheTestKey) {
  publish(notice("0.5.0"));
  expect_line(run(ZV_EXE_PATH), R"({"error":"the update is not signed by us","running":"0.4.0"})", 1);
}

TEST_F(CheckUpdateProgram, ASlowServerEndsTheCheckAtItsDeadline) {
  zvtest::ServedResponse slow = zvtest::answer(notice("0.5.0") + std::string(3000, ' '));
  slow.drip_interval = std::chrono::milliseconds(250);  // about 13 minutes for the whole notice
  server_.route("/update/windows.json", slow);
  const auto start = std::chrono::steady_clock::now();
  ProgramRun r = run();
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.exit_code, 1u);
  EXPECT_TRUE(r.out.starts_with(R"({"error":")")) << r.out;
  EXPECT_TRUE(r.out.ends_with(R"(","running":"0.4.0"})" "\n")) << r.out;
  EXPECT_LT(took, std::chrono::seconds(40)) << "the notice's deadline is 12 s";
}

TEST_F(CheckUpdateProgram, AnHttpsBaseFromTheEnvironmentIsIgnored) {
  publish(notice("0.5.0"));
  set_base("https://127.0.0.1:" + std::to_string(server_.port()) + "/update");
  ProgramRun r = run();
  EXPECT_EQ(r.exit_code, 1u);
  const std::string built_in = std::string(qx::UPDATE_BUILT_IN_BASE) + "/windows.json";
  EXPECT_TRUE(r.out.starts_with(R"({"error":"could not download: )" + built_in)) << r.out;
  EXPECT_EQ(server_.request_count(), 0u);
}

}  // namespace

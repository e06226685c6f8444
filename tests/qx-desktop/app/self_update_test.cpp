#include "app/self_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/check_update_crypto.h"
#include "fake_http.h"
#include "unicode_text.h"
#include "update_signer.h"

namespace qx {
namespace {

const std::string BASE = "http://127.0.0.1:9/u";
const std::string PROGRAM = "C:\\Apps\\Zelvarons\\zelvarons.exe";
const std::string NEW = "C:\\Apps\\Zelvarons\\zelvarons.new";
const std::string OLD = "C:\\Apps\\Zelvarons\\zelvarons.old";
const std::string BAD = "C:\\Apps\\Zelvarons\\zelvarons.bad";
const std::string OLD_PROGRAM = "MZ old program";
const std::string NEW_PROGRAM = "MZ new program, version 0.5.0";

// A disk of named files and a process starter; each operation on a path can be told to fail a
// number of times.
class FakeSystem final : public InstallSystem {
 public:
  std::map<std::string, std::string> files{{PROGRAM, OLD_PROGRAM}};
  std::map<std::string, int> failures;  // "write C:\...", "move A B", "remove P", "start P", "path"
  std::vector<std::string> log;
  std::vector<std::string> started;

  Result<std::string, std::string> program_path() override {
    if (fails("path")) return err(std::string("The specified module could not be found."));
    return PROGRAM;
  }
  Result<Unit, std::string> write_file(const std::string& path, std::string_view bytes) override {
    if (fails("write " + path)) {
      files[path] = std::string(bytes.substr(0, bytes.size() / 2));
      return err(std::string("There is not enough space on the disk."));
    }
    files[path] = std::string(bytes);
    return Unit{};
  }
  Result<Unit, std::string> move_file(const std::string& from, const std::string& to) override {
    auto it = files.find(from);
    if (fails("move " + from + " " + to) || it == files.end()) return err(std::string("Access is denied."));
    files[to] = it->second;
    files.erase(from);
    return Unit{};
  }
  Result<Unit, std::string> remove_file(const std::string& path) override {
    if (fails("remove " + path) || files.erase(path) == 0) return err(std::string("The system cannot find the file specified."));
    return Unit{};
  }
  Result<Unit, std::string> start_program(const std::string& path, std::string_view argument) override {
    if (fails("start " + path)) return err(std::string("This app can't run on your PC."));
    started.push_back(path + " " + std::string(argument) + " [" + files.at(path) + "]");
    return Unit{};
  }
  void pause(std::chrono::milliseconds) override { log.push_back("pause"); }

 private:
  bool fails(const std::string& op) {
    log.push_back(op);
    auto it = failures.find(op);
    if (it == failures.end() || it->second == 0) return false;
    --it->second;
    return true;
  }
};

struct Service {
  zvtest::FakeHttp http;
  UpdateSource source{&http, BASE, zvtest::test_update_public_key(), "0.4.0"};

  // Announces `announced` (its size and hash unless given) and serves `body` as the download.
  void offer(const std::string& body, std::string version = "0.5.0", std::optional<std::string> announced = {},
             std::optional<std::string> hash = {}) {
    const std::string& a = announced ? *announced : body;
    const std::string notice = zvtest::notice_json(version, "zelvarons-0.5.0.exe", a.size(), hash.value_or(sha256_hex(a)));
    http.serve(BASE + "/windows.json", notice);
    http.serve(BASE + "/windows.json.sig", zvtest::test_signature_hex(notice));
    http.serve(BASE + "/zelvarons-0.5.0.exe", body);
  }
};

const std::map<std::string, std::string> UNTOUCHED{{PROGRAM, OLD_PROGRAM}};

// --- refusals before anything is written ------------------------------------------------------

TEST(SelfUpdateDownload, ABadDownloadIsRefusedBeforeAnythingIsWritten) {
  const std::string longer = NEW_PROGRAM + "!";
  struct Case {
    const char* name;
    std::function<void(Service&)> setup;
    std::string reason;
  } cases[] = {
      {"up to date", [](Service& s) { s.offer(NEW_PROGRAM, "0.4.0"); }, "you already have the newest version"},
      {"check fails", [](Service& s) { s.offer(NEW_PROGRAM, "0.5"); }, "the update has no proper version"},
      {"not found",
       [](Service& s) {
         s.offer(NEW_PROGRAM);
         s.http.answers[BASE + "/zelvarons-0.5.0.exe"].status = 404;
       },
       "the site answered 404"},
      {"larger than announced", [&](Service& s) { s.offer(longer, "0.5.0", NEW_PROGRAM); }, "larger than expected"},
      {"shorter than announced", [&](Service& s) { s.offer(NEW_PROGRAM, "0.5.0", longer); },
       "the download does not match its signature"},
      {"one byte changed",
       [](Service& s) {
         std::string changed = NEW_PROGRAM;
         changed.back() ^= 1;
         s.offer(changed, "0.5.0", NEW_PROGRAM);
       },
       "the download does not match its signature"},
      {"no program", [](Service& s) { s.offer("PK zip archive"); }, "the download is not a program"},
      {"cut short",
       [](Service& s) {
         s.offer(NEW_PROGRAM);
         HttpResponse& r = s.http.answers[BASE + "/zelvarons-0.5.0.exe"];
         r.error = HttpErrorKind::Read;
         r.error_text = "the operation timed out";
       },
       "the operation timed out"},
  };
  for (const Case& c : cases) {
    Service service;
    c.setup(service);
    FakeSystem system;
    Result<Unit, std::string> r = install_update(service.source, system);
    ASSERT_FALSE(r) << c.name;
    EXPECT_EQ(r.error(), c.reason) << c.name;
    EXPECT_TRUE(system.log.empty()) << c.name << ": nothing is touched";
    EXPECT_EQ(system.files, UNTOUCHED) << c.name;
  }
}

TEST(SelfUpdateDownload, TheDownloadIsFetchedByItsAnnouncedSizeAndAnUpperCaseHashMatches) {
  Service service;
  service.offer(NEW_PROGRAM, "0.5.0", {}, ascii_upper(sha256_hex(NEW_PROGRAM)));
  FakeSystem system;
  ASSERT_TRUE(install_update(service.source, system));
  const HttpRequest& download = service.http.requests.back();
  EXPECT_EQ(download.url, BASE + "/zelvarons-0.5.0.exe");
  EXPECT_EQ(download.byte_limit, NEW_PROGRAM.size());
  EXPECT_EQ(download.timeout, std::chrono::seconds(180));
}

// --- the swap ---------------------------------------------------------------------------------

TEST(SelfUpdateSwap, SuccessPutsTheNewProgramInPlaceAndStartsIt) {
  Service service;
  service.offer(NEW_PROGRAM);
  FakeSystem system;
  system.files[OLD] = "older leftover";
  ASSERT_TRUE(install_update(service.source, system));
  EXPECT_EQ(system.files, (std::map<std::string, std::string>{{PROGRAM, NEW_PROGRAM}, {OLD, OLD_PROGRAM}}));
  EXPECT_EQ(system.started, std::vector<std::string>{PROGRAM + " --after-update [" + NEW_PROGRAM + "]"});
  EXPECT_EQ(system.log, (std::vector<std::string>{"path", "remove " + OLD, "write " + NEW, "move " + PROGRAM + " " + OLD,
                                                  "move " + NEW + " " + PROGRAM, "start " + PROGRAM}));
}

TEST(SelfUpdateSwap, EveryFailureLeavesTheOldProgramInPlace) {
  struct Case {
    std::map<std::string, int> failures;
    std::string reason;
    std::map<std::string, std::string> left;  // besides the program with its old bytes
  } cases[] = {
      {{{"path", 1}}, "The specified module could not be found.", {}},
      {{{"write " + NEW, 1}},
       "this folder cannot be written to: There is not enough space on the disk.",
       {{NEW, NEW_PROGRAM.substr(0, NEW_PROGRAM.size() / 2)}}},
      {{{"move " + PROGRAM + " " + OLD, 1}}, "the old version could not be moved: Access is denied.", {}},
      {{{"move " + NEW + " " + PROGRAM, 1}}, "the new version could not be put in place: Access is denied.", {}},
      {{{"start " + PROGRAM, 1}}, "the new version would not start: This app can't run on your PC.", {}},
      // The clean-up may fail too; the program is still put back.
      {{{"move " + NEW + " " + PROGRAM, 1}, {"remove " + NEW, 1}},
       "the new version could not be put in place: Access is denied.",
       {{NEW, NEW_PROGRAM}}},
      {{{"start " + PROGRAM, 1}, {"move " + PROGRAM + " " + BAD, 1}},
       "the new version would not start: This app can't run on your PC.",
       {}},
      {{{"start " + PROGRAM, 1}, {"remove " + BAD, 1}},
       "the new version would not start: This app can't run on your PC.",
       {{BAD, NEW_PROGRAM}}},
      // A restore that fails a few times is retried until it works.
      {{{"move " + NEW + " " + PROGRAM, 1}, {"move " + OLD + " " + PROGRAM, UPDATE_RESTORE_ATTEMPTS - 1}},
       "the new version could not be put in place: Access is denied.",
       {}},
      {{{"start " + PROGRAM, 1}, {"move " + OLD + " " + PROGRAM, UPDATE_RESTORE_ATTEMPTS - 1}},
       "the new version would not start: This app can't run on your PC.",
       {}},
  };
  for (const Case& c : cases) {
    Service service;
    service.offer(NEW_PROGRAM);
    FakeSystem system;
    system.failures = c.failures;
    Result<Unit, std::string> r = install_update(service.source, system);
    const std::string name = c.failures.begin()->first;
    ASSERT_FALSE(r) << name;
    EXPECT_EQ(r.error(), c.reason) << name;
    std::map<std::string, std::string> want = c.left;
    want[PROGRAM] = OLD_PROGRAM;
    EXPECT_EQ(system.files, want) << name;
    EXPECT_TRUE(system.started.empty()) << name;
  }
}

TEST(SelfUpdateSwap, TheRestoreGivesUpAfterItsAttempts) {
  Service service;
  service.offer(NEW_PROGRAM);
  FakeSystem system;
  system.failures = {{"move " + NEW + " " + PROGRAM, 1}, {"move " + OLD + " " + PROGRAM, UPDATE_RESTORE_ATTEMPTS}};
  ASSERT_FALSE(install_update(service.source, system));
  EXPECT_EQ(std::count(system.log.begin(), system.log.end(), "move " + OLD + " " + PROGRAM), UPDATE_RESTORE_ATTEMPTS);
  EXPECT_EQ(std::count(system.log.begin(), system.log.end(), "pause"), UPDATE_RESTORE_ATTEMPTS - 1);
  EXPECT_EQ(system.files.at(OLD), OLD_PROGRAM);  // still there for the user to find
}

TEST(SelfUpdateSwap, SiblingsReplaceTheExtension) {
  EXPECT_EQ(update_siblings("C:\\a\\bar.exe").fresh, "C:\\a\\bar.new");
  EXPECT_EQ(update_siblings("C:\\a.b\\bar.exe").old, "C:\\a.b\\bar.old");
  EXPECT_EQ(update_siblings("C:\\a.b\\bar").bad, "C:\\a.b\\bar.bad");
}

TEST(SelfUpdateBox, TheReasonFollowsTheFixedText) {
  EXPECT_EQ(update_failure_text("the download is not a program"),
            "Zelvarons was not updated, and nothing was changed.\n\nReason: the download is not a program");
}

}  // namespace
}  // namespace qx

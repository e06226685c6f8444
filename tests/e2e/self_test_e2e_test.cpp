// The real program in its "--self-test" console mode.
#include <windows.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "local_http_server_win.h"
#include "program_run_win.h"
#include "repo_file.h"
#include "unicode_text.h"

namespace {

using zvtest::ProgramRun;

// Output to files by default; through pipes where a case is about what a script capturing the
// output sees (under Wine a pipe stays open about a second after the program ends).
ProgramRun run_program(const std::vector<std::string>& args, zvtest::Capture capture = zvtest::Capture::Files) {
  return zvtest::run_program(ZV_EXE_PATH, args, std::chrono::seconds(60), capture);
}

// A fixture file as a Windows path (the Linux root is drive Z: under Wine).
std::string fixture(const std::string& name) { return zv_test::fixture_windows_path("self-test/" + name); }

nlohmann::json line_of(const ProgramRun& run) {
  EXPECT_EQ(run.exit_code, 0u) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.find('\n'), run.out.size() - 1) << "one line, ending in a line feed: " << run.out;
  auto json = nlohmann::json::parse(run.out, nullptr, false);
  EXPECT_TRUE(json.is_object()) << run.out;
  return json;
}

// Whatever the machine: the fixed keys, in byte order, with the right types.
void expect_summary_shape(const ProgramRun& run) {
  std::string keys;
  auto json = line_of(run);
  for (auto it = json.begin(); it != json.end(); ++it) keys += it.key() + ",";
  EXPECT_EQ(keys, "binary,feedId,idleSeconds,mode,ok,screenPx,shortText,statusText,stories,version,");
  EXPECT_EQ(run.out.rfind("{\"binary\":\"zelvarons\",\"feedId\":", 0), 0u) << run.out;
  EXPECT_EQ(json.value("binary", ""), "zelvarons");
  EXPECT_EQ(json.value("version", ""), "0.4.0");
  EXPECT_EQ(json["ok"], true);
  EXPECT_TRUE(json["idleSeconds"].is_number_unsigned());
  ASSERT_TRUE(json["screenPx"].is_array());
  ASSERT_EQ(json["screenPx"].size(), 2u);
  EXPECT_TRUE(json["screenPx"][0].is_number_integer());
  EXPECT_TRUE(json["screenPx"][1].is_number_integer());
  // Compact, keys in byte order: exactly what a sorted compact dump of the same value gives.
  EXPECT_EQ(json.dump() + "\n", run.out);
}

TEST(SelfTestProgram, ASchemaFeedIsSummarisedExactly) {
  ProgramRun run = run_program({"--self-test", "--feed", fixture("schema.json")}, zvtest::Capture::Pipes);
  expect_summary_shape(run);
  auto json = line_of(run);
  EXPECT_EQ(json["feedId"], "otters-live");
  EXPECT_EQ(json["stories"], 4);
  EXPECT_EQ(json["mode"], "signal-bar-bottom");
  // Non-ASCII text stays UTF-8, unescaped.
  EXPECT_NE(run.out.find("\"shortText\":\"OTT 2\xE2\x80\x93" "1 HER\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"statusText\":\"Second half \xC2\xB7 67\xE2\x80\xB2\""), std::string::npos) << run.out;
}

struct BuiltFeed {
  const char* file;
  const char* first_title;
  int stories;
};

class SelfTestFormats : public ::testing::TestWithParam<BuiltFeed> {};

TEST_P(SelfTestFormats, EveryFeedFormatIsRead) {
  const BuiltFeed& f = GetParam();
  ProgramRun run = run_program({"--self-test", "--feed", fixture(f.file)});
  expect_summary_shape(run);
  auto json = line_of(run);
  EXPECT_EQ(json["feedId"], "desktop-feed");
  EXPECT_EQ(json["stories"], f.stories);
  EXPECT_EQ(json["statusText"], f.first_title);
  std::string short_text = json.value("shortText", "");
  EXPECT_FALSE(short_text.empty());
  EXPECT_EQ(std::string(f.first_title).rfind(short_text, 0), 0u) << short_text;
}

INSTANTIATE_TEST_SUITE_P(Files, SelfTestFormats,
                         ::testing::Values(BuiltFeed{"rss.xml", "Rowers take the regatta in a photo finish", 3},
                                           BuiltFeed{"rdf.xml", "Bridge reopens", 2},
                                           BuiltFeed{"atom.xml", "Caf\xC3\xA9 league: caf\xC3\xA9 wins", 1},
                                           BuiltFeed{"json-feed.json", "Ferry timetable changes", 2}));

TEST(SelfTestProgram, ThePlacementComesFromModeAndEdge) {
  auto mode_of = [](std::vector<std::string> extra) {
    std::vector<std::string> args{"--self-test", "--feed", fixture("schema.json")};
    args.insert(args.end(), extra.begin(), extra.end());
    return line_of(run_program(args)).value("mode", "");
  };
  EXPECT_EQ(mode_of({"--mode", "island"}), "island");
  EXPECT_EQ(mode_of({"--mode", "bar", "--edge", "Right"}), "bar-right");
  EXPECT_EQ(mode_of({"--edge", "top"}), "signal-bar-top");
}

TEST(SelfTestProgram, TheSettingsFileIsNotRead) {
  namespace fs = std::filesystem;
  fs::path appdata = fs::temp_directory_path() / "zv-e2e-self-test-appdata";
  fs::create_directories(appdata / "Zelvarons");
  std::ofstream(appdata / "Zelvarons" / "settings.json") << R"({"mode":"island","feeds":[]})";
  wchar_t saved[32768];
  DWORD had = GetEnvironmentVariableW(L"APPDATA", saved, 32768);
  SetEnvironmentVariableW(L"APPDATA", appdata.wstring().c_str());
  ProgramRun run = run_program({"--self-test", "--feed", fixture("schema.json")});
  SetEnvironmentVariableW(L"APPDATA", had ? saved : nullptr);
  EXPECT_EQ(line_of(run).value("mode", ""), "signal-bar-bottom");
  std::error_code ec;
  fs::remove_all(appdata, ec);
}

TEST(SelfTestProgram, ABrokenFeedFailsOnStandardError) {
  ProgramRun run = run_program({"--self-test", "--feed", fixture("broken.xml")});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "self-test feed failed: invalid xml: no RSS <item> or Atom <entry> found\n");
}

TEST(SelfTestProgram, ALocalFileThatIsNotUtf8Fails) {
  ProgramRun run = run_program({"--self-test", "--feed", fixture("latin1.xml")});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.err, "self-test feed failed: file error: the file is not valid UTF-8 text\n");
}

TEST(SelfTestProgram, APlainHttpFeedIsRefusedWithoutARequest) {
  zvtest::LocalHttpServer server;
  server.route("/feed.json", zvtest::answer("{}"));
  ProgramRun run = run_program({"--self-test", "--feed", server.url("/feed.json")});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "self-test feed failed: only https:// feeds are supported\n");
  EXPECT_EQ(server.request_count(), 0u);
}

TEST(SelfTestProgram, AMissingFileIsNoPathAndNoAddress) {
  ProgramRun run = run_program({"--self-test", "--feed", fixture("no-such-feed.xml")});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.err, "self-test feed failed: only https:// feeds are supported\n");
}

TEST(SelfTestProgram, AnUnreachableHttpsFeedIsAnHttpError) {
  std::string port;
  {
    zvtest::LocalHttpServer gone;
    port = std::to_string(gone.port());
  }
  ProgramRun run = run_program({"--self-test", "--feed", "https://localhost:" + port + "/feed"});
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.err, "self-test feed failed: http error: https://localhost:" + port + "/feed: could not connect\n");
}

}  // namespace

// Broken and hostile input for the application core: update notices and their signatures,
// command lines, settings files and the add-feed worker's copied text and pages, each mutated
// from realistic seeds. Nothing crashes; every result is one the program documents.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/add_feed.h"
#include "app/check_update.h"
#include "app/command_line.h"
#include "app/feed_service.h"
#include "app/settings.h"
#include "fake_http.h"
#include "feed_discovery.h"
#include "fuzz_mutation.h"
#include "memory_files.h"
#include "state_test_helpers.h"
#include "text_cleanup.h"
#include "unicode_text.h"
#include "update_signer.h"

namespace qx {
namespace {

using zvtest::Mutator;
using zvtest::printable;

const std::vector<std::string> JSON_TOKENS = {
    "{",     "}",        "[",      "]",       ",",     ":",       "\"",    "\\",     "\\u0000", "\\ud800",
    "\\udc00", "\\u00e9", "null",  "true",    "false", "0",       "-0",    "1e400",  "-1",      "18446744073709551616",
    "0.5",   "1E-50",    "NaN",    "\"\":",   " ",     "\n",      "\t",    "//",     "/*",      "\"feeds\":",
};

// --- update notices ------------------------------------------------------------------------------------

const std::string BASE = "http://127.0.0.1:9/u";
const std::string HASH = std::string(32, 'a') + std::string(32, 'F');

const std::set<std::string> CHECK_ERRORS = {
    "the update is not signed by us",  "the update notice cannot be read", "the update is for something else",
    "the update notice is malformed",  "the update has no proper version", "larger than expected",
};

struct UpdateService {
  zvtest::FakeHttp http;
  UpdateSource source{&http, BASE, zvtest::test_update_public_key(), "0.4.0"};

  UpdateCheck check(const std::string& notice, const std::string& signature) {
    http.serve(BASE + "/windows.json", notice);
    http.serve(BASE + "/windows.json.sig", signature);
    return check_for_update(source);
  }
};

// The "--check-update" line is one line of JSON whatever the error text holds.
void expect_one_json_line(const UpdateCheck& c, const std::string& context) {
  const std::string line = check_update_line(c, "0.4.0");
  ASSERT_TRUE(line.ends_with("\n")) << context;
  EXPECT_EQ(line.find('\n'), line.size() - 1) << context;
  EXPECT_TRUE(nlohmann::json::accept(line)) << context << "\nline: " << printable(line);
  EXPECT_EQ(check_update_exit_code(c), c.kind == UpdateCheck::Kind::Failed ? 1 : 0) << context;
}

// What a check may give: a known error, the newest already, or a notice that keeps every rule.
void expect_documented(const UpdateCheck& c, const std::string& context) {
  switch (c.kind) {
    case UpdateCheck::Kind::Failed:
      EXPECT_TRUE(CHECK_ERRORS.count(c.error)) << context << "\nerror: " << printable(c.error);
      break;
    case UpdateCheck::Kind::UpToDate:
      break;
    case UpdateCheck::Kind::Available: {
      const Manifest& m = c.manifest;
      EXPECT_EQ(m.schema, UPDATE_SCHEMA) << context;
      EXPECT_EQ(m.app, UPDATE_APP) << context;
      EXPECT_TRUE(m.file.ends_with(".exe") && m.file.size() <= UPDATE_MAX_FILE_NAME) << context;
      EXPECT_EQ(m.file.find(".."), std::string::npos) << context;
      EXPECT_EQ(m.file.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-."),
                std::string::npos)
          << context;
      EXPECT_TRUE(m.size >= 1 && m.size <= UPDATE_MAX_SIZE) << context;
      EXPECT_EQ(m.sha256.size(), 64u) << context;
      const auto version = parse_version(m.version);
      ASSERT_TRUE(version) << context;
      EXPECT_GT(*version, (std::array<std::uint32_t, 3>{0, 4, 0})) << context;
      break;
    }
  }
  expect_one_json_line(c, context);
}

TEST(UpdateNoticeFuzz, SignedMutatedNoticesGiveADocumentedOutcome) {
  // Each mutated notice is signed again, so the mutation reaches the reader and the rules.
  const std::vector<std::string> seeds = {
      zvtest::notice_json("0.5.0", "zv-0.5.0.exe", 1000, HASH),
      "[\"zelvaron-update/1\",\"zelvaron-windows-x64\",\"0.10.0\",\"zelvarons-setup.exe\",33554432,\"" + HASH + "\"]",
      zvtest::notice_json("00001.0.0", "a.exe", 1, HASH),
  };
  std::vector<std::string> tokens = JSON_TOKENS;
  for (const char* t : {".", "..", ".exe", ".EXE", "/", "99999", "100000", "zelvaron-update/1", "\"size\":", "\"x\":1,"}) {
    tokens.push_back(t);
  }
  Mutator m(0x2109, tokens, UPDATE_NOTICE_LIMIT + 64);
  UpdateService service;
  int available = 0, failed = 0;
  for (int i = 0; i < 600; ++i) {
    const std::string notice = m.mutate(m.pick(seeds), 1);
    const UpdateCheck c = service.check(notice, zvtest::test_signature_hex(notice));
    expect_documented(c, "case " + std::to_string(i) + "\nnotice: " + printable(notice, 5000));
    if (notice.size() > UPDATE_NOTICE_LIMIT) {
      EXPECT_EQ(c.error, "larger than expected") << i;
    }
    available += c.kind == UpdateCheck::Kind::Available;
    failed += c.kind == UpdateCheck::Kind::Failed;
  }
  // Both roads were taken often enough to mean something.
  EXPECT_GT(available, 5);
  EXPECT_GT(failed, 200);
}

TEST(UpdateNoticeFuzz, WellFormedNoticesWithMutatedValuesKeepEveryRule) {
  // Valid JSON with one value changed (a mutated text, another type, a number at a limit), so
  // that the rules themselves are what decides.
  const nlohmann::json seed = nlohmann::json::parse(zvtest::notice_json("0.5.0", "zv-0.5.0.exe", 1000, HASH));
  const std::vector<std::string> keys = {"schema", "app", "version", "file", "size", "sha256"};
  const std::vector<nlohmann::json> odd_values = {nullptr, true, -1, 0, 1, 33554432, 33554433, 1.5,
                                                  "1e3", nlohmann::json::array(), nlohmann::json::object()};
  Mutator m(0x2110, {".", "..", ".exe", ".EXE", "/", "\\", "0", "99999", "100000", "-", "+", " "}, 128);
  UpdateService service;
  int available = 0;
  for (int i = 0; i < 600; ++i) {
    nlohmann::json notice = seed;
    const std::string& key = m.pick(keys);
    if (m.chance(20)) {
      notice[key] = m.pick(odd_values);
    } else if (key == "size") {
      notice[key] = m.chance(50) ? m.below(UPDATE_MAX_SIZE + 2) : m.rng()();
    } else {
      notice[key] = sanitize_utf8(m.mutate(notice[key].get<std::string>(), 2));
    }
    if (m.chance(5)) notice[sanitize_utf8(m.mutate(key))] = 1;  // one key more, or a misspelt one
    const std::string text = m.chance(20) ? nlohmann::json::array({notice["schema"], notice["app"], notice["version"],
                                                                  notice["file"], notice["size"], notice["sha256"]})
                                                .dump()
                                          : notice.dump();
    const UpdateCheck c = service.check(text, zvtest::test_signature_hex(text));
    expect_documented(c, "case " + std::to_string(i) + "\nnotice: " + printable(text));
    available += c.kind == UpdateCheck::Kind::Available;
  }
  EXPECT_GT(available, 30);
}

TEST(UpdateNoticeFuzz, DeepNestingIsRefusedAsUnreadable) {
  UpdateService service;
  for (const std::string& open : {std::string("["), std::string("{\"schema\":")}) {
    std::string notice;
    while (notice.size() + open.size() < UPDATE_NOTICE_LIMIT) notice += open;
    const UpdateCheck c = service.check(notice, zvtest::test_signature_hex(notice));
    EXPECT_EQ(c.error, "the update notice cannot be read") << open;
  }
}

TEST(UpdateSignatureFuzz, AnyChangeToASignatureOrItsNoticeIsRefused) {
  const std::string notice = zvtest::notice_json("0.5.0", "zv-0.5.0.exe", 1000, HASH);
  const std::string signature = zvtest::test_signature_hex(notice);
  UpdateService service;
  ASSERT_EQ(service.check(notice, signature).kind, UpdateCheck::Kind::Available);
  Mutator m(0x51, {" ", "\n", "\r\n", "\t", "\xE3\x80\x80", "0", "f", "F", "g", "00"}, UPDATE_SIGNATURE_LIMIT + 16);
  for (int i = 0; i < 1500; ++i) {
    const bool change_notice = m.chance(50);
    const std::string n = change_notice ? m.mutate(notice) : notice;
    const std::string s = change_notice ? signature : m.mutate(signature);
    const UpdateCheck c = service.check(n, s);
    const std::string context = "case " + std::to_string(i) + "\nnotice: " + printable(n) + "\nsig: " + printable(s);
    expect_documented(c, context);
    // Only white space around the digits, or the upper-case form of a digit, leaves the check as
    // it was; everything else is refused before the notice is read.
    const std::string digits = sanitize_utf8(s);
    const bool same_signature = ascii_lower(trim_unicode_whitespace(digits)) == signature;
    if (n == notice && same_signature) {
      EXPECT_EQ(c.kind, UpdateCheck::Kind::Available) << context;
    } else if (n.size() <= UPDATE_NOTICE_LIMIT && s.size() <= UPDATE_SIGNATURE_LIMIT) {
      EXPECT_EQ(c.error, "the update is not signed by us") << context;
    }
  }
}

TEST(UpdateLineFuzz, AnyErrorTextGivesOneLineOfJson) {
  Mutator m(0x11e, {"\"", "\\", "\n", "\r", "\x7f", "\xF0\x9F\x98\x80"}, 512);
  for (int i = 0; i < 2000; ++i) {
    const std::string text = m.chance(50) ? m.random_bytes(64) : m.mutate("could not download: the server is unreachable");
    expect_one_json_line(UpdateCheck::failed(text), "case " + std::to_string(i) + ": " + printable(text));
  }
}

TEST(UpdateBaseFuzz, AnyVariableGivesTheBuiltInBaseOrAValidLoopbackOne) {
  Mutator m(0xba5e, {});
  const std::u16string loopback = u"http://127.0.0.1:8080/u";
  for (int i = 0; i < 20000; ++i) {
    std::u16string value = m.chance(70) ? loopback.substr(0, m.below(loopback.size() + 1)) : std::u16string();
    const std::size_t extra = m.below(8);
    for (std::size_t k = 0; k < extra; ++k) {
      const auto unit = static_cast<char16_t>(m.chance(50) ? 0xD7F0 + m.below(0x820) : m.below(0x10000));
      value.insert(m.below(value.size() + 1), 1, unit);  // surrogates, lone or paired, anywhere
    }
    const std::string base = update_base_url(m.chance(5) ? std::nullopt : std::optional(value));
    EXPECT_TRUE(is_valid_utf8(base)) << printable(base);
    if (base != UPDATE_BUILT_IN_BASE) {
      EXPECT_TRUE(base.starts_with(UPDATE_LOCAL_PREFIX)) << printable(base);
      EXPECT_EQ(utf8_to_utf16(base), value) << printable(base);  // honoured only when it was valid
    }
  }
}

TEST(VersionFuzz, AnAcceptedVersionIsThreeShortRunsOfDigits) {
  Mutator m(0x7e5, {".", "0", "9", "+", "-", " ", "00000", "\xD9\xA3" /* an Arabic-Indic digit */}, 64);
  for (int i = 0; i < 20000; ++i) {
    const std::string text = m.mutate(m.pick(std::vector<std::string>{"0.4.0", "12345.0.99999", "1.2.3"}));
    const auto version = parse_version(text);
    if (!version) continue;
    int dots = 0;
    std::size_t run = 0;
    for (char c : text) {
      if (c == '.') {
        EXPECT_TRUE(run >= 1 && run <= 5) << printable(text);
        ++dots;
        run = 0;
      } else {
        EXPECT_TRUE(is_ascii_digit(c)) << printable(text);
        ++run;
      }
    }
    EXPECT_EQ(dots, 2) << printable(text);
    EXPECT_TRUE(run >= 1 && run <= 5) << printable(text);
    for (std::uint32_t part : *version) EXPECT_LE(part, 99999u) << printable(text);
  }
}

// --- command lines --------------------------------------------------------------------------------------

// One argument written so that the standard splitting rules give it back.
std::u16string quote_argument(const std::u16string& arg) {
  if (!arg.empty() && arg.find_first_of(u" \t\"") == std::u16string::npos) return arg;
  std::u16string out = u"\"";
  std::size_t backslashes = 0;
  for (char16_t c : arg) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') {
      out.append(2 * backslashes + 1, u'\\');
    } else {
      out.append(backslashes, u'\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, u'\\');
  return out + u"\"";
}

char16_t random_unit(Mutator& m) {
  static const std::u16string awkward = u"\"\\ \t\\\"a-=x\u00e9\u3000";
  if (m.chance(60)) return awkward[m.below(awkward.size())];
  return static_cast<char16_t>(1 + m.below(0xFFFF));  // lone surrogates included
}

TEST(CommandLineFuzz, QuotedArgumentsSplitBackExactly) {
  Mutator m(0xc1, {});
  for (int i = 0; i < 20000; ++i) {
    std::vector<std::u16string> args(m.below(6));
    for (std::u16string& a : args) {
      a.resize(m.below(12));
      for (char16_t& c : a) c = random_unit(m);
    }
    std::u16string line = u"\"C:\\Program Files\\Zelvarons\\zelvarons.exe\"";
    for (const std::u16string& a : args) line += (m.chance(50) ? u" " : u" \t ") + quote_argument(a);
    const std::vector<std::string> split = split_command_line(line);
    ASSERT_EQ(split.size(), args.size() + 1) << printable(utf16_to_utf8(line));
    EXPECT_EQ(split[0], "C:\\Program Files\\Zelvarons\\zelvarons.exe");
    for (std::size_t k = 0; k < args.size(); ++k) {
      EXPECT_EQ(split[k + 1], utf16_to_utf8(args[k])) << "argument " << k << " of " << printable(utf16_to_utf8(line));
    }
  }
}

TEST(CommandLineFuzz, AnyLineSplitsIntoBoundedValidText) {
  Mutator m(0xc2, {});
  for (int i = 0; i < 20000; ++i) {
    std::u16string line(m.below(200), u' ');
    for (char16_t& c : line) c = random_unit(m);
    const std::vector<std::string> split = split_command_line(line);
    std::size_t bytes = 0;
    for (const std::string& a : split) {
      EXPECT_TRUE(is_valid_utf8(a));
      bytes += a.size();
    }
    // Each UTF-16 unit is at most three UTF-8 bytes; quotes and escapes only remove units.
    EXPECT_LE(bytes, 3 * line.size());
    EXPECT_LE(split.size(), line.size() / 2 + 1);
    EXPECT_EQ(split.empty(), line.empty());
  }
}

const std::vector<std::string> OPTION_NAMES = {
    "--feed", "--team-id", "--item", "--mode",  "--edge",  "--orb",   "--orb-image",    "--skin",
    "--country", "--lang", "--left", "--bar-image", "--fit", "--orb-zoom", "--play", "--after-update",
    "--check-update", "--self-test", "--expanded", "--render", "--scale", "--size", "--Feed", "-feed",
};

TEST(CommandLineFuzz, AnyArgumentsGiveOptionsInTheirDocumentedForms) {
  Mutator m(0xc3, {"x", "+", "-", ".", "e", "E", "0", "9", "\xC3\x89", "nan", "inf", "1e39", "2147483648"}, 64);
  const std::vector<std::string> values = {"https://e.org/feed", "Right", "ISLAND", "800x200", "-1x+2", "3.5e-2",
                                           "18446744073709551615", "+7", "", "tiny", "--feed"};
  for (int i = 0; i < 20000; ++i) {
    std::vector<std::string> args(m.below(10));
    for (std::string& a : args) a = m.chance(50) ? m.pick(OPTION_NAMES) : m.mutate(m.pick(values));
    const CommandLineOptions o = parse_arguments(args);
    std::string context;
    for (const std::string& a : args) context += " [" + printable(a) + "]";
    for (const auto* text : {&o.mode, &o.edge}) {
      if (*text) {
        EXPECT_EQ(**text, ascii_lower(**text)) << context;
      }
    }
    if (o.orb_zoom) {
      EXPECT_TRUE(std::isfinite(*o.orb_zoom)) << context;
    }
    if (o.scale) {
      EXPECT_TRUE(std::isfinite(*o.scale)) << context;
    }
    // Whatever the options, a placement comes out.
    const Placement p = placement_from_options(o, m.chance(50) ? std::optional<std::string_view>("island")
                                                               : std::nullopt);
    EXPECT_FALSE(placement_name(p).empty()) << context;
  }
}

TEST(CommandLineFuzz, AcceptedNumbersReadBackAsTheSameNumbers) {
  Mutator m(0xc4, {"+", "-", ".", "e", "E", "x", "0", "9", "00000000000", " ", std::string(1, '\0')}, 64);
  const std::vector<std::string> seeds = {"800x200", "-2147483648x2147483647", "1.5e3", "18446744073709551615",
                                          "+0", "3.4028235e38", ".5"};
  for (int i = 0; i < 20000; ++i) {
    const std::string text = m.mutate(m.pick(seeds));
    if (const auto n = parse_option_u64(text)) {
      std::uint64_t expected = 0;
      const std::string_view digits = std::string_view(text).substr(text.starts_with('+') ? 1 : 0);
      const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), expected);
      EXPECT_TRUE(ec == std::errc() && end == digits.data() + digits.size() && *n == expected) << printable(text);
    }
    if (const auto f = parse_option_float(text)) {
      EXPECT_TRUE(std::isfinite(*f)) << printable(text);
      char buffer[64];
      const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, *f);
      EXPECT_EQ(parse_option_float(std::string_view(buffer, end - buffer)), f) << printable(text);
    }
    if (const auto size = parse_option_size(text)) {
      EXPECT_EQ(parse_option_size(std::to_string(size->first) + "x" + std::to_string(size->second)), size)
          << printable(text);
      EXPECT_EQ(text.find_first_not_of("+-0123456789x"), std::string::npos) << printable(text);
    }
  }
}

// --- settings files ------------------------------------------------------------------------------------

const std::string SETTINGS_SEED = R"({
  "feeds": [
    {"url": "https://example.org/feed", "title": "Example"},
    ["https://second.example/rss", ""],
    {"url": "http://plain.example/feed", "title": "dropped"}
  ],
  "active": 1,
  "rotate": false,
  "liveFirst": true,
  "quiet": [1320, 480],
  "hidePresenting": false,
  "feedUrl": "https://older.example/feed",
  "skin": 7,
  "orb": "xl",
  "mode": "island",
  "orbImage": "C:\\pictures\\orb.gif",
  "reserve": true,
  "title": "Older",
  "monitor": 2,
  "teamColors": false,
  "country": "DE",
  "lang": "de",
  "orbZoom": 1.25,
  "autoGrow": true,
  "clips": false,
  "fit": {"mode": {"fill": null}, "zoom": 400, "x": 150, "y": 10},
  "left": {"picture": "C:\\pictures\\left.png"},
  "barImage": null,
  "channels": [["https://tv.example/live.m3u8", "TV"], {"url": "https://radio.example/a.mp3"}]
})";

const std::string ARRAY_SEED =
    R"([[], 0, true, true, null, true, null, 0, "Regular", "signal-bar-bottom", null, true, null, 0, true, "ZZ", "en", 1.0, true, true, ["smart", 100, 50, 33], {"theme": 12}, null, []])";

// Every value an applied file can leave in the state.
void expect_sound_state(const AppState& s, const std::string& context) {
  ASSERT_FALSE(s.feeds.empty()) << context;
  EXPECT_LE(s.feeds.size(), MAX_FEEDS) << context;
  EXPECT_LT(s.active, s.feeds.size()) << context;
  for (const FeedSlot& slot : s.feeds) {
    EXPECT_TRUE(slot.url.starts_with("https://")) << context;
    EXPECT_TRUE(is_valid_utf8(slot.url) && is_valid_utf8(slot.title)) << context;
  }
  EXPECT_LE(s.channels.size(), 8u) << context;
  for (const Channel& c : s.channels) {
    EXPECT_TRUE(c.url.starts_with("https://")) << context;
    EXPECT_TRUE(is_valid_utf8(c.url) && is_valid_utf8(c.title)) << context;
  }
  EXPECT_LT(s.skin, 5u) << context;
  if (s.quiet) {
    EXPECT_TRUE(s.quiet->start < 1440 && s.quiet->end < 1440 && s.quiet->start != s.quiet->end) << context;
  }
  ASSERT_TRUE(s.fit) << context;
  EXPECT_TRUE(s.fit->zoom >= 50 && s.fit->zoom <= 300 && s.fit->x <= 100 && s.fit->y <= 100) << context;
  if (s.left.kind == LeftStyle::Kind::Theme) {
    EXPECT_LT(s.left.theme, 5u) << context;
  }
  EXPECT_TRUE(std::isfinite(s.orb_zoom) && s.orb_zoom > 0) << context;
  EXPECT_EQ(s.shown_zoom, s.orb_zoom) << context;
}

TEST(SettingsFuzz, AMutatedFileIsReadWholeOrNotAtAll) {
  std::vector<std::string> tokens = JSON_TOKENS;
  for (const char* t : {"\"theme\"", "\"picture\"", "\"same\"", "\"team\"", "\"smart\"", "\"fill\"", "\"whole\"",
                        "\"https://", "\"http://", "65536", "1440", "255", "256", "\"orbZoom\": 1e39,"}) {
    tokens.push_back(t);
  }
  Mutator m(0x2104, tokens, 1 << 14);
  const std::optional<std::string> appdata = std::string("C:\\Users\\me\\AppData\\Roaming");
  int parsed = 0;
  for (int i = 0; i < 6000; ++i) {
    const std::string text = m.mutate(m.chance(80) ? SETTINGS_SEED : ARRAY_SEED);
    const std::string context = "case " + std::to_string(i) + "\nfile: " + printable(text, 4000);
    test::MemoryFiles files;
    files.files[*settings_path_in(appdata)] = text;
    files.files["C:\\pictures\\orb.gif"] = "GIF89a";
    files.files["C:\\pictures\\left.png"] = "png";

    // All or nothing: the reader gives the parsed record or the all-absent one.
    const Settings read = read_settings(files, appdata);
    const JsonResult<Settings> direct = parse_settings(text);
    if (direct && is_valid_utf8(text)) {
      ++parsed;
      EXPECT_EQ(read, *direct) << context;
    } else {
      EXPECT_EQ(read, Settings{}) << context;
    }

    AppState s = initial_app_state(DEFAULT_FEED_URL);
    apply_settings(s, read, files);
    expect_sound_state(s, context);

    // What is saved reads back into the same state, so a second save writes the same bytes.
    const std::string saved = settings_text(s);
    const JsonResult<Settings> again = parse_settings(saved);
    ASSERT_TRUE(again) << context << "\nsaved: " << saved << "\n" << again.error();
    AppState t = initial_app_state(DEFAULT_FEED_URL);
    apply_settings(t, *again, files);
    EXPECT_EQ(settings_text(t), saved) << context;
  }
  EXPECT_GT(parsed, 200);
}

TEST(SettingsFuzz, EveryCutOfAFileIsReadWholeOrNotAtAll) {
  for (std::size_t n = 0; n < SETTINGS_SEED.size(); ++n) {
    const JsonResult<Settings> parsed = parse_settings(std::string_view(SETTINGS_SEED).substr(0, n));
    // Only the whole object is valid JSON; every shorter cut is refused.
    EXPECT_FALSE(parsed) << "cut at " << n;
  }
  EXPECT_TRUE(parse_settings(SETTINGS_SEED)) << parse_settings(SETTINGS_SEED).error();
}

TEST(SettingsFuzz, DeepNestingAndHugeValuesAreRefusedOrBounded) {
  std::string deep = "{\"feeds\":";
  for (int i = 0; i < 100'000; ++i) deep += '[';
  EXPECT_FALSE(parse_settings(deep));
  std::string deep_objects;
  for (int i = 0; i < 50'000; ++i) deep_objects += "{\"x\":";
  EXPECT_FALSE(parse_settings(deep_objects));

  // A title of a megabyte and a hundred thousand feeds are read, and cut to eight slots.
  std::string many = "{\"feeds\":[";
  for (int i = 0; i < 100'000; ++i) many += std::string(i ? "," : "") + "[\"https://e.org/" + std::to_string(i) + "\",\"\"]";
  many += "],\"country\":\"" + std::string(1 << 20, 'x') + "\"}";
  const JsonResult<Settings> parsed = parse_settings(many);
  ASSERT_TRUE(parsed) << parsed.error();
  test::MemoryFiles files;
  AppState s = initial_app_state(DEFAULT_FEED_URL);
  apply_settings(s, *parsed, files);
  expect_sound_state(s, "many feeds");
  EXPECT_EQ(s.feeds.size(), MAX_FEEDS);
}

// --- the add-feed worker ---------------------------------------------------------------------------------

const std::string RSS_SEED =
    "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Found &amp; kept</title>"
    "<item><title>One</title><link>https://example.org/1</link><pubDate>Sun, 01 Mar 2026 18:30:00 GMT</pubDate>"
    "</item></channel></rss>";
const std::string HTML_SEED =
    "<html><head><title>A blog</title>\n"
    "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"/feed.xml\">\n"
    "<link rel=alternate type=application/feed+json href=//cdn.example.org/f.json>\n"
    "<link rel=\"alternate\" type=\"application/atom+xml\" title=\"Comments\" href=\"c.xml\">\n"
    "<link rel=\"alternate\" type=\"application/atom+xml\" href=\"https://example.org/4.xml\">\n"
    "</head><body>Hi</body></html>";

struct CountingPoster final : WindowPoster {
  int posted = 0;
  void post(std::uint32_t) override { ++posted; }
};

TEST(AddFeedFuzz, CopiedTextsAndPagesEndInOneFollowedHttpsFeedOrTheBox) {
  std::vector<std::string> tokens = {"<link", "rel=alternate ", "type=application/rss+xml ", "href=", ">", "://",
                                     "http://", " ", ".", "<item>", "</item>", "<title>", "&", "{", "\"items\":"};
  Mutator m(0x1108, tokens, 1 << 14);
  const std::vector<std::string> texts = {"http://blog.example/", "blog.example", "https://blog.example/feed",
                                          "ftp://blog.example", "word"};
  for (int i = 0; i < 5000; ++i) {
    const std::string copied = m.mutate(m.pick(texts));
    const std::string page = m.mutate(m.chance(30) ? RSS_SEED : HTML_SEED);
    std::vector<std::string> loaded;
    int boxes = 0;
    auto poster = std::make_shared<CountingPoster>();
    Guarded<AppState> state(test::state_with({"https://first.example/feed"}));

    AddFeedWork work;
    work.fetch = [&](std::string_view address) -> Result<FetchedPage, std::string> {
      if (!address.starts_with("https://")) return err(std::string("only https:// feeds are supported"));
      return FetchedPage{page, std::string(address)};
    };
    work.load = [&](std::string_view address) -> Result<QxFeedV1, std::string> {
      loaded.emplace_back(address);
      if (m.chance(50)) return err(std::string("http error: not found"));
      return test::feed("Loaded", {"a"});
    };
    work.state = &state;
    work.now = [] { return test::T0; };
    work.save = [](const AppState&) {};
    work.poster = poster;
    work.show_failure = [&] { ++boxes; };
    add_feed_from_clipboard(copied, work);

    const std::string context = "case " + std::to_string(i) + "\ncopied: " + printable(copied) + "\npage: " + printable(page);
    EXPECT_LE(loaded.size(), MAX_FEED_LINK_ATTEMPTS) << context;
    for (const std::string& a : loaded) EXPECT_TRUE(validate_https_url(a)) << context << "\nloaded: " << printable(a);
    EXPECT_EQ(boxes + poster->posted, 1) << context;  // the box, or the window told; never both
    const AppState s = *view_snapshot(state);
    EXPECT_LE(s.feeds.size(), 2u) << context;
    EXPECT_LT(s.active, s.feeds.size()) << context;
    for (const FeedSlot& slot : s.feeds) EXPECT_TRUE(slot.url.starts_with("https://")) << context;
    if (boxes) {
      EXPECT_EQ(s.feeds.size(), 1u) << context;
    }
  }
}

}  // namespace
}  // namespace qx

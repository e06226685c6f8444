#include "app/check_update.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/check_update_crypto.h"
#include "fake_http.h"
#include "unicode_text.h"
#include "update_signer.h"

namespace qx {
namespace {

using zvtest::FakeHttp;
using zvtest::hex_of;
using zvtest::notice_json;
using zvtest::test_signature_hex;

const std::string BASE = "http://127.0.0.1:9/u";
const std::string HASH = std::string(64, 'a');

// A service answering the notice and, unless given, its signature by the test key.
struct Service {
  FakeHttp http;
  UpdateSource source{&http, BASE, zvtest::test_update_public_key(), "0.4.0"};

  void publish(const std::string& notice) { publish(notice, test_signature_hex(notice)); }
  void publish(const std::string& notice, const std::string& signature) {
    http.serve(BASE + "/windows.json", notice);
    http.serve(BASE + "/windows.json.sig", signature);
  }
  UpdateCheck check() { return check_for_update(source); }
  std::string error_for(const std::string& notice) {
    publish(notice);
    UpdateCheck c = check();
    return c.kind == UpdateCheck::Kind::Failed ? c.error : "(no error)";
  }
};

// The same signature with L, the group order, added to its S: libgcrypt alone would accept it.
std::string with_s_plus_order(std::string signature) {
  static constexpr unsigned char L[32] = {0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
                                          0xa2, 0xde, 0xf9, 0xde, 0x14, 0,    0,    0,    0,    0,    0,
                                          0,    0,    0,    0,    0,    0,    0,    0,    0,    0x10};
  unsigned carry = 0;
  for (int i = 0; i < 32; ++i) {
    const unsigned sum = static_cast<unsigned char>(signature[32 + i]) + L[i] + carry;
    signature[32 + i] = static_cast<char>(sum & 0xFF);
    carry = sum >> 8;
  }
  return signature;
}

std::string notice(std::string_view version = "0.5.0") { return notice_json(version, "zv-0.5.0.exe", 1000, HASH); }

// --- cryptography -----------------------------------------------------------------------------

TEST(UpdateCrypto, Rfc8032VectorsVerifyAndAChangedBitDoesNot) {
  struct Case {
    const char* key;
    const char* message;
    const char* signature;
  } cases[] = {
      {"d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
       "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24"
       "655141438e7a100b"},
      {"3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
       "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302a"
       "eeb00d291612bb0c00"},
  };
  for (const Case& c : cases) {
    const std::string key = *decode_hex(c.key), message = *decode_hex(c.message), sig = *decode_hex(c.signature);
    EXPECT_TRUE(ed25519_verify(key, sig, message)) << c.key;
    std::string flipped = sig;
    flipped[10] ^= 1;
    EXPECT_FALSE(ed25519_verify(key, flipped, message)) << c.key;
    EXPECT_FALSE(ed25519_verify(key, sig, message + "x")) << c.key;
    EXPECT_FALSE(ed25519_verify(key.substr(1), sig, message)) << c.key;
    EXPECT_FALSE(ed25519_verify(key, sig.substr(1), message)) << c.key;
    EXPECT_FALSE(ed25519_verify(key, with_s_plus_order(sig), message)) << c.key;
  }
}

TEST(UpdateCrypto, Sha256AndHex) {
  EXPECT_EQ(sha256_hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha256_hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(decode_hex("00fFa0"), std::string("\x00\xff\xa0", 3));
  for (const char* bad : {"0", "0g", " 00", "00 ", "0x00"}) EXPECT_FALSE(decode_hex(bad)) << bad;
}

// --- base address and transport ----------------------------------------------------------------

TEST(UpdateBase, OnlyALoopbackHttpValueIsHonoured) {
  const std::string built_in(UPDATE_BUILT_IN_BASE);
  EXPECT_TRUE(built_in.starts_with("https://") && built_in.ends_with("/update"));
  struct Case {
    std::optional<std::u16string> variable;
    std::string want;
  } cases[] = {
      {std::nullopt, built_in},
      {u"http://127.0.0.1:8080", "http://127.0.0.1:8080"},
      {u"http://127.0.0.1:8080/some/path", "http://127.0.0.1:8080/some/path"},
      {u"https://127.0.0.1:8080", built_in},
      {u"https://evil.example/update", built_in},
      {u"http://127.0.0.1/x", built_in},
      {u"HTTP://127.0.0.1:1", built_in},
      {u"http://localhost:1", built_in},
      {u" http://127.0.0.1:1", built_in},
      {u"", built_in},
      {std::u16string(u"http://127.0.0.1:1/") + char16_t(0xD800), built_in},  // not valid Unicode
  };
  for (const Case& c : cases) EXPECT_EQ(update_base_url(c.variable), c.want);
}

TEST(UpdateTransport, EachFailureHasItsText) {
  FakeHttp http;
  const std::string url = "http://127.0.0.1:9/x";
  auto get = [&](std::size_t limit) { return http_get_limited(http, url, limit, std::chrono::seconds(12)); };

  EXPECT_EQ(get(10).error(), "could not download: " + url + ": no answer");

  HttpResponse answer;
  answer.status = 404;
  answer.body = "gone";
  http.answers[url] = answer;
  EXPECT_EQ(get(10).error(), "the site answered 404");

  answer.status = 200;
  answer.error = HttpErrorKind::Read;
  answer.error_text = "the connection was closed";
  http.answers[url] = answer;
  EXPECT_EQ(get(10).error(), "the connection was closed");

  http.serve(url, "12345");
  EXPECT_EQ(get(5).value(), "12345");
  EXPECT_EQ(get(4).error(), "larger than expected");

  for (const HttpRequest& r : http.requests) {
    EXPECT_FALSE(r.user_agent) << "the client's own agent";
    EXPECT_EQ(r.timeout, std::chrono::seconds(12));
  }
  EXPECT_EQ(http.requests.back().byte_limit, 4u);
}

// --- versions ---------------------------------------------------------------------------------

TEST(UpdateVersion, ThreePartsOfOneToFiveDigits) {
  using V = std::array<std::uint32_t, 3>;
  EXPECT_EQ(parse_version("0.4.0"), (V{0, 4, 0}));
  EXPECT_EQ(parse_version("00001.0.99999"), (V{1, 0, 99999}));
  for (const char* bad : {"", "1", "1.0", "1.0.0.0", "1..0", ".1.0", "1.0.", "100000.0.0", "+1.0.0", "-1.0.0",
                          " 1.0.0", "1.0.0 ", "1.0.a", "1,0,0", "\xD9\xA1.0.0"}) {
    EXPECT_FALSE(parse_version(bad)) << bad;
  }
}

TEST(UpdateVersion, NumbersAreComparedPartByPart) {
  struct Case {
    const char* offered;
    bool newer;
  } cases[] = {{"0.4.1", true},  {"0.10.0", true},  {"1.0.0", true},   {"00001.0.0", true},
               {"0.4.0", false}, {"0.3.99", false}, {"0.04.0", false}, {"0.0.9", false}};
  for (const Case& c : cases) {
    Service s;
    s.publish(notice(c.offered));
    const UpdateCheck check = s.check();
    EXPECT_EQ(check.kind, c.newer ? UpdateCheck::Kind::Available : UpdateCheck::Kind::UpToDate) << c.offered;
    if (c.newer) {
      EXPECT_EQ(check.manifest.version, c.offered);
    }
  }
}

// --- the check, step by step -------------------------------------------------------------------

TEST(UpdateCheckSteps, TheNoticeAndItsSignatureAreFetchedWithTheirLimits) {
  Service s;
  s.publish(notice());
  const UpdateCheck check = s.check();
  ASSERT_EQ(check.kind, UpdateCheck::Kind::Available);
  EXPECT_EQ(check.manifest, (Manifest{"zelvaron-update/1", "zelvaron-windows-x64", "0.5.0", "zv-0.5.0.exe", 1000, HASH}));
  ASSERT_EQ(s.http.requests.size(), 2u);
  EXPECT_EQ(s.http.requests[0].url, BASE + "/windows.json");
  EXPECT_EQ(s.http.requests[0].byte_limit, 4096u);
  EXPECT_EQ(s.http.requests[1].url, BASE + "/windows.json.sig");
  EXPECT_EQ(s.http.requests[1].byte_limit, 256u);
}

TEST(UpdateCheckSteps, FetchFailuresAreReturnedUnchanged) {
  Service s;
  EXPECT_EQ(s.check().error, "could not download: " + BASE + "/windows.json: no answer");
  s.http.serve(BASE + "/windows.json", notice());
  EXPECT_EQ(s.check().error, "could not download: " + BASE + "/windows.json.sig: no answer");
  s.http.serve(BASE + "/windows.json.sig", std::string(257, '0'));
  EXPECT_EQ(s.check().error, "larger than expected");
}

TEST(UpdateCheckSteps, TheNoticeMayBe4096BytesAndNoMore) {
  for (std::size_t size : {4096u, 4097u}) {
    std::string text = notice();
    text.insert(1, size - text.size(), ' ');
    ASSERT_EQ(text.size(), size);
    Service s;
    s.publish(text);
    const UpdateCheck check = s.check();
    if (size == 4096) {
      EXPECT_EQ(check.kind, UpdateCheck::Kind::Available) << check.error;
    } else {
      EXPECT_EQ(check.error, "larger than expected");
    }
  }
}

TEST(UpdateCheckSteps, OnlyTheServicesSignatureOverTheExactBytesIsTrusted) {
  const std::string text = notice();
  const std::string good = test_signature_hex(text);
  std::string upper = good;
  for (char& c : upper) c = ascii_upper(c);
  struct Case {
    std::string signature;
    bool trusted;
  } cases[] = {
      {good, true},
      {good + "\n", true},
      {"\r\n \t" + good + " \r\n", true},
      {"\xC2\xA0" + good + "\xE2\x80\x83", true},  // Unicode blanks around it
      {upper, true},
      {good.substr(0, 126), false},
      {good + "00", false},
      {good.substr(0, 64) + " " + good.substr(64), false},
      {"zz" + good.substr(2), false},
      {good.substr(0, 127), false},
      {"\xFF" + good, false},
      {"", false},
      {test_signature_hex(text + " "), false},  // signed over other bytes
      {test_signature_hex(" " + text), false},
      {hex_of(with_s_plus_order(*decode_hex(good))), false},
  };
  for (const Case& c : cases) {
    Service s;
    s.publish(text, c.signature);
    const UpdateCheck check = s.check();
    if (c.trusted) {
      EXPECT_EQ(check.kind, UpdateCheck::Kind::Available) << c.signature;
    } else {
      EXPECT_EQ(check.error, "the update is not signed by us") << c.signature;
    }
  }
}

TEST(UpdateCheckSteps, AnotherKeyOrABrokenKeyTrustsNothing) {
  const std::string other_key = "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a";
  for (std::string key : {other_key, std::string("not hex"), std::string(64, 'f'), other_key.substr(2)}) {
    Service s;
    s.source.public_key_hex = key;
    EXPECT_EQ(s.error_for(notice()), "the update is not signed by us") << key;
  }
}

TEST(UpdateCheckSteps, TheSignatureIsCheckedBeforeTheNoticeIsRead) {
  Service s;
  s.publish("not json", test_signature_hex(notice()));
  EXPECT_EQ(s.check().error, "the update is not signed by us");
}

TEST(UpdateCheckSteps, OnlyAStrictSixKeyRecordCanBeRead) {
  const std::string h = HASH;
  struct Case {
    std::string text;
    bool readable;
  } cases[] = {
      {R"({"sha256":")" + h + R"(","size":1,"file":"a.exe","version":"9.0.0","app":"zelvaron-windows-x64","schema":"zelvaron-update/1"})",
       true},
      {R"(["zelvaron-update/1","zelvaron-windows-x64","9.0.0","a.exe",1,")" + h + R"("])", true},
      {R"(["zelvaron-update/1","zelvaron-windows-x64","9.0.0","a.exe",1])", false},
      {R"(["zelvaron-update/1","zelvaron-windows-x64","9.0.0","a.exe",1,")" + h + R"(",1])", false},
      {notice_json("9.0.0", "a.exe", 1, h).insert(1, R"("extra":1,)"), false},
      {notice_json("9.0.0", "a.exe", 1, h).insert(1, R"("version":"9.0.0",)"), false},
      {R"({"schema":"zelvaron-update/1","app":"zelvaron-windows-x64","version":"9.0.0","file":"a.exe","size":1})", false},
      {notice_json("9.0.0", "a.exe", 1, h).insert(1, R"("schema":"zelvaron-update/1",)"), false},
      {R"({"schema":"zelvaron-update/1","app":"zelvaron-windows-x64","version":"9.0.0","file":"a.exe","size":-1,"sha256":")" + h + R"("})", false},
      {R"({"schema":"zelvaron-update/1","app":"zelvaron-windows-x64","version":"9.0.0","file":"a.exe","size":1.5,"sha256":")" + h + R"("})", false},
      {R"({"schema":"zelvaron-update/1","app":"zelvaron-windows-x64","version":9,"file":"a.exe","size":1,"sha256":")" + h + R"("})", false},
      {notice_json("9.0.0", "a.exe", 1, h) + " x", false},
      {"", false},
      {"null", false},
  };
  for (const Case& c : cases) {
    Service s;
    s.publish(c.text);
    const UpdateCheck check = s.check();
    if (c.readable) {
      EXPECT_EQ(check.kind, UpdateCheck::Kind::Available) << c.text << " " << check.error;
    } else {
      EXPECT_EQ(check.error, "the update notice cannot be read") << c.text;
    }
  }
}

TEST(UpdateCheckSteps, EachRuleHasItsText) {
  const std::string h = HASH;
  const std::string other = "the update is for something else", malformed = "the update notice is malformed",
                    no_version = "the update has no proper version";
  struct Case {
    std::string text;
    std::string want;
  } cases[] = {
      {notice_json("9.0.0", "a.exe", 1, h, "zelvaron-update/2"), other},
      {notice_json("9.0.0", "a.exe", 1, h, "zelvaron-update/1", "zelvaron-windows-arm64"), other},
      {notice_json("bad", "a.exe", 1, h, "x"), other},  // before the other rules
      {notice_json("9.0.0", "a.exe", 0, h), malformed},
      {notice_json("9.0.0", "a.exe", 33'554'433, h), malformed},
      {notice_json("9.0.0", "dir/a.exe", 1, h), malformed},
      {notice_json("9.0.0", "dir\\\\a.exe", 1, h), malformed},
      {notice_json("9.0.0", "..exe", 1, h), malformed},
      {notice_json("9.0.0", "a..b.exe", 1, h), malformed},
      {notice_json("9.0.0", "A.EXE", 1, h), malformed},
      {notice_json("9.0.0", "a.exe.zip", 1, h), malformed},
      {notice_json("9.0.0", "a b.exe", 1, h), malformed},
      {notice_json("9.0.0", "a_b.exe", 1, h), malformed},
      {notice_json("9.0.0", "C:a.exe", 1, h), malformed},
      {notice_json("9.0.0", std::string(61, 'a') + ".exe", 1, h), malformed},  // 65 bytes
      {notice_json("9.0.0", "a.exe", 1, h.substr(1)), malformed},
      {notice_json("9.0.0", "a.exe", 1, h + "a"), malformed},
      {notice_json("9.0.0", "a.exe", 1, "g" + h.substr(1)), malformed},
      {notice_json("bad", "a.exe", 0, h), malformed},  // before the version
      {notice_json("1.0", "a.exe", 1, h), no_version},
      {notice_json("1.0.0.0", "a.exe", 1, h), no_version},
      {notice_json("100000.0.0", "a.exe", 1, h), no_version},
  };
  for (const Case& c : cases) {
    Service s;
    EXPECT_EQ(s.error_for(c.text), c.want) << c.text;
  }
}

TEST(UpdateCheckSteps, TheLimitsOfTheRulesAreAccepted) {
  for (const std::string& text :
       {notice_json("9.0.0", std::string(60, 'a') + ".exe", 33'554'432, HASH),
        notice_json("9.0.0", "Zv-1.2.3.exe", 1, "ABCDEF" + HASH.substr(6)), notice_json("9.0.0", ".exe", 1, HASH)}) {
    Service s;
    s.publish(text);
    EXPECT_EQ(s.check().kind, UpdateCheck::Kind::Available) << text;
  }
}

TEST(UpdateCheckSteps, ABadRunningVersionIsNoProperVersion) {
  Service s;
  s.source.running_version = "0.4";
  EXPECT_EQ(s.error_for(notice()), "the update has no proper version");
}

// --- console line and the loop ----------------------------------------------------------------

TEST(CheckUpdateLine, OneCompactLineWithSortedKeys) {
  Manifest m{"zelvaron-update/1", "zelvaron-windows-x64", "0.5.0", "a.exe", 1, HASH};
  EXPECT_EQ(check_update_line(UpdateCheck::available(m), "0.4.0"), "{\"available\":\"0.5.0\",\"running\":\"0.4.0\"}\n");
  EXPECT_EQ(check_update_line(UpdateCheck::up_to_date(), "0.4.0"), "{\"available\":null,\"running\":\"0.4.0\"}\n");
  EXPECT_EQ(check_update_line(UpdateCheck::failed("the site answered 404"), "0.4.0"),
            "{\"error\":\"the site answered 404\",\"running\":\"0.4.0\"}\n");
  EXPECT_EQ(check_update_line(UpdateCheck::failed("a \"b\"\n\xC3\xA9"), "0.4.0"),
            "{\"error\":\"a \\\"b\\\"\\n\xC3\xA9\",\"running\":\"0.4.0\"}\n");
  EXPECT_EQ(check_update_exit_code(UpdateCheck::available(m)), 0);
  EXPECT_EQ(check_update_exit_code(UpdateCheck::up_to_date()), 0);
  EXPECT_EQ(check_update_exit_code(UpdateCheck::failed("x")), 1);
}

struct CountingPoster final : WindowPoster {
  std::vector<std::uint32_t> posted;
  void post(std::uint32_t message) override { posted.push_back(message); }
};

TEST(UpdateCheckLoop, AnOfferIsStoredAndAnnounced) {
  Manifest m{"zelvaron-update/1", "zelvaron-windows-x64", "0.5.0", "a.exe", 1, HASH};
  Guarded<AppState> state(AppState{});
  CountingPoster poster;
  offer_update(UpdateCheck::up_to_date(), state, poster);
  offer_update(UpdateCheck::failed("x"), state, poster);
  EXPECT_TRUE(poster.posted.empty());
  EXPECT_FALSE(state.with([](AppState& s) { return s.available_update; }).value());

  offer_update(UpdateCheck::available(m), state, poster);
  EXPECT_EQ(poster.posted, std::vector<std::uint32_t>{WM_APP_DATA});
  EXPECT_EQ(state.with([](AppState& s) { return s.available_update; }).value(), "0.5.0");
}

TEST(UpdateCheckLoop, TheWindowHearsOfAnOfferEvenWithoutAState) {
  Manifest m{"zelvaron-update/1", "zelvaron-windows-x64", "0.5.0", "a.exe", 1, HASH};
  Guarded<AppState> unset;
  Guarded<AppState> poisoned(AppState{});
  poisoned.with([](AppState&) { throw 1; });
  for (Guarded<AppState>* state : {&unset, &poisoned}) {
    CountingPoster poster;
    offer_update(UpdateCheck::available(m), *state, poster);
    EXPECT_EQ(poster.posted, std::vector<std::uint32_t>{WM_APP_DATA});
  }
}

TEST(UpdateCheckLoop, ChecksAtOnceThenEveryTwelveHours) {
  Guarded<AppState> state(AppState{});
  CountingPoster poster;
  int checks = 0;
  std::vector<std::chrono::seconds> sleeps;
  struct Stop {};
  auto check = [&] {
    ++checks;
    return UpdateCheck::up_to_date();
  };
  auto sleep = [&](std::chrono::seconds s) {
    EXPECT_EQ(checks, static_cast<int>(sleeps.size()) + 1) << "the check comes first";
    sleeps.push_back(s);
    if (sleeps.size() == 3) throw Stop{};
  };
  EXPECT_THROW(update_check_loop(check, state, poster, sleep), Stop);
  EXPECT_EQ(sleeps, std::vector<std::chrono::seconds>(3, std::chrono::seconds(43'200)));
}

}  // namespace
}  // namespace qx

#include "world/translations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/embedded_resource.h"
#include "repo_file.h"
#include "unicode_text.h"

namespace qx {
namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const std::vector<std::string> LANGUAGES{"hi", "te", "es", "pt", "fr", "de", "ar", "ja"};

const std::vector<std::string> ENGLISH_TEXTS{
    "Open", "Refresh now", "Update to {v} and restart", "Take turns", "Live games first", "Stop following",
    "Following {n} of 8", "All games: {name}", "Loading teams\u2026", "Discover other leagues", "Follow a team",
    "Follow a feed", "Follow the link I copied", "Play the stream I copied", "Play a film on this computer\u2026",
    "Play", "Pause", "Sound", "Stop", "Play clips silently as they come up", "TV and video",
    "Try feeds on the web", "Bottom bar", "Top bar", "Floating island", "Left dock", "Right dock", "Screen {n}",
    "Keep windows clear of the bar", "Place", "Use my team's colour", "Same as the rest", "Team colour",
    "My picture\u2026", "Left side (brand)", "Right side (content)", "Plain", "Grow for scores and video",
    "Or turn the wheel over the orb", "Orb size", "Use my own picture, GIF or film\u2026", "How it fits",
    "Best fit", "Fill the orb", "Show all of it", "Upper middle", "Centre", "Top", "Bottom", "Left", "Right",
    "Remove my picture", "Look", "Other languages", "Country and language", "Show it again now",
    "Hide for an hour", "No quiet hours", "10 PM to 8 AM", "6 PM to 9 AM", "9 AM to 5 PM",
    "Hide while I present or play", "Quiet", "Start with Windows", "Hide (stays in the tray)", "Show",
    "Quit Zelvarons", "Beta {v}, not signed by Microsoft", "Choose a team", "No link", "Listen", "Watch",
    "Game details", "Open story", "More", "Choose your team to begin. This is the latest game until you do.",
    "Connecting\u2026", "Offline", "just now", "{n} min ago", "{n} h ago", "Updated {when}", "Football", "Cricket",
    "American football", "Basketball", "Baseball", "Ice hockey", "Rugby", "Australian football", "Motorsport",
    "Tennis", "All sport", "News", "Cinema", "Music", "Space and culture", "Technology", "Country", "Language",
    "League", "Team", "Near you", "Discover", "All games", "Follow", "Paste a feed address", "Make it yours",
    "Feeds for you", "Theme", "On now", "Show less", "Show more", "Previous", "Next", "Search feeds"};

std::multiset<std::string> placeholders(const std::string& text) {
  static const std::regex braces(R"(\{[^{}]*\}?)");
  std::multiset<std::string> out;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), braces); it != std::sregex_iterator(); ++it) {
    out.insert(it->str());
  }
  return out;
}

bool has_char_in(const std::string& text, char32_t lo, char32_t hi) {
  for (std::size_t i = 0; i < text.size();) {
    const Utf8Step s = utf8_decode(text, i);
    if (s.cp >= lo && s.cp <= hi) return true;
    i += s.len;
  }
  return false;
}

TEST(TranslationDocument, BuiltInTableIsTheCurrentDocument) {
  const std::string file = zv_test::read_repo_file("qx-desktop/res/translations.json");
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(embedded_document(EmbeddedDocument::Translations), file);
}

TEST(TranslationDocument, HoldsTheEightLanguagesWithEveryTextInOrder) {
  const std::string_view text = embedded_document(EmbeddedDocument::Translations);
  const nlohmann::ordered_json doc = nlohmann::ordered_json::parse(text.begin(), text.end());
  std::vector<std::string> langs;
  for (const auto& [lang, texts] : doc.items()) {
    langs.push_back(lang);
    std::vector<std::string> keys;
    for (const auto& [english, translated] : texts.items()) keys.push_back(english);
    EXPECT_THAT(keys, ElementsAreArray(ENGLISH_TEXTS)) << lang;
  }
  EXPECT_THAT(langs, ElementsAreArray(LANGUAGES));

  const TranslationTable& table = *TRANSLATIONS;
  EXPECT_EQ(table.size(), LANGUAGES.size());
  EXPECT_EQ(table.count("en"), 0u);
  for (const std::string& lang : LANGUAGES) {
    ASSERT_EQ(table.count(lang), 1u) << lang;
    EXPECT_EQ(table.at(lang).size(), ENGLISH_TEXTS.size()) << lang;
  }
}

TEST(TranslationDocument, EveryTranslationKeepsThePlaceholdersAndPunctuation) {
  for (const std::string& lang : LANGUAGES) {
    for (const std::string& english : ENGLISH_TEXTS) {
      const std::string t = translate(lang, english);
      SCOPED_TRACE(lang + ": " + english + " -> " + t);
      EXPECT_FALSE(is_blank(t));
      EXPECT_TRUE(is_valid_utf8(t));
      EXPECT_EQ(trim_unicode_whitespace(t), t);
      EXPECT_EQ(placeholders(t), placeholders(english));
      EXPECT_EQ(t.find("..."), std::string::npos);
      const bool ellipsis = english.size() >= 3 && english.compare(english.size() - 3, 3, "\u2026") == 0;
      EXPECT_EQ(t.size() >= 3 && t.compare(t.size() - 3, 3, "\u2026") == 0, ellipsis);
    }
  }
}

TEST(TranslationDocument, ScriptsOtherThanLatinAreWrittenInTheirScript) {
  struct Script {
    std::string lang;
    char32_t lo, hi;
  };
  // Japanese spans kana and the CJK ideographs.
  for (const Script& s : {Script{"hi", 0x0900, 0x097F}, Script{"te", 0x0C00, 0x0C7F},
                          Script{"ar", 0x0600, 0x06FF}, Script{"ja", 0x3040, 0x9FFF}}) {
    for (const std::string& english : ENGLISH_TEXTS) {
      const std::string t = translate(s.lang, english);
      EXPECT_TRUE(has_char_in(t, s.lo, s.hi)) << s.lang << ": " << english << " -> " << t;
    }
  }
}

TEST(TranslationDocument, KeepsTheAgreedTranslations) {
  EXPECT_EQ(translate("fr", "Open"), "Ouvrir");
  EXPECT_EQ(translate("es", "Open"), "Abrir");
  EXPECT_EQ(translate("pt", "Open"), "Abrir");
  EXPECT_EQ(translate("de", "Open"), "\u00d6ffnen");
  EXPECT_EQ(translate("de", "Following {n} of 8"), "Folge {n} von 8");
  EXPECT_EQ(translate("fr", "Following {n} of 8"), "{n} suivis sur 8");
  EXPECT_EQ(translate("de", "{n} min ago"), "vor {n} Min.");
}

TEST(Translate, FallsBackToTheEnglishText) {
  EXPECT_EQ(translate("en", "Open"), "Open");
  EXPECT_EQ(translate("it", "Open"), "Open");
  EXPECT_EQ(translate("", "Open"), "Open");
  EXPECT_EQ(translate("FR", "Open"), "Open");
  EXPECT_EQ(translate("fr", "open"), "open");
  EXPECT_EQ(translate("fr", "Open "), "Open ");
  EXPECT_EQ(translate("fr", ""), "");
  for (const std::string& lang : LANGUAGES) {
    EXPECT_EQ(translate(lang, "  (live)"), "  (live)");
    EXPECT_EQ(translate(lang, "Graphite"), "Graphite");
    EXPECT_EQ(translate(lang, "Following 3 of 8"), "Following 3 of 8");
  }
}

TEST(Translate, PlaceholdersAreFilledAfterTheLookUp) {
  EXPECT_EQ(fill_placeholders(translate("fr", "Following {n} of 8"), {{"{n}", "3"}}), "3 suivis sur 8");
  EXPECT_EQ(fill_placeholders(translate("en", "Updated {when}"), {{"{when}", translate("en", "just now")}}),
            "Updated just now");
  EXPECT_EQ(fill_placeholders(translate("de", "Update to {v} and restart"), {{"{v}", "0.5.0"}}),
            "Auf 0.5.0 aktualisieren und neu starten");
}

TEST(FillPlaceholders, ReplacesEveryOccurrenceOnce) {
  EXPECT_EQ(fill_placeholders("{n} and {n}", {{"{n}", "7"}}), "7 and 7");
  EXPECT_EQ(fill_placeholders("{name}: {n}", {{"{n}", "2"}, {"{name}", "NFL"}}), "NFL: 2");
  // A value is never searched again, whatever it holds.
  EXPECT_EQ(fill_placeholders("All games: {name}", {{"{name}", "{n} {name}"}, {"{n}", "9"}}),
            "All games: {n} {name}");
  EXPECT_EQ(fill_placeholders("{v}{v}", {{"{v}", ""}}), "");
  EXPECT_EQ(fill_placeholders("{when} {x} {n", {{"{when}", "now"}}), "now {x} {n");
  EXPECT_EQ(fill_placeholders("no placeholders", {}), "no placeholders");
  EXPECT_EQ(fill_placeholders("", {{"{n}", "1"}}), "");
  EXPECT_EQ(fill_placeholders("{n}", {{"", "x"}, {"{n}", "1"}}), "1");
}

TEST(TranslationParsing, ABrokenDocumentGivesAnEmptyTable) {
  EXPECT_THAT(parse_translations(""), IsEmpty());
  EXPECT_THAT(parse_translations("{\"fr\":{\"Open\":\"Ouvrir\""), IsEmpty());
  EXPECT_THAT(parse_translations("[]"), IsEmpty());
  EXPECT_THAT(parse_translations("{\"fr\":[\"Ouvrir\"]}"), IsEmpty());
  EXPECT_THAT(parse_translations("{\"fr\":{\"Open\":\"Ouvrir\"},\"de\":{\"Open\":1}}"), IsEmpty());
  EXPECT_THAT(parse_translations("{\"fr\":{\"Open\":null}}"), IsEmpty());
  EXPECT_THAT(parse_translations("{\"fr\":{}} trailing"), IsEmpty());
}

TEST(TranslationParsing, ReadsLanguagesAndTexts) {
  const TranslationTable t = parse_translations(
      "{\"fr\":{\"Open\":\"Ouvrir\",\"Play\":\"Lire\"},\"de\":{},\"ja\":{\"Open\":\"x\",\"Open\":\"\u958b\u304f\"}}");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t.at("fr").at("Play"), "Lire");
  EXPECT_TRUE(t.at("de").empty());
  EXPECT_EQ(t.at("ja").at("Open"), "\u958b\u304f");  // the last of a repeated text holds
}

}  // namespace
}  // namespace qx

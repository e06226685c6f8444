#include "win_ui/shell_services.h"

#include <gtest/gtest.h>

#include <string>

namespace qx {
namespace {

TEST(TrayTip, IsCutAt127Utf16Units) {
  EXPECT_EQ(tray_tip_units(std::string(127, 'a')).size(), 127u);
  EXPECT_EQ(tray_tip_units(std::string(128, 'b')), std::u16string(127, u'b'));
  EXPECT_EQ(tray_tip_units("Zelvarons"), u"Zelvarons");
  // Units, not characters: 126 letters and one astral character (two units) give 127 + 1.
  const std::u16string cut = tray_tip_units(std::string(126, 'c') + "\xF0\x9F\x8F\x88");
  EXPECT_EQ(cut.size(), 127u);
  EXPECT_EQ(cut.back(), char16_t{0xD83C});
  EXPECT_EQ(tray_tip_units(""), u"");
}

TEST(FileFilters, AreDescriptionAndPatternsEndingInTwoNuls) {
  const std::u16string f = file_filter_units(PICTURES_FILTER);
  EXPECT_EQ(f, std::u16string(u"Pictures\0*.png;*.jpg;*.jpeg;*.gif;*.bmp;*.ico\0\0", 47));
  EXPECT_EQ(file_filter_units(FILMS_AND_SOUND_FILTER).substr(0, 16), std::u16string(u"Films and sound\0", 16));
  const std::u16string all = file_filter_units(PICTURES_AND_FILMS_FILTER);
  EXPECT_EQ(all.substr(all.size() - 7), std::u16string(u"*.wmv\0\0", 7));
}

TEST(AutostartValue, IsThePathInQuotesWithItsNulCounted) {
  const std::u16string data = autostart_data(u"C:\\Program Files\\Zelvarons\\zelvarons.exe");
  EXPECT_EQ(data, std::u16string(u"\"C:\\Program Files\\Zelvarons\\zelvarons.exe\"\0", 43));
  EXPECT_EQ(data.size() * 2, 86u) << "the byte count passed to the registry";
}

TEST(HttpsLinks, OnlyTheExactLowerCaseSchemeOpens) {
  struct Case {
    const char* text;
    bool opens;
  } cases[] = {
      {"https://example.org/story", true}, {"https://", true},           {"HTTPS://example.org/", false},
      {"Https://example.org/", false},      {"http://example.org/", false}, {" https://example.org/", false},
      {"", false},                          {"file:///C:/x", false},
  };
  for (const Case& c : cases) EXPECT_EQ(is_https_link(c.text), c.opens) << c.text;
}

TEST(DialogBuffer, GivesTheTextBeforeTheFirstNulOrNothingWithoutOne) {
  const char16_t buffer[] = u"C:\\Films\\Zw\u00F6lf.mp4\0rest";
  EXPECT_EQ(text_before_nul(buffer, sizeof buffer / 2), "C:\\Films\\Zw\xC3\xB6lf.mp4");
  const std::u16string full(1024, u'x');
  EXPECT_EQ(text_before_nul(full.data(), full.size()), std::nullopt);
  const char16_t lone[] = {u'a', char16_t{0xDC00}, u'b', 0};
  EXPECT_EQ(text_before_nul(lone, 4), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(text_before_nul(nullptr, 0), std::nullopt);
}

TEST(ClipboardText, IsTrimmedAndStopsAtTheBlockOrTheFirstNul) {
  struct Case {
    std::u16string units;
    std::string text;
  } cases[] = {
      {u"  https://example.org/feed\r\n", "https://example.org/feed"},
      {std::u16string(u" \u00A0\t\r\n\u3000", 6), ""},  // blanks only: empty text, not nothing
      {std::u16string(u"abc\0def", 7), "abc"},
      {u"no nul at the end", "no nul at the end"},
      {std::u16string(1, char16_t{0xD800}), "\xEF\xBF\xBD"},
      {u"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(clipboard_units_to_text(c.units.data(), c.units.size()), c.text);
}

TEST(MinuteOfDay, CountsFromMidnight) {
  EXPECT_EQ(minute_of_day(0, 0), 0);
  EXPECT_EQ(minute_of_day(22, 0), 1320);
  EXPECT_EQ(minute_of_day(23, 59), 1439);
}

}  // namespace
}  // namespace qx

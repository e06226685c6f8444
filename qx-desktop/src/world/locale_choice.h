// The country and language of the program: resolved against the world table, stored in the
// state, and, while the starting default feeds are shown, choosing those feeds.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/app_state.h"

namespace qx {

struct Locale {
  std::string country;  // a country code of the world table ("ZZ" for anything unknown)
  std::string lang;     // a language code of the world table
  friend bool operator==(const Locale&, const Locale&) = default;
};

// The country as the table knows it (codes are case-sensitive; unknown gives "ZZ"); the language
// when it is one of the table's, else the country's first language.
Locale resolve_locale(std::string_view country, std::string_view lang);

// Stores the resolved pair in the state. While the feeds are still the starting default set,
// they become the one featured feed of the country's first league (the flag stays on).
void set_locale(AppState& s, std::string_view country, std::string_view lang);

// Text from a name Windows wrote into a UTF-16 buffer, given the length Windows returned
// (terminating NUL included): the first length - 1 units, none when the length is below 2,
// never more than the buffer holds; invalid UTF-16 becomes U+FFFD.
std::string wide_name_to_string(std::u16string_view buffer, int length);

// The language part of a locale name: up to its first "-" ("en" of "en-GB"), else the whole name.
std::string language_of_locale_name(std::string_view locale_name);

// The user's Windows country and language, as read (empty when a call failed).
struct WindowsLocaleNames {
  std::string geo_name;     // "US"
  std::string locale_name;  // "en-GB"
};
// Reads them with GetUserDefaultGeoName and GetUserDefaultLocaleName (Windows only).
WindowsLocaleNames read_windows_locale_names();
// The Windows defaults, resolved.
Locale windows_default_locale(const WindowsLocaleNames& names);

// At start: the settings' country and language where they are given, the Windows defaults
// where not, through set_locale.
void apply_start_locale(AppState& s, const std::optional<std::string>& saved_country,
                        const std::optional<std::string>& saved_lang, const Locale& windows_defaults);
// "--country" and "--lang": when either is given, set_locale with the given country (else the
// current one) and the given language (else none, which gives the country's first language).
void apply_locale_options(AppState& s, const std::optional<std::string>& country,
                          const std::optional<std::string>& lang);

// The menu's choices, as the pair to pass to set_locale. A new country keeps the language when
// the country speaks it, else takes its first language; a new language keeps the country.
Locale locale_for_country_choice(std::string_view country, std::string_view current_lang);
Locale locale_for_language_choice(std::string_view current_country, std::string_view lang);

}  // namespace qx

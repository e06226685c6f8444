#include "world/locale_choice.h"

#include <algorithm>

#include "app/feed_service.h"
#include "app/feed_slots.h"
#include "unicode_text.h"
#include "world/world.h"

namespace qx {

namespace {

bool is_known_language(std::string_view code) {
  const std::vector<Language>& languages = world().languages;
  return std::any_of(languages.begin(), languages.end(), [&](const Language& l) { return l.code == code; });
}

std::string first_language(const Country& c) { return c.langs.empty() ? std::string("en") : c.langs.front(); }

}  // namespace

Locale resolve_locale(std::string_view country, std::string_view lang) {
  const Country& row = country_by_code(country);
  Locale out{row.code, {}};
  out.lang = is_known_language(lang) ? std::string(lang) : first_language(row);
  return out;
}

void set_locale(AppState& s, std::string_view country, std::string_view lang) {
  Locale resolved = resolve_locale(country, lang);
  s.country = std::move(resolved.country);
  s.lang = std::move(resolved.lang);
  if (!s.default_feeds) return;
  const std::vector<League> leagues = country_leagues(s.country);
  if (leagues.empty()) return;  // every country of the table has one; keep the feeds otherwise
  s.feeds.clear();
  s.feeds.push_back(new_feed_slot(featured_feed_url(leagues.front().id), std::nullopt));
  s.active = 0;
  s.rotation_ticks = 0;
}

std::string wide_name_to_string(std::u16string_view buffer, int length) {
  if (length < 2) return {};
  const std::size_t units = std::min(static_cast<std::size_t>(length - 1), buffer.size());
  return utf16_to_utf8(buffer.substr(0, units));
}

std::string language_of_locale_name(std::string_view locale_name) {
  return std::string(locale_name.substr(0, locale_name.find('-')));
}

Locale windows_default_locale(const WindowsLocaleNames& names) {
  return resolve_locale(names.geo_name, language_of_locale_name(names.locale_name));
}

void apply_start_locale(AppState& s, const std::optional<std::string>& saved_country,
                        const std::optional<std::string>& saved_lang, const Locale& windows_defaults) {
  set_locale(s, saved_country ? *saved_country : windows_defaults.country,
             saved_lang ? *saved_lang : windows_defaults.lang);
}

void apply_locale_options(AppState& s, const std::optional<std::string>& country,
                          const std::optional<std::string>& lang) {
  if (!country && !lang) return;
  const std::string chosen_country = country ? *country : s.country;
  set_locale(s, chosen_country, lang ? std::string_view(*lang) : std::string_view());
}

Locale locale_for_country_choice(std::string_view country, std::string_view current_lang) {
  const Country& row = country_by_code(country);
  const bool spoken = std::find(row.langs.begin(), row.langs.end(), current_lang) != row.langs.end();
  return Locale{std::string(country), spoken ? std::string(current_lang) : first_language(row)};
}

Locale locale_for_language_choice(std::string_view current_country, std::string_view lang) {
  return Locale{std::string(current_country), std::string(lang)};
}

}  // namespace qx

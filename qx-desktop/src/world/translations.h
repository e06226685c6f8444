// The UI translations built into the program: for each of 8 languages, the English text of a menu
// entry or of a text painted on the bar mapped to its translation. Built once on first use and
// never freed; read from any thread without a lock.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qx {

// Language code -> (English text -> translated text). English has no entry.
using TranslationTable = std::unordered_map<std::string, std::unordered_map<std::string, std::string>>;

// Reads a translation document: one object of language codes, each an object of texts. Anything
// else (bad JSON, a value that is not a text) gives the empty table, so every text stays English.
TranslationTable parse_translations(std::string_view text);

// Builds the process-wide table from the embedded document on the first call and returns it.
const TranslationTable& init_translations();

// TRANSLATIONS->at("fr"): the process-wide table, built on first use.
struct TranslationTableRef {
  const TranslationTable& operator*() const { return init_translations(); }
  const TranslationTable* operator->() const { return &init_translations(); }
};
inline constexpr TranslationTableRef TRANSLATIONS{};

// The translation of the English `text` for `lang`, or `text` itself when there is none
// (English, a language without translations, a text without an entry, an empty table).
// Placeholders come back unfilled.
std::string translate(std::string_view lang, std::string_view text);

// A placeholder and its value: {"{n}", "3"}.
struct PlaceholderValue {
  std::string_view placeholder;
  std::string_view value;
};

// Replaces every occurrence of each placeholder in one pass, so a value that itself contains a
// placeholder ("{n}" in a feed's title, say) is left as it is.
std::string fill_placeholders(std::string_view text, std::initializer_list<PlaceholderValue> values);

}  // namespace qx

#include "world/translations.h"

#include "app/embedded_resource.h"
#include "json_reader.h"

namespace qx {

TranslationTable parse_translations(std::string_view text) {
  JsonResult<nlohmann::json> doc = parse_json_dom(text);
  if (!doc || !doc->is_object()) return {};
  TranslationTable table;
  for (const auto& [lang, texts] : doc->items()) {
    if (!texts.is_object()) return {};
    auto& entries = table[lang];
    for (const auto& [english, translated] : texts.items()) {
      if (!translated.is_string()) return {};
      entries[english] = translated.get<std::string>();
    }
  }
  return table;
}

const TranslationTable& init_translations() {
  // Leaked on purpose: detached workers may still read it while the process exits.
  static const TranslationTable* const table =
      new TranslationTable(parse_translations(embedded_document(EmbeddedDocument::Translations)));
  return *table;
}

std::string translate(std::string_view lang, std::string_view text) {
  const TranslationTable& table = *TRANSLATIONS;
  const auto language = table.find(std::string(lang));
  if (language == table.end()) return std::string(text);
  const auto entry = language->second.find(std::string(text));
  if (entry == language->second.end()) return std::string(text);
  return entry->second;
}

std::string fill_placeholders(std::string_view text, std::initializer_list<PlaceholderValue> values) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const PlaceholderValue* hit = nullptr;
    for (const PlaceholderValue& v : values) {
      if (!v.placeholder.empty() && text.substr(i, v.placeholder.size()) == v.placeholder) {
        hit = &v;
        break;
      }
    }
    if (hit) {
      out += hit->value;
      i += hit->placeholder.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace qx

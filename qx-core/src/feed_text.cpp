#include "feed_text.h"

#include "feed_validation.h"
#include "json_reader.h"
#include "json_story_search.h"
#include "rss_atom.h"
#include "unicode_text.h"

namespace qx {

namespace {

// The end of a whole feed trimmed through the shared helper a short window at a time, so that a
// 2 MiB text is not decoded from its start. A decode from the start always begins a character at
// a byte that is not a continuation byte, so a window that begins at one trims exactly as the
// whole text would.
std::string_view trim_end(std::string_view s) {
  std::size_t end = s.size();
  while (end > 0) {
    std::size_t start = end > 16 ? end - 16 : 0;
    while (start > 0 && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) --start;
    const std::string_view kept = trim_unicode_whitespace_end(s.substr(start, end - start));
    if (!kept.empty()) return s.substr(0, start + kept.size());
    end = start;
  }
  return s.substr(0, 0);
}

// Whether the root is an object whose last "schema" member is the string FEED_SCHEMA, found
// without building a value tree. Malformed text gives false: the tree parse then reports it.
bool root_names_schema(std::string_view text) {
  try {
    JsonCursor c(text);
    if (c.peek() != JsonToken::Object) return false;
    c.begin_object("an object");
    bool named = false;
    while (std::optional<std::string> key = c.next_key()) {
      if (*key == "schema" && c.peek() == JsonToken::String) {
        named = c.read_string() == FEED_SCHEMA;
      } else {
        if (*key == "schema") named = false;
        c.skip_value();
      }
    }
    return named;
  } catch (...) {
    return false;
  }
}

bool root_names_schema(const nlohmann::json& root) {
  if (!root.is_object()) return false;
  const auto schema = root.find("schema");
  return schema != root.end() && schema->is_string() && schema->get_ref<const std::string&>() == FEED_SCHEMA;
}

// The schema path once the text is known to be JSON: read as it stands, then validated.
CoreResult<QxFeedV1> read_schema_feed(std::string_view text) {
  CoreResult<QxFeedV1> feed = read_qx_feed_checked(text);
  if (!feed) return feed;
  if (CoreResult<Unit> valid = validate_feed(*feed); !valid) return err(std::move(valid).error());
  return feed;
}

}  // namespace

CoreResult<QxFeedV1> parse_feed_text(std::string_view text) {
  static constexpr std::string_view BOM = "\xEF\xBB\xBF";
  while (text.substr(0, BOM.size()) == BOM) text.remove_prefix(BOM.size());
  // U+FEFF is not whitespace: one that follows leading whitespace stays, and makes the text XML.
  text = trim_end(trim_unicode_whitespace_start(text));

  const bool is_json = !text.empty() && (text.front() == '{' || text.front() == '[');
  if (text.size() > MAX_FEED_BYTES) return err(CoreError::payload_too_large(text.size(), MAX_FEED_BYTES));
  if (!is_json) return read_rss_atom(text);

  // A schema feed never needs the value tree, and building one costs several times the
  // typed read: within the schema limit, look at the root's "schema" member first.
  if (text.size() <= MAX_SCHEMA_FEED_BYTES && root_names_schema(text)) {
    if (JsonResult<Unit> syntax = check_json_syntax(text); !syntax) {
      return err(CoreError::serialization(std::move(syntax).error()));
    }
    return read_schema_feed(text);
  }

  JsonResult<nlohmann::json> root = parse_json_dom(text);
  if (!root) return err(CoreError::serialization(std::move(root).error()));
  if (root_names_schema(*root)) {
    if (text.size() > MAX_SCHEMA_FEED_BYTES) return err(CoreError::payload_too_large(text.size(), MAX_SCHEMA_FEED_BYTES));
    return read_schema_feed(text);
  }
  return find_story_list(*root);
}

}  // namespace qx

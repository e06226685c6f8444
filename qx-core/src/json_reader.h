// The one JSON layer of the program, over nlohmann-json. Every JSON text the program reads goes
// through here, so that all readers share one set of rules and messages:
//
//  - parse_json_dom: a whole text to a value tree (keys in ascending byte order, the last value of a
//    repeated key wins), at most JSON_MAX_DEPTH levels deep, nothing but whitespace after the value.
//  - read_json_record: a text straight into a typed record described by a JsonRecord<T>. A record is
//    accepted as an object (members in any order; unknown keys skipped, or refused per record) or as
//    an array holding the values in field order. A key given twice, a missing required key, a short
//    array, a value of the wrong type or an integer out of range is an error whose message names the
//    problem and ends with " at line L column C", where reading stopped.
//  - json_record_to_json / dump_json: records back to JSON in field order, compact or pretty
//    (indent 2); invalid UTF-8 in a text is written as U+FFFD instead of throwing.
//
// Failures are JsonResult values carrying the message: no exception leaves parse_json_dom,
// check_json_syntax or read_json_record*. JsonCursor's reads throw JsonReadError on purpose (so
// that a custom value reader stays short); read_json_record* catch it. The writers throw only
// std::bad_alloc.
//
// Describing a record (a text, an optional integer, a nested record and a list):
//
//   struct Venue { std::string city; };
//   struct Team {
//     std::string id;                    // required: "missing field `id`" when absent
//     std::optional<std::uint16_t> rank; // optional: absent or null gives nullopt
//     Venue venue;                       // required nested record
//     std::vector<std::string> aliases;  // absent gives the empty list; null is refused
//   };
//
//   // Found by argument-dependent lookup: declare it in the record's own namespace, next to the type.
//   inline const JsonRecord<Venue>& json_record(JsonTag<Venue>) {
//     static const JsonRecord<Venue> r{"Venue", {json_field<&Venue::city>("city")}};
//     return r;
//   }
//   inline const JsonRecord<Team>& json_record(JsonTag<Team>) {
//     static const JsonRecord<Team> r{"Team", {
//         json_field<&Team::id>("id"),
//         json_field<&Team::rank>("rank"),
//         json_field<&Team::venue>("venue"),
//         json_field<&Team::aliases>("aliases", JSON_DEFAULT),
//     }};
//     return r;
//   }
//
//   JsonResult<Team> t = read_json_record<Team>(text);   // {"id":"x","venue":{"city":"y"}} or ["x",null,["y"]]
//   std::string out = dump_json(json_record_to_json(*t), JsonStyle::Pretty);
//
// Field kinds: json_field on a non-optional member is required; on a std::optional member it is
// optional (null = absent; in the array form the element is still needed); with JSON_DEFAULT the
// key may be left out in both forms and the member keeps the value the record was constructed
// with. Set JsonRecord::deny_unknown to refuse unknown keys ("unknown field `k`, expected ...").
//
// Values: std::string (JSON strings only), bool, every integer type (JSON integers only, range
// checked: no fraction, no exponent, no negative for unsigned; "-0" is 0), float and double (any
// JSON number), std::optional<V>, std::vector<V> ("a sequence") and any type with a json_record.
// For another type (an enumeration stored as a word, say) overload read_json_value(JsonCursor&, V&)
// and write_json_value(nlohmann::ordered_json&, const V&) in its namespace, using JsonCursor below.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <nlohmann/json.hpp>

#include "result.h"

namespace qx {

inline constexpr int JSON_MAX_DEPTH = 128;

// The error text of a failed read: the message with its line and column.
template <class T>
using JsonResult = Result<T, std::string>;

// ---------------------------------------------------------------------------------------------
// Value tree.

// Parses the whole text. Errors read like "parse error at line 1, column 5: syntax error while
// parsing array - unexpected end of input; expected ']'" (nlohmann's text without its
// "[json.exception...] " prefix; a number too large for a double and nesting past
// JSON_MAX_DEPTH get the same "parse error at line L, column C: " form).
JsonResult<nlohmann::json> parse_json_dom(std::string_view text);

// Only the syntax check of parse_json_dom (same rules and messages), without building the tree.
JsonResult<Unit> check_json_syntax(std::string_view text);

// ---------------------------------------------------------------------------------------------
// Cursor: reads one JSON text value by value, tracking line and column. Custom value readers use
// it; every read_* consumes one whole value or throws JsonReadError (caught by read_json_record).

enum class JsonToken { Object, Array, String, Number, Bool, Null, End };

struct JsonReadError {
  std::string message;  // complete, position included
};

class JsonCursor {
 public:
  explicit JsonCursor(std::string_view text);

  // Kind of the next value (whitespace and a pending ':' are consumed first). End at the end of
  // the text; a character that cannot start a value fails with "expected value".
  JsonToken peek();

  std::string read_string(std::string_view expected = "a string");
  bool read_bool(std::string_view expected = "a boolean");
  // An integer within [min, max]; `expected` names the type in messages ("u32").
  std::uint64_t read_unsigned(std::uint64_t max, std::string_view expected);
  std::int64_t read_signed(std::int64_t min, std::int64_t max, std::string_view expected);
  double read_number(std::string_view expected = "f64");  // any JSON number
  bool read_null_if_present();                              // true when the next value was null (consumed)
  void skip_value();

  // Objects: begin_object() consumes "{"; next_key() gives each key (the cursor then stands after
  // the key; the next read consumes the ':'), or nullopt after consuming "}".
  void begin_object(std::string_view expected);
  std::optional<std::string> next_key();
  // Arrays: begin_array() consumes "["; next_element() is true when another element follows and
  // false after consuming "]".
  void begin_array(std::string_view expected);
  bool next_element();

  // After the root value: only whitespace may follow ("trailing characters").
  void expect_end();

  // "invalid type: <the next value described>, expected <expected>" at the next value.
  [[noreturn]] void fail_invalid_type(std::string_view expected);
  // The message, then " at line L column C" of the current position.
  [[noreturn]] void fail(std::string_view message) const;
  std::string position_text() const;  // " at line L column C"

 private:
  void skip_ws();
  void consume_pending_colon();
  // Steps to the next member or element: false after consuming `close`.
  bool next_in_container(char close, std::string_view eof_message);
  [[noreturn]] void fail_syntax(std::string_view what) const;
  std::string parse_string_token();  // at '"'
  std::string_view scan_number_token();
  std::string describe_next();
  void enter();
  void leave();

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
  std::size_t line_start_ = 0;
  int depth_ = 0;
  bool pending_colon_ = false;
  std::vector<bool> first_in_container_;  // per open container: no element/member seen yet
};

// ---------------------------------------------------------------------------------------------
// Record descriptors.

template <class V>
struct JsonTag {};

enum class JsonPresence { Required, Optional, Defaulted };

struct JsonDefaultTag {};
inline constexpr JsonDefaultTag JSON_DEFAULT{};

template <class T>
struct JsonField {
  std::string_view key;
  JsonPresence presence;
  void (*read)(JsonCursor&, T&);
  // Writes the member into the object; null_if_absent: an absent optional is written as null
  // instead of being left out. Null pointer: the field is read but never written.
  void (*write)(nlohmann::ordered_json& object, std::string_view key, const T&, bool null_if_absent);
};

template <class T>
struct JsonRecord {
  std::string_view name;  // "QxBadge": messages say "struct QxBadge"
  std::vector<JsonField<T>> fields;
  bool deny_unknown = false;
};

template <class V>
concept HasJsonRecord = requires { json_record(JsonTag<V>{}); };

template <class V>
struct IsStdOptional : std::false_type {};
template <class V>
struct IsStdOptional<std::optional<V>> : std::true_type {};

// Value readers and writers (declared first so that they find one another).
void read_json_value(JsonCursor& c, std::string& v);
void read_json_value(JsonCursor& c, bool& v);
template <class V>
  requires(std::integral<V> && !std::same_as<V, bool>)
void read_json_value(JsonCursor& c, V& v);
template <std::floating_point V>
void read_json_value(JsonCursor& c, V& v);
template <class V>
void read_json_value(JsonCursor& c, std::optional<V>& v);
template <class V>
void read_json_value(JsonCursor& c, std::vector<V>& v);
template <HasJsonRecord V>
void read_json_value(JsonCursor& c, V& v);

void write_json_value(nlohmann::ordered_json& out, const std::string& v);
void write_json_value(nlohmann::ordered_json& out, bool v);
template <class V>
  requires(std::integral<V> && !std::same_as<V, bool>)
void write_json_value(nlohmann::ordered_json& out, V v);
// Floats are written as the shortest decimal that reads back as the same float (1.1f as 1.1);
// non-finite values as null.
void write_json_value(nlohmann::ordered_json& out, float v);
void write_json_value(nlohmann::ordered_json& out, double v);
template <class V>
void write_json_value(nlohmann::ordered_json& out, const std::optional<V>& v);
template <class V>
void write_json_value(nlohmann::ordered_json& out, const std::vector<V>& v);
template <HasJsonRecord V>
void write_json_value(nlohmann::ordered_json& out, const V& v);

// The type name used in "expected ..." for integers ("u8", "u32", "i64").
template <class V>
constexpr std::string_view json_integer_name() {
  constexpr bool u = std::is_unsigned_v<V>;
  switch (sizeof(V)) {
    case 1: return u ? "u8" : "i8";
    case 2: return u ? "u16" : "i16";
    case 4: return u ? "u32" : "i32";
    default: return u ? "u64" : "i64";
  }
}

namespace json_detail {
template <class M>
struct MemberType;
template <class T, class V>
struct MemberType<V T::*> {
  using record = T;
  using value = V;
};

template <auto Member>
void read_member(JsonCursor& c, typename MemberType<decltype(Member)>::record& rec) {
  read_json_value(c, rec.*Member);
}

template <auto Member>
void write_member(nlohmann::ordered_json& object, std::string_view key,
                  const typename MemberType<decltype(Member)>::record& rec, bool null_if_absent) {
  using V = typename MemberType<decltype(Member)>::value;
  if constexpr (IsStdOptional<V>::value) {
    if (!(rec.*Member).has_value() && !null_if_absent) return;
  }
  write_json_value(object[std::string(key)], rec.*Member);
}
}  // namespace json_detail

// A field bound to a member: required, or optional when the member is a std::optional.
template <auto Member>
JsonField<typename json_detail::MemberType<decltype(Member)>::record> json_field(std::string_view key) {
  using M = json_detail::MemberType<decltype(Member)>;
  return {key, IsStdOptional<typename M::value>::value ? JsonPresence::Optional : JsonPresence::Required,
          &json_detail::read_member<Member>, &json_detail::write_member<Member>};
}

// A field that may be left out in both forms; the member then keeps its constructed value.
template <auto Member>
JsonField<typename json_detail::MemberType<decltype(Member)>::record> json_field(std::string_view key,
                                                                                 JsonDefaultTag) {
  auto f = json_field<Member>(key);
  f.presence = JsonPresence::Defaulted;
  return f;
}

// Reads one record value at the cursor by the rules at the top of this header.
template <class T>
void read_json_record_value(JsonCursor& c, T& rec, const JsonRecord<T>& d);

// Parses a whole text as T (syntax first, as parse_json_dom, then the record rules).
template <class T>
JsonResult<T> read_json_record(std::string_view text, const JsonRecord<T>& d);
template <HasJsonRecord T>
JsonResult<T> read_json_record(std::string_view text) {
  return read_json_record<T>(text, json_record(JsonTag<T>{}));
}
// The same for a text that parse_json_dom or check_json_syntax has already accepted.
template <class T>
JsonResult<T> read_json_record_checked(std::string_view text, const JsonRecord<T>& d);

// A record as a JSON object with its keys in field order. null_if_absent: absent optionals are
// written as null (the default leaves them out).
template <class T>
nlohmann::ordered_json json_record_to_json(const T& rec, const JsonRecord<T>& d, bool null_if_absent = false);
template <HasJsonRecord T>
nlohmann::ordered_json json_record_to_json(const T& rec, bool null_if_absent = false) {
  return json_record_to_json(rec, json_record(JsonTag<T>{}), null_if_absent);
}

enum class JsonStyle { Compact, Pretty };
// Compact: no spaces at all. Pretty: an indent of two spaces, ": " after keys, "[]" and "{}" for
// empty containers, no newline at the end. Non-ASCII is written as UTF-8; invalid UTF-8 as U+FFFD.
std::string dump_json(const nlohmann::ordered_json& v, JsonStyle style);
std::string dump_json(const nlohmann::json& v, JsonStyle style);

// ---------------------------------------------------------------------------------------------
// Template definitions.

template <class V>
  requires(std::integral<V> && !std::same_as<V, bool>)
void read_json_value(JsonCursor& c, V& v) {
  if constexpr (std::is_unsigned_v<V>) {
    v = static_cast<V>(c.read_unsigned(std::numeric_limits<V>::max(), json_integer_name<V>()));
  } else {
    v = static_cast<V>(c.read_signed(std::numeric_limits<V>::min(), std::numeric_limits<V>::max(),
                                     json_integer_name<V>()));
  }
}

template <std::floating_point V>
void read_json_value(JsonCursor& c, V& v) {
  v = static_cast<V>(c.read_number(sizeof(V) == 4 ? "f32" : "f64"));
}

template <class V>
void read_json_value(JsonCursor& c, std::optional<V>& v) {
  if (c.read_null_if_present()) {
    v.reset();
    return;
  }
  V inner{};
  read_json_value(c, inner);
  v = std::move(inner);
}

template <class V>
void read_json_value(JsonCursor& c, std::vector<V>& v) {
  v.clear();
  c.begin_array("a sequence");
  while (c.next_element()) {
    V element{};
    read_json_value(c, element);
    v.push_back(std::move(element));
  }
}

template <HasJsonRecord V>
void read_json_value(JsonCursor& c, V& v) {
  read_json_record_value(c, v, json_record(JsonTag<V>{}));
}

template <class V>
  requires(std::integral<V> && !std::same_as<V, bool>)
void write_json_value(nlohmann::ordered_json& out, V v) {
  if constexpr (std::is_unsigned_v<V>) {
    out = static_cast<std::uint64_t>(v);
  } else {
    out = static_cast<std::int64_t>(v);
  }
}

template <class V>
void write_json_value(nlohmann::ordered_json& out, const std::optional<V>& v) {
  if (v) {
    write_json_value(out, *v);
  } else {
    out = nullptr;
  }
}

template <class V>
void write_json_value(nlohmann::ordered_json& out, const std::vector<V>& v) {
  out = nlohmann::ordered_json::array();
  for (const V& element : v) {
    nlohmann::ordered_json j;
    write_json_value(j, element);
    out.push_back(std::move(j));
  }
}

template <HasJsonRecord V>
void write_json_value(nlohmann::ordered_json& out, const V& v) {
  out = json_record_to_json(v, json_record(JsonTag<V>{}));
}

namespace json_detail {
std::string missing_field(std::string_view key);
std::string duplicate_field(std::string_view key);
std::string unknown_field(std::string_view key, const std::vector<std::string_view>& expected);
std::string invalid_length(std::size_t n, std::string_view record, std::size_t fields);
std::string expected_struct(std::string_view record);
}  // namespace json_detail

template <class T>
void read_json_record_value(JsonCursor& c, T& rec, const JsonRecord<T>& d) {
  const std::size_t count = d.fields.size();
  const JsonToken t = c.peek();
  if (t == JsonToken::Object) {
    c.begin_object(json_detail::expected_struct(d.name));
    std::vector<bool> seen(count, false);
    while (std::optional<std::string> key = c.next_key()) {
      std::size_t i = 0;
      while (i < count && d.fields[i].key != *key) ++i;
      if (i == count) {
        if (d.deny_unknown) {
          std::vector<std::string_view> keys;
          for (const JsonField<T>& f : d.fields) keys.push_back(f.key);
          c.fail(json_detail::unknown_field(*key, keys));
        }
        c.skip_value();
        continue;
      }
      if (seen[i]) c.fail(json_detail::duplicate_field(*key));
      seen[i] = true;
      d.fields[i].read(c, rec);
    }
    for (std::size_t i = 0; i < count; ++i) {
      if (!seen[i] && d.fields[i].presence == JsonPresence::Required) c.fail(json_detail::missing_field(d.fields[i].key));
    }
    return;
  }
  if (t == JsonToken::Array) {
    c.begin_array(json_detail::expected_struct(d.name));
    for (std::size_t i = 0; i < count; ++i) {
      if (!c.next_element()) {
        for (std::size_t j = i; j < count; ++j) {
          if (d.fields[j].presence != JsonPresence::Defaulted) c.fail(json_detail::invalid_length(j, d.name, count));
        }
        return;
      }
      d.fields[i].read(c, rec);
    }
    if (c.next_element()) {
      std::size_t n = count;
      do {
        c.skip_value();
        ++n;
      } while (c.next_element());
      c.fail(json_detail::invalid_length(n, d.name, count));
    }
    return;
  }
  c.fail_invalid_type(json_detail::expected_struct(d.name));
}

template <class T>
JsonResult<T> read_json_record_checked(std::string_view text, const JsonRecord<T>& d) {
  try {
    JsonCursor c(text);
    T rec{};
    read_json_record_value(c, rec, d);
    c.expect_end();
    return rec;
  } catch (JsonReadError& e) {
    return err(std::move(e.message));
  } catch (const std::exception& e) {
    return err(std::string(e.what()));
  }
}

template <class T>
JsonResult<T> read_json_record(std::string_view text, const JsonRecord<T>& d) {
  JsonResult<Unit> syntax = check_json_syntax(text);
  if (!syntax) return err(std::move(syntax).error());
  return read_json_record_checked(text, d);
}

template <class T>
nlohmann::ordered_json json_record_to_json(const T& rec, const JsonRecord<T>& d, bool null_if_absent) {
  nlohmann::ordered_json object = nlohmann::ordered_json::object();
  for (const JsonField<T>& f : d.fields) {
    if (f.write) f.write(object, f.key, rec, null_if_absent);
  }
  return object;
}

}  // namespace qx

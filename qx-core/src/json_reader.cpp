#include "json_reader.h"

#include <charconv>
#include <cmath>
#include <exception>
#include <system_error>

#include "unicode_text.h"

namespace qx {

namespace {

using Json = nlohmann::json;

// Line and column (1-based, in bytes) of the byte at `index`.
std::string line_column_of(std::string_view text, std::size_t index) {
  if (index > text.size()) index = text.size();
  std::size_t line = 1;
  std::size_t line_start = 0;
  for (std::size_t i = 0; i < index; ++i) {
    if (text[i] == '\n') {
      ++line;
      line_start = i + 1;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(index - line_start + 1);
}

// Error texts reach the user, so every piece of the input they quote is made valid UTF-8 (U+FFFD
// for what is not) and cut, by characters, to a few dozen: a bad token can be a megabyte long.
constexpr std::size_t MAX_QUOTED_CHARS = 40;
constexpr std::size_t MAX_MESSAGE_CHARS = 300;
constexpr std::string_view ELLIPSIS = "…";

enum class Keep { Head, Tail };

std::string bounded_excerpt(std::string_view raw, std::size_t max_chars, Keep keep) {
  const std::string text = sanitize_utf8(raw);
  const std::size_t count = char_count(text);
  if (count <= max_chars) return text;
  if (keep == Keep::Head) return std::string(utf8_prefix_chars(text, max_chars)).append(ELLIPSIS);
  const std::size_t skip = utf8_prefix_chars(text, count - max_chars).size();
  return std::string(ELLIPSIS).append(std::string_view(text).substr(skip));
}

// The quoted excerpt that follows `opening` in m ("last read: '" or "parsing '"), shortened in
// place. It ends at the last "'" before `closing` (or at the last "'" of the message).
void shorten_quoted(std::string& m, std::string_view opening, std::string_view closing, Keep keep) {
  const std::size_t at = m.find(opening);
  if (at == std::string::npos) return;
  const std::size_t start = at + opening.size();
  std::size_t end = closing.empty() ? std::string::npos : m.rfind(closing);
  if (end == std::string::npos || end < start) end = m.rfind('\'');
  if (end == std::string::npos || end < start) return;
  m.replace(start, end - start, bounded_excerpt(std::string_view(m).substr(start, end - start), MAX_QUOTED_CHARS, keep));
}

// The safety net for every message: valid UTF-8 and bounded.
std::string bounded_message(std::string_view m) { return bounded_excerpt(m, MAX_MESSAGE_CHARS, Keep::Head); }

// Where the first array or object deeper than JSON_MAX_DEPTH opens (strings skipped).
std::size_t find_depth_overflow(std::string_view t) {
  int depth = 0;
  bool in_string = false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > JSON_MAX_DEPTH) return i;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return t.size();
}

// nlohmann's message without its "[json.exception.<kind>.<id>] " prefix, always in the
// "parse error at line L, column C: ..." form, with the excerpt of the input it quotes shortened.
std::string library_message(std::string_view text, std::size_t position, const std::exception& ex) {
  std::string m = ex.what();
  if (m.rfind("[json.exception.", 0) == 0) {
    const std::size_t close = m.find("] ");
    if (close != std::string::npos) m.erase(0, close + 2);
  }
  shorten_quoted(m, "last read: '", "'; expected ", Keep::Tail);
  shorten_quoted(m, "parsing '", "", Keep::Head);  // "number overflow parsing '1000…'"
  // Other errors (a number too large for a double) get the same form; `position` stands just
  // past the offending token, and the column names its last byte.
  if (m.rfind("parse error", 0) != 0) m = "parse error at " + line_column_of(text, position ? position - 1 : 0) + ": " + m;
  return bounded_message(m);
}

// The library reads a NUL byte between tokens as the end of the input, so "[1]\0junk" would pass;
// anything after the value but whitespace is an error, and so is a NUL in the middle.
std::string nul_message(std::string_view text, std::size_t at) {
  return "parse error at " + line_column_of(text, at) +
         ": syntax error while parsing value - invalid literal; last read: '<U+0000>'; expected end of input";
}

// Receives nlohmann's parse events; builds the tree when Build, and enforces the depth limit.
template <bool Build>
class SaxHandler {
 public:
  explicit SaxHandler(Json* root) : root_(root) {}

  bool null() { return put(nullptr); }
  bool boolean(bool v) { return put(v); }
  bool number_integer(Json::number_integer_t v) { return put(v); }
  bool number_unsigned(Json::number_unsigned_t v) { return put(v); }
  bool number_float(Json::number_float_t v, const Json::string_t&) { return put(v); }
  bool string(Json::string_t& v) { return put(std::move(v)); }
  bool binary(Json::binary_t&) { return put(nullptr); }  // never produced by JSON text

  bool start_object(std::size_t) { return open(Json::value_t::object); }
  bool start_array(std::size_t) { return open(Json::value_t::array); }
  bool end_object() { return close(); }
  bool end_array() { return close(); }

  bool key(Json::string_t& k) {
    // std::map keeps keys in ascending byte order; a repeated key reuses its slot, so the last
    // value wins.
    if constexpr (Build) slot_ = &stack_.back()->get_ref<Json::object_t&>()[std::move(k)];
    return true;
  }

  bool parse_error(std::size_t position, const std::string&, const nlohmann::json::exception& ex) {
    error_position_ = position;
    error_ = ex.what();
    failed_ = true;
    return false;
  }

  bool depth_exceeded() const { return depth_exceeded_; }
  bool failed() const { return failed_; }
  std::size_t error_position() const { return error_position_; }
  const std::string& error() const { return error_; }

 private:
  template <class V>
  bool put(V&& v) {
    if constexpr (Build) place(Json(std::forward<V>(v)));
    return true;
  }

  Json* place(Json&& v) {
    if (stack_.empty()) {
      *root_ = std::move(v);
      return root_;
    }
    Json& top = *stack_.back();
    if (top.is_array()) {
      auto& a = top.get_ref<Json::array_t&>();
      a.push_back(std::move(v));
      return &a.back();
    }
    *slot_ = std::move(v);
    return slot_;
  }

  bool open(Json::value_t kind) {
    if (depth_ == JSON_MAX_DEPTH) {
      depth_exceeded_ = true;
      return false;
    }
    ++depth_;
    if constexpr (Build) stack_.push_back(place(Json(kind)));
    return true;
  }

  bool close() {
    --depth_;
    if constexpr (Build) stack_.pop_back();
    return true;
  }

  Json* root_;
  std::vector<Json*> stack_;  // the open containers; a parent never grows while a child is open
  Json* slot_ = nullptr;
  int depth_ = 0;
  bool depth_exceeded_ = false;
  bool failed_ = false;
  std::size_t error_position_ = 0;
  std::string error_;
};

struct LibraryException : std::exception {
  explicit LibraryException(std::string m) : message(std::move(m)) {}
  const char* what() const noexcept override { return message.c_str(); }
  std::string message;
};

template <bool Build>
JsonResult<Unit> run_sax(std::string_view text, Json* root) {
  try {
    SaxHandler<Build> handler(root);
    const char* begin = text.data();
    const bool ok = Json::sax_parse(begin, begin + text.size(), &handler, Json::input_format_t::json, true, false);
    const std::size_t nul = text.find('\0');
    if (ok) {
      if (nul != std::string_view::npos) return err(nul_message(text, nul));
      return Unit{};
    }
    if (handler.depth_exceeded()) {
      return err("parse error at " + line_column_of(text, find_depth_overflow(text)) +
                 ": more than " + std::to_string(JSON_MAX_DEPTH) + " nested arrays and objects");
    }
    if (handler.failed()) {
      // A NUL between tokens reads as an early end; one inside a string has its own message.
      if (nul != std::string_view::npos && handler.error_position() == nul + 1 &&
          handler.error().find("unexpected end of input") != std::string::npos) {
        return err(nul_message(text, nul));
      }
      return err(library_message(text, handler.error_position(), LibraryException(handler.error())));
    }
    return err(std::string("parse error: unexpected end of input"));
  } catch (const std::exception& e) {
    return err(library_message(text, text.size(), e));
  }
}

bool is_ws(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A number token as serde-style messages show it.
std::string describe_float(std::string_view token) {
  double d = 0;
  const auto [p, ec] = std::from_chars(token.data(), token.data() + token.size(), d);
  if (ec != std::errc() || p != token.data() + token.size() || !std::isfinite(d)) {
    return bounded_excerpt(token, MAX_QUOTED_CHARS, Keep::Head);
  }
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, d);
  std::string s(buf, r.ptr);
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

// The printable form of a string inside a message: quoted, with quotes, backslashes and control
// characters escaped.
std::string quote_for_message(std::string_view raw) {
  const std::string s = bounded_excerpt(raw, MAX_QUOTED_CHARS, Keep::Head);
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          static const char* hex = "0123456789abcdef";
          out += "\\u{";
          if (static_cast<unsigned char>(c) >= 0x10) out += hex[static_cast<unsigned char>(c) >> 4];
          out += hex[static_cast<unsigned char>(c) & 15];
          out += "}";
        } else {
          out += c;
        }
    }
  }
  out += "\"";
  return out;
}

struct IntegerToken {
  bool is_integer = false;  // no fraction, no exponent, fits 64 bits
  bool negative = false;
  std::uint64_t magnitude = 0;
};

IntegerToken classify_number(std::string_view token) {
  IntegerToken r;
  if (token.find_first_of(".eE") != std::string_view::npos) return r;
  std::string_view digits = token;
  if (!digits.empty() && digits[0] == '-') {
    r.negative = true;
    digits.remove_prefix(1);
  }
  const auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), r.magnitude);
  if (ec != std::errc() || p != digits.data() + digits.size()) return r;
  // Like the parse into a value tree: a negative integer must fit a signed 64-bit number.
  if (r.negative && r.magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + 1) return r;
  r.is_integer = true;
  return r;
}

std::string describe_number(std::string_view token) {
  const IntegerToken n = classify_number(token);
  if (!n.is_integer) return "floating point `" + describe_float(token) + "`";
  if (n.negative && n.magnitude == 0) return "integer `0`";
  return std::string("integer `") + (n.negative ? "-" : "") + std::to_string(n.magnitude) + "`";
}

}  // namespace

JsonResult<nlohmann::json> parse_json_dom(std::string_view text) {
  Json root;
  JsonResult<Unit> r = run_sax<true>(text, &root);
  if (!r) return err(std::move(r).error());
  return root;
}

JsonResult<Unit> check_json_syntax(std::string_view text) { return run_sax<false>(text, nullptr); }

// ---------------------------------------------------------------------------------------------
// JsonCursor

JsonCursor::JsonCursor(std::string_view text) : text_(text) {
  // The value-tree parse skips a leading UTF-8 byte-order mark; so does the cursor.
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
}

std::string JsonCursor::position_text() const {
  return " at line " + std::to_string(line_) + " column " + std::to_string(pos_ - line_start_);
}

void JsonCursor::fail(std::string_view message) const { throw JsonReadError{bounded_message(message) + position_text()}; }

void JsonCursor::fail_syntax(std::string_view what) const { fail(what); }

void JsonCursor::skip_ws() {
  while (pos_ < text_.size() && is_ws(text_[pos_])) {
    if (text_[pos_] == '\n') {
      ++line_;
      line_start_ = pos_ + 1;
    }
    ++pos_;
  }
}

void JsonCursor::consume_pending_colon() {
  if (!pending_colon_) return;
  pending_colon_ = false;
  skip_ws();
  if (pos_ >= text_.size()) fail_syntax("EOF while parsing an object");
  if (text_[pos_] != ':') fail_syntax("expected `:`");
  ++pos_;
}

JsonToken JsonCursor::peek() {
  consume_pending_colon();
  skip_ws();
  if (pos_ >= text_.size()) return JsonToken::End;
  switch (text_[pos_]) {
    case '{': return JsonToken::Object;
    case '[': return JsonToken::Array;
    case '"': return JsonToken::String;
    case 't':
    case 'f': return JsonToken::Bool;
    case 'n': return JsonToken::Null;
    default:
      if (text_[pos_] == '-' || is_ascii_digit(text_[pos_])) return JsonToken::Number;
      ++pos_;
      fail_syntax("expected value");
  }
}

void JsonCursor::enter() {
  if (++depth_ > JSON_MAX_DEPTH) fail_syntax("recursion limit exceeded");
}

void JsonCursor::leave() { --depth_; }

std::string JsonCursor::parse_string_token() {
  ++pos_;  // the opening quote
  std::string out;
  for (;;) {
    std::size_t run = pos_;
    while (run < text_.size()) {
      const unsigned char c = static_cast<unsigned char>(text_[run]);
      if (c == '"' || c == '\\' || c < 0x20) break;
      ++run;
    }
    out.append(text_.data() + pos_, run - pos_);
    pos_ = run;
    if (pos_ >= text_.size()) fail_syntax("EOF while parsing a string");
    const char c = text_[pos_++];
    if (c == '"') return out;
    if (c != '\\') fail_syntax("control character (\\u0000-\\u001F) found while parsing a string");
    if (pos_ >= text_.size()) fail_syntax("EOF while parsing a string");
    const char e = text_[pos_++];
    switch (e) {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case '/': out += '/'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'u': {
        auto hex4 = [this]() -> char32_t {
          if (text_.size() - pos_ < 4) fail_syntax("EOF while parsing a string");
          char32_t v = 0;
          for (int k = 0; k < 4; ++k) {
            const char h = text_[pos_++];
            v <<= 4;
            if (h >= '0' && h <= '9') v |= static_cast<char32_t>(h - '0');
            else if (h >= 'a' && h <= 'f') v |= static_cast<char32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') v |= static_cast<char32_t>(h - 'A' + 10);
            else fail_syntax("invalid escape");
          }
          return v;
        };
        char32_t cp = hex4();
        if (cp >= 0xDC00 && cp <= 0xDFFF) fail_syntax("lone trailing surrogate in hex escape");
        if (cp >= 0xD800 && cp <= 0xDBFF) {
          if (text_.size() - pos_ < 2 || text_[pos_] != '\\' || text_[pos_ + 1] != 'u') {
            fail_syntax("lone leading surrogate in hex escape");
          }
          pos_ += 2;
          const char32_t low = hex4();
          if (low < 0xDC00 || low > 0xDFFF) fail_syntax("lone leading surrogate in hex escape");
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
        append_utf8(out, cp);
        break;
      }
      default: fail_syntax("invalid escape");
    }
  }
}

std::string_view JsonCursor::scan_number_token() {
  const std::size_t start = pos_;
  auto digits = [this]() {
    const std::size_t s = pos_;
    while (pos_ < text_.size() && is_ascii_digit(text_[pos_])) ++pos_;
    return pos_ - s;
  };
  if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
  if (pos_ < text_.size() && text_[pos_] == '0') {
    ++pos_;
  } else if (digits() == 0) {
    fail_syntax("invalid number");
  }
  if (pos_ < text_.size() && text_[pos_] == '.') {
    ++pos_;
    if (digits() == 0) fail_syntax("invalid number");
  }
  if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
    ++pos_;
    if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
    if (digits() == 0) fail_syntax("invalid number");
  }
  return text_.substr(start, pos_ - start);
}

std::string JsonCursor::describe_next() {
  switch (peek()) {
    case JsonToken::String: return "string " + quote_for_message(parse_string_token());
    case JsonToken::Number: return describe_number(scan_number_token());
    case JsonToken::Bool: return std::string("boolean `") + (read_bool() ? "true" : "false") + "`";
    case JsonToken::Null:
      read_null_if_present();
      return "null";
    case JsonToken::Array: ++pos_; return "sequence";
    case JsonToken::Object: ++pos_; return "map";
    case JsonToken::End: break;
  }
  fail_syntax("EOF while parsing a value");
}

void JsonCursor::fail_invalid_type(std::string_view expected) {
  const std::string found = describe_next();
  fail("invalid type: " + found + ", expected " + std::string(expected));
}

std::string JsonCursor::read_string(std::string_view expected) {
  if (peek() != JsonToken::String) fail_invalid_type(expected);
  return parse_string_token();
}

bool JsonCursor::read_bool(std::string_view expected) {
  if (peek() != JsonToken::Bool) fail_invalid_type(expected);
  if (text_.substr(pos_, 4) == "true") {
    pos_ += 4;
    return true;
  }
  if (text_.substr(pos_, 5) == "false") {
    pos_ += 5;
    return false;
  }
  ++pos_;
  fail_syntax("expected value");
}

bool JsonCursor::read_null_if_present() {
  if (peek() != JsonToken::Null) return false;
  if (text_.substr(pos_, 4) != "null") {
    ++pos_;
    fail_syntax("expected value");
  }
  pos_ += 4;
  return true;
}

std::uint64_t JsonCursor::read_unsigned(std::uint64_t max, std::string_view expected) {
  if (peek() != JsonToken::Number) fail_invalid_type(expected);
  const std::string_view token = scan_number_token();
  const IntegerToken n = classify_number(token);
  if (!n.is_integer) fail("invalid type: floating point `" + describe_float(token) + "`, expected " + std::string(expected));
  if (n.negative && n.magnitude != 0) {
    fail("invalid value: integer `-" + std::to_string(n.magnitude) + "`, expected " + std::string(expected));
  }
  if (n.magnitude > max) {
    fail("invalid value: integer `" + std::to_string(n.magnitude) + "`, expected " + std::string(expected));
  }
  return n.magnitude;
}

std::int64_t JsonCursor::read_signed(std::int64_t min, std::int64_t max, std::string_view expected) {
  if (peek() != JsonToken::Number) fail_invalid_type(expected);
  const std::string_view token = scan_number_token();
  const IntegerToken n = classify_number(token);
  if (!n.is_integer) fail("invalid type: floating point `" + describe_float(token) + "`, expected " + std::string(expected));
  const std::string shown = (n.negative && n.magnitude != 0 ? "-" : "") + std::to_string(n.magnitude);
  if (n.negative) {
    // -magnitude >= min, computed without overflow.
    if (n.magnitude > static_cast<std::uint64_t>(-(min + 1)) + 1) {
      fail("invalid value: integer `" + shown + "`, expected " + std::string(expected));
    }
    return n.magnitude == 0 ? 0 : -static_cast<std::int64_t>(n.magnitude - 1) - 1;
  }
  if (n.magnitude > static_cast<std::uint64_t>(max)) {
    fail("invalid value: integer `" + shown + "`, expected " + std::string(expected));
  }
  return static_cast<std::int64_t>(n.magnitude);
}

double JsonCursor::read_number(std::string_view expected) {
  if (peek() != JsonToken::Number) fail_invalid_type(expected);
  const std::string_view token = scan_number_token();
  double d = 0;
  const auto [p, ec] = std::from_chars(token.data(), token.data() + token.size(), d);
  if (ec != std::errc() || p != token.data() + token.size()) fail("number out of range");
  return d;
}

void JsonCursor::skip_value() {
  const JsonToken t = peek();
  switch (t) {
    case JsonToken::String: parse_string_token(); return;
    case JsonToken::Number: scan_number_token(); return;
    case JsonToken::Bool: read_bool(); return;
    case JsonToken::Null: read_null_if_present(); return;
    case JsonToken::End: fail_syntax("EOF while parsing a value");
    case JsonToken::Array:
    case JsonToken::Object: break;
  }
  // A container: walk to its matching close without building anything. Strings are skipped
  // whole, so brackets inside them do not count.
  std::size_t depth = 0;
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (c == '"') {
      ++pos_;
      while (pos_ < text_.size() && text_[pos_] != '"') pos_ += text_[pos_] == '\\' ? 2 : 1;
      if (pos_ >= text_.size()) break;
      ++pos_;
      continue;
    }
    ++pos_;
    if (c == '\n') {
      ++line_;
      line_start_ = pos_;
    } else if (c == '[' || c == '{') {
      ++depth;
    } else if (c == ']' || c == '}') {
      if (--depth == 0) return;
    }
  }
  pos_ = text_.size();
  fail_syntax("EOF while parsing a value");
}

void JsonCursor::begin_object(std::string_view expected) {
  if (peek() != JsonToken::Object) fail_invalid_type(expected);
  ++pos_;
  enter();
  first_in_container_.push_back(true);
}

bool JsonCursor::next_in_container(char close, std::string_view eof_message) {
  skip_ws();
  if (pos_ >= text_.size()) fail_syntax(eof_message);
  const bool first = !first_in_container_.empty() && first_in_container_.back();
  if (text_[pos_] == close) {
    ++pos_;
    leave();
    if (!first_in_container_.empty()) first_in_container_.pop_back();
    return false;
  }
  if (!first) {
    if (text_[pos_] != ',') {
      ++pos_;
      fail_syntax(close == '}' ? "expected `,` or `}`" : "expected `,` or `]`");
    }
    ++pos_;
    skip_ws();
    if (pos_ >= text_.size()) fail_syntax(eof_message);
    if (text_[pos_] == close) {
      ++pos_;
      fail_syntax("trailing comma");
    }
  }
  if (!first_in_container_.empty()) first_in_container_.back() = false;
  return true;
}

std::optional<std::string> JsonCursor::next_key() {
  if (pending_colon_) skip_value();  // the caller left the previous value unread
  if (!next_in_container('}', "EOF while parsing an object")) return std::nullopt;
  if (text_[pos_] != '"') {
    ++pos_;
    fail_syntax("key must be a string");
  }
  std::string key = parse_string_token();
  pending_colon_ = true;
  return key;
}

void JsonCursor::begin_array(std::string_view expected) {
  if (peek() != JsonToken::Array) fail_invalid_type(expected);
  ++pos_;
  enter();
  first_in_container_.push_back(true);
}

bool JsonCursor::next_element() { return next_in_container(']', "EOF while parsing a list"); }

void JsonCursor::expect_end() {
  consume_pending_colon();
  skip_ws();
  if (pos_ < text_.size()) {
    ++pos_;
    fail_syntax("trailing characters");
  }
}

// ---------------------------------------------------------------------------------------------
// Messages of the record reader.

namespace json_detail {

std::string missing_field(std::string_view key) { return "missing field `" + std::string(key) + "`"; }

std::string duplicate_field(std::string_view key) { return "duplicate field `" + std::string(key) + "`"; }

std::string unknown_field(std::string_view key, const std::vector<std::string_view>& expected) {
  std::string m = "unknown field `";
  m.append(bounded_excerpt(key, MAX_QUOTED_CHARS, Keep::Head)).append("`, ");
  if (expected.empty()) return m.append("there are no fields");
  m.append(expected.size() > 2 ? "expected one of " : "expected ");
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (i) m.append(expected.size() == 2 ? " or " : ", ");
    m.append("`").append(expected[i]).append("`");
  }
  return m;
}

std::string invalid_length(std::size_t n, std::string_view record, std::size_t fields) {
  return "invalid length " + std::to_string(n) + ", expected struct " + std::string(record) + " with " +
         std::to_string(fields) + (fields == 1 ? " element" : " elements");
}

std::string expected_struct(std::string_view record) { return "struct " + std::string(record); }

}  // namespace json_detail

// ---------------------------------------------------------------------------------------------
// Writers

void read_json_value(JsonCursor& c, std::string& v) { v = c.read_string(); }
void read_json_value(JsonCursor& c, bool& v) { v = c.read_bool(); }

void write_json_value(nlohmann::ordered_json& out, const std::string& v) { out = v; }
void write_json_value(nlohmann::ordered_json& out, bool v) { out = v; }

void write_json_value(nlohmann::ordered_json& out, float v) {
  if (!std::isfinite(v)) {
    out = nullptr;
    return;
  }
  // The shortest text of the float, read back as a double, prints as that same short text.
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  double d = v;
  std::from_chars(buf, r.ptr, d);
  out = d;
}

void write_json_value(nlohmann::ordered_json& out, double v) {
  if (std::isfinite(v)) {
    out = v;
  } else {
    out = nullptr;
  }
}

std::string dump_json(const nlohmann::ordered_json& v, JsonStyle style) {
  return v.dump(style == JsonStyle::Pretty ? 2 : -1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string dump_json(const nlohmann::json& v, JsonStyle style) {
  return v.dump(style == JsonStyle::Pretty ? 2 : -1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace qx

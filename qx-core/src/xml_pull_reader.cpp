#include "xml_pull_reader.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "unicode_text.h"

namespace qx {

namespace {

constexpr std::size_t NPOS = std::string_view::npos;
// Names quoted in error texts are cut to this many characters: the text is shown to the user.
constexpr std::size_t MAX_NAME_IN_MESSAGE = 40;

constexpr bool is_name_start(char c) {
  return is_ascii_alpha(c) || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

constexpr bool is_tag_stop(char c) { return c == '>' || c == '"' || c == '\''; }

constexpr bool is_html_blank(char c) { return is_xml_blank(c) || c == '\f'; }

// "<name>" or "</name>" for an error text, the name cut short when long.
std::string tag_text(std::string_view open, std::string_view name) {
  const std::string_view cut = utf8_prefix_chars(name, MAX_NAME_IN_MESSAGE);
  std::string s(open);
  s += cut;
  if (cut.size() < name.size()) s += "…";
  if (open == "</") s += '>';
  return s;
}

// The first position of needle at or after from, or NPOS. memchr finds the candidates.
std::size_t find_seq(std::string_view hay, std::string_view needle, std::size_t from) {
  while (from + needle.size() <= hay.size()) {
    const void* hit = std::memchr(hay.data() + from, needle[0], hay.size() - from - needle.size() + 1);
    if (!hit) return NPOS;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data());
    if (hay.compare(at, needle.size(), needle) == 0) return at;
    from = at + 1;
  }
  return NPOS;
}

std::size_t find_char(std::string_view hay, char c, std::size_t from) {
  if (from >= hay.size()) return NPOS;
  // Most spans in markup are short: look at a few bytes before paying for a library call.
  const std::size_t near_end = std::min(hay.size(), from + 16);
  for (std::size_t i = from; i < near_end; ++i)
    if (hay[i] == c) return i;
  if (near_end == hay.size()) return NPOS;
  const void* hit = std::memchr(hay.data() + near_end, c, hay.size() - near_end);
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data()) : NPOS;
}

bool is_xml_char(std::uint32_t cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
         (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// The character a reference body (the text between "&#" and ";") names, or none.
std::optional<std::uint32_t> parse_char_ref(std::string_view body) {
  int base = 10;
  if (!body.empty() && body[0] == 'x') {
    base = 16;
    body.remove_prefix(1);
  }
  if (body.empty()) return std::nullopt;
  std::uint32_t cp = 0;
  for (char c : body) {
    std::uint32_t d;
    if (is_ascii_digit(c))
      d = static_cast<std::uint32_t>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = static_cast<std::uint32_t>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = static_cast<std::uint32_t>(c - 'A' + 10);
    else
      return std::nullopt;
    cp = cp * static_cast<std::uint32_t>(base) + d;
    if (cp > 0x10FFFF) return std::nullopt;  // also keeps the product from overflowing
  }
  if (!is_xml_char(cp)) return std::nullopt;
  return cp;
}

}  // namespace

XmlPullReader::XmlPullReader(std::string_view input) : in_(input) {}

XmlEvent XmlPullReader::fail(std::size_t at, std::string_view what, std::string_view detail) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < at && i < in_.size(); ++i) {
    const char c = in_[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= in_.size() || in_[i + 1] != '\n'))) {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++column;
    }
  }
  error_.assign(what);
  error_ += " at line " + std::to_string(line) + " column " + std::to_string(column);
  if (!detail.empty()) {
    error_ += ": ";
    error_ += detail;
  }
  failed_ = true;
  pos_ = in_.size();
  return next();
}

XmlEvent XmlPullReader::next() {
  if (failed_) return {XmlEventKind::Error, {}, error_};
  while (pos_ < in_.size()) {
    if (in_[pos_] == '<') return read_markup();
    std::size_t end = find_char(in_, '<', pos_);
    if (end == NPOS) end = in_.size();
    const std::string_view text = trim_xml_blanks(in_.substr(pos_, end - pos_));
    pos_ = end;
    if (!text.empty()) return {XmlEventKind::Text, {}, text};
  }
  return {XmlEventKind::EndOfInput, {}, {}};
}

XmlEvent XmlPullReader::read_markup() {
  if (pos_ + 1 >= in_.size()) return fail(pos_, "'<' starts no tag");
  const char c = in_[pos_ + 1];
  if (c == '/') return read_end_tag();
  if (c == '!') return read_bang();
  if (c == '?') return read_question();
  if (is_name_start(c)) return read_start_tag();
  return fail(pos_, "'<' starts no tag");
}

XmlEvent XmlPullReader::read_start_tag() {
  const std::size_t start = pos_;
  std::size_t i = pos_ + 1;
  while (i < in_.size() && !is_xml_blank(in_[i]) && in_[i] != '/' && in_[i] != '>') ++i;
  const std::size_t name_end = i;
  const std::string_view name = in_.substr(pos_ + 1, name_end - pos_ - 1);

  // The tag ends at the first ">" outside a quoted value. A quote opens a value only right
  // after "=" (blanks allowed between), so a stray apostrophe elsewhere cannot swallow the tag.
  std::size_t close = NPOS;
  while (i < in_.size()) {
    while (i < in_.size() && !is_tag_stop(in_[i])) ++i;
    if (i >= in_.size()) break;
    const char c = in_[i];
    if (c == '>') {
      close = i;
      break;
    }
    std::size_t before = i;
    while (before > name_end && is_xml_blank(in_[before - 1])) --before;
    if (before > name_end && in_[before - 1] == '=') {
      const std::size_t q = find_char(in_, c, i + 1);
      if (q == NPOS) break;
      i = q + 1;
    } else {
      ++i;
    }
  }
  if (close == NPOS) return fail(start, "unterminated start tag", tag_text("<", name));

  pos_ = close + 1;
  const bool empty = close > name_end && in_[close - 1] == '/';
  const std::size_t attrs_end = empty ? close - 1 : close;
  const XmlElement element{name, in_.substr(name_end, attrs_end - name_end)};
  if (empty) return {XmlEventKind::Empty, element, {}};
  open_.push_back(name);
  return {XmlEventKind::Start, element, {}};
}

XmlEvent XmlPullReader::read_end_tag() {
  const std::size_t start = pos_;
  const std::size_t close = find_char(in_, '>', pos_ + 2);
  if (close == NPOS) return fail(start, "unterminated end tag");
  std::size_t i = pos_ + 2;
  while (i < close && !is_xml_blank(in_[i])) ++i;
  const std::string_view name = in_.substr(pos_ + 2, i - pos_ - 2);
  while (i < close && is_xml_blank(in_[i])) ++i;
  if (name.empty() || i != close) return fail(start, "malformed end tag");
  if (open_.empty())
    return fail(start, "end tag without a start tag", "found " + tag_text("</", name));
  if (open_.back() != name)
    return fail(start, "mismatched end tag",
                "expected " + tag_text("</", open_.back()) + ", found " + tag_text("</", name));
  open_.pop_back();
  pos_ = close + 1;
  return {XmlEventKind::End, {name, {}}, {}};
}

XmlEvent XmlPullReader::read_bang() {
  const std::string_view rest = in_.substr(pos_);
  if (rest.starts_with("<!--")) {
    const std::size_t end = find_seq(in_, "-->", pos_ + 4);
    if (end == NPOS) return fail(pos_, "unterminated comment");
    const std::string_view body = in_.substr(pos_ + 4, end - pos_ - 4);
    pos_ = end + 3;
    return {XmlEventKind::Comment, {}, body};
  }
  if (rest.starts_with("<![CDATA[")) {
    const std::size_t end = find_seq(in_, "]]>", pos_ + 9);
    if (end == NPOS) return fail(pos_, "unterminated CDATA section");
    const std::string_view body = in_.substr(pos_ + 9, end - pos_ - 9);
    pos_ = end + 3;
    return {XmlEventKind::CData, {}, body};
  }
  if (rest.size() >= 9 && ascii_iequals(rest.substr(0, 9), "<!DOCTYPE")) return read_doctype();
  return fail(pos_, "unknown markup declaration");
}

XmlEvent XmlPullReader::read_doctype() {
  const std::size_t start = pos_;
  std::size_t i = pos_ + 9;
  bool in_subset = false;
  while (i < in_.size()) {
    const char c = in_[i];
    if (c == '"' || c == '\'') {
      const std::size_t q = find_char(in_, c, i + 1);
      if (q == NPOS) break;
      i = q + 1;
      continue;
    }
    if (in_subset) {
      // Comments and processing instructions in the subset may hold quotes and brackets.
      if (in_.compare(i, 4, "<!--") == 0) {
        const std::size_t end = find_seq(in_, "-->", i + 4);
        if (end == NPOS) break;
        i = end + 3;
        continue;
      }
      if (in_.compare(i, 2, "<?") == 0) {
        const std::size_t end = find_seq(in_, "?>", i + 2);
        if (end == NPOS) break;
        i = end + 2;
        continue;
      }
      if (c == ']') in_subset = false;
    } else if (c == '[') {
      in_subset = true;
    } else if (c == '>') {
      const std::string_view body = trim_xml_blanks(in_.substr(start + 9, i - start - 9));
      pos_ = i + 1;
      return {XmlEventKind::DocType, {}, body};
    }
    ++i;
  }
  return fail(start, "unterminated document type declaration");
}

XmlEvent XmlPullReader::read_question() {
  const std::size_t start = pos_;
  const std::size_t end = find_seq(in_, "?>", pos_ + 2);
  if (end == NPOS) return fail(start, "unterminated processing instruction");
  std::size_t i = pos_ + 2;
  while (i < end && !is_xml_blank(in_[i])) ++i;
  const std::string_view target = in_.substr(pos_ + 2, i - pos_ - 2);
  if (target.empty()) return fail(start, "processing instruction without a target");
  const std::string_view body = trim_xml_blanks(in_.substr(i, end - i));
  pos_ = end + 2;
  const XmlEventKind kind =
      target == "xml" ? XmlEventKind::Declaration : XmlEventKind::ProcessingInstruction;
  return {kind, {target, {}}, body};
}

std::optional<std::string> xml_unescape(std::string_view raw) {
  std::size_t amp = find_char(raw, '&', 0);
  if (amp == NPOS) return std::string(raw);
  std::string out;
  out.reserve(raw.size());
  std::size_t from = 0;
  while (amp != NPOS) {
    out.append(raw.substr(from, amp - from));
    const std::size_t semi = find_char(raw, ';', amp + 1);
    if (semi == NPOS) return std::nullopt;
    const std::string_view name = raw.substr(amp + 1, semi - amp - 1);
    if (name == "amp")
      out += '&';
    else if (name == "lt")
      out += '<';
    else if (name == "gt")
      out += '>';
    else if (name == "quot")
      out += '"';
    else if (name == "apos")
      out += '\'';
    else if (name.starts_with('#')) {
      const std::optional<std::uint32_t> cp = parse_char_ref(name.substr(1));
      if (!cp) return std::nullopt;
      append_utf8(out, *cp);
    } else {
      return std::nullopt;
    }
    from = semi + 1;
    amp = find_char(raw, '&', from);
  }
  out.append(raw.substr(from));
  return out;
}

namespace {

// A read position in an attribute region.
struct AttrCursor {
  std::string_view s;
  std::size_t i = 0;

  bool at_end() const { return i >= s.size(); }
  bool at(char c) const { return i < s.size() && s[i] == c; }
  bool at_quote() const { return at('"') || at('\''); }
  template <class Pred>
  std::string_view take_while(Pred keep) {
    const std::size_t from = i;
    while (i < s.size() && keep(s[i])) ++i;
    return s.substr(from, i - from);
  }
  // The body of the quoted value at the cursor; none when its quote is never closed.
  std::optional<std::string_view> take_quoted() {
    const std::size_t q = find_char(s, s[i], i + 1);
    if (q == NPOS) {
      i = s.size();
      return std::nullopt;
    }
    const std::string_view body = s.substr(i + 1, q - i - 1);
    i = q + 1;
    return body;
  }
};

}  // namespace

std::vector<XmlAttr> xml_attrs(std::string_view region) {
  std::vector<XmlAttr> out;
  AttrCursor c{region};
  while (!c.at_end()) {
    c.take_while(is_xml_blank);
    if (c.at_end()) break;
    const std::string_view name = c.take_while([](char ch) { return !is_xml_blank(ch) && ch != '='; });
    c.take_while(is_xml_blank);
    if (!c.at('=')) continue;  // no value: skipped, the next word is read afresh
    ++c.i;
    c.take_while(is_xml_blank);
    if (!c.at_quote()) {
      c.take_while([](char ch) { return !is_xml_blank(ch); });  // an unquoted value is skipped whole
      continue;
    }
    const std::optional<std::string_view> raw = c.take_quoted();
    if (raw && !name.empty()) out.push_back({name, *raw, xml_unescape(*raw)});
  }
  return out;
}

std::vector<XmlAttr> html_attrs(std::string_view region) {
  std::vector<XmlAttr> out;
  std::unordered_set<std::string> seen;
  AttrCursor c{region};
  while (!c.at_end()) {
    c.take_while([](char ch) { return is_html_blank(ch) || ch == '/'; });
    if (c.at_end()) break;
    const std::size_t name_start = c.i++;  // a leading "=" belongs to the name
    c.take_while([](char ch) { return !is_html_blank(ch) && ch != '/' && ch != '=' && ch != '>'; });
    const std::string_view name = region.substr(name_start, c.i - name_start);
    c.take_while(is_html_blank);
    std::string_view raw;
    if (c.at('=')) {
      ++c.i;
      c.take_while(is_html_blank);
      if (c.at_quote()) {
        const std::optional<std::string_view> quoted = c.take_quoted();
        if (!quoted) break;
        raw = *quoted;
      } else {
        raw = c.take_while([](char ch) { return !is_html_blank(ch) && ch != '>'; });
      }
    }
    // A set, not a scan of what was kept: a hostile tag may hold a hundred thousand names.
    if (seen.insert(ascii_lower(name)).second) out.push_back({name, raw, xml_unescape(raw)});
  }
  return out;
}

}  // namespace qx

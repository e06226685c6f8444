// A small XML pull tokenizer over text in memory, made for reading feeds.
//
// What it does:
//  - Events: start tag, end tag, empty element (one event, never pushed), text, CDATA, comment,
//    XML declaration, processing instruction, document type, end of input, error.
//  - Text is handed over raw: trimmed of XML blanks (space, tab, CR, LF) at both ends, whitespace-
//    only text produces no event, and "&" is never interpreted. CDATA is handed over untrimmed.
//  - End tags must match the reader's own stack of open start tags byte for byte.
//  - No DTD processing and no entity expansion, ever: a document type is skipped (its internal
//    subset and quoted literals respected) and reported as one event.
//  - Comments are not checked ("--" inside is fine).
//
// Choices where XML leaves room or demands more than feeds need:
//  - The end of input with elements still open is not an error: the reader reports EndOfInput, so
//    a truncated feed still gives what was read before the cut.
//  - Text outside the root element, several root elements and declarations anywhere are accepted.
//  - A "<" that starts no valid construct (a blank, a digit or "=" after it, an unknown "<!...")
//    is an error, as is any construct left unterminated at the end of input.
//  - "<!DOCTYPE" is recognised in any letter case.
//  - NUL and other control bytes are plain data.
//
// Errors are sticky: once next() has reported an error it keeps reporting it. Their text says what
// went wrong and where (line and column of the offending "<", both counted from 1, columns in
// characters), for example "mismatched end tag at line 3 column 15: expected </item>, found
// </channel>".
//
// Every view in an event points into the input (or, for an error, into the reader), so the input
// must outlive the events. Nesting is tracked in a flat vector, never by recursion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qx {

enum class XmlEventKind : std::uint8_t {
  Start,
  End,
  Empty,
  Text,
  CData,
  Comment,
  Declaration,            // <?xml ...?>
  ProcessingInstruction,  // any other <?target ...?>
  DocType,
  EndOfInput,
  Error,
};

// A start tag or empty element: its raw name and the raw region of its attributes (everything
// between the name and the closing ">" or "/>").
struct XmlElement {
  std::string_view name;
  std::string_view attrs;
};

struct XmlEvent {
  XmlEventKind kind = XmlEventKind::EndOfInput;
  // Start and Empty: name and attribute region. End: name. Declaration and processing
  // instruction: the target as name.
  XmlElement element;
  // Text (trimmed), CDATA, comment, the body of a declaration, processing instruction or
  // document type; for Error the message.
  std::string_view text;
};

class XmlPullReader {
 public:
  explicit XmlPullReader(std::string_view input);

  XmlEvent next();

  // Elements open right now.
  std::size_t depth() const { return open_.size(); }

 private:
  XmlEvent fail(std::size_t at, std::string_view what, std::string_view detail = {});
  XmlEvent read_markup();
  XmlEvent read_start_tag();
  XmlEvent read_end_tag();
  XmlEvent read_bang();
  XmlEvent read_question();
  XmlEvent read_doctype();

  std::string_view in_;
  std::size_t pos_ = 0;
  std::vector<std::string_view> open_;
  std::string error_;
  bool failed_ = false;
};

// One attribute of a start tag. raw is the value as written (between the quotes, or the bare
// token of an unquoted value); value is raw with XML references resolved, or none when that
// failed (an unknown entity such as "&nbsp;", a bare "&", a reference to a character XML forbids).
struct XmlAttr {
  std::string_view name;
  std::string_view raw;
  std::optional<std::string> value;
};

// The attributes of an attribute region by XML rules: name="value" or name='value' only; a
// malformed attribute (no "=", an unquoted value, an unterminated quote) is skipped and the
// walk goes on. Repeated names are all reported, in order.
std::vector<XmlAttr> xml_attrs(std::string_view region);

// The attributes by HTML rules: quoted, unquoted (name=value) and valueless (name) attributes;
// a repeated name (ASCII case-insensitive) is skipped, the first occurrence kept.
std::vector<XmlAttr> html_attrs(std::string_view region);

// Resolves the five predefined entities and decimal or hexadecimal character references.
// None for anything else after "&", or a reference to a character XML does not allow.
std::optional<std::string> xml_unescape(std::string_view raw);

}  // namespace qx

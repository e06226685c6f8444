#include "unicode_text.h"

#include <cstring>

namespace qx {

namespace {

constexpr bool is_cont(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

Utf8Step utf8_decode(std::string_view s, std::size_t pos) {
  const auto b0 = static_cast<unsigned char>(s[pos]);
  if (b0 < 0x80) return {b0, 1, true};
  std::size_t need;
  char32_t cp;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return {REPLACEMENT_CHARACTER, 1, false};
  }
  std::size_t i = 1;
  for (; i <= need; ++i) {
    if (pos + i >= s.size()) return {REPLACEMENT_CHARACTER, i, false};
    const auto b = static_cast<unsigned char>(s[pos + i]);
    if (b < lo || b > hi) return {REPLACEMENT_CHARACTER, i, false};
    lo = 0x80;
    hi = 0xBF;
    cp = (cp << 6) | (b & 0x3F);
  }
  return {cp, need + 1, true};
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = REPLACEMENT_CHARACTER;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string encode_utf8(char32_t cp) {
  std::string s;
  append_utf8(s, cp);
  return s;
}

bool is_valid_utf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    // Whole feeds pass through here: skip ASCII a word at a time.
    while (i + 8 <= s.size()) {
      std::uint64_t w;
      std::memcpy(&w, s.data() + i, 8);
      if (w & 0x8080808080808080ULL) break;
      i += 8;
    }
    if (i >= s.size()) break;
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const Utf8Step st = utf8_decode(s, i);
    if (!st.valid) return false;
    i += st.len;
  }
  return true;
}

std::string sanitize_utf8(std::string_view s) {
  if (is_valid_utf8(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() + 8);
  for (std::size_t i = 0; i < s.size();) {
    const Utf8Step st = utf8_decode(s, i);
    if (st.valid)
      out.append(s.substr(i, st.len));
    else
      append_utf8(out, REPLACEMENT_CHARACTER);
    i += st.len;
  }
  return out;
}

std::size_t char_count(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size();) {
    i += utf8_decode(s, i).len;
    ++n;
  }
  return n;
}

std::string_view utf8_prefix_chars(std::string_view s, std::size_t n) {
  std::size_t i = 0;
  for (std::size_t k = 0; k < n && i < s.size(); ++k) i += utf8_decode(s, i).len;
  return s.substr(0, i);
}

bool is_unicode_whitespace(char32_t cp) {
  switch (cp) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20: case 0x85: case 0xA0:
    case 0x1680: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return cp >= 0x2000 && cp <= 0x200A;
  }
}

std::string_view trim_unicode_whitespace_start(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const Utf8Step st = utf8_decode(s, i);
    if (!st.valid || !is_unicode_whitespace(st.cp)) break;
    i += st.len;
  }
  return s.substr(i);
}

std::string_view trim_unicode_whitespace_end(std::string_view s) {
  // Walk forward (a backward walk would misjudge malformed tails) and remember where
  // the last non-whitespace character ended.
  std::size_t end = 0;
  for (std::size_t i = 0; i < s.size();) {
    const Utf8Step st = utf8_decode(s, i);
    i += st.len;
    if (!st.valid || !is_unicode_whitespace(st.cp)) end = i;
  }
  return s.substr(0, end);
}

std::string_view trim_unicode_whitespace(std::string_view s) {
  return trim_unicode_whitespace_end(trim_unicode_whitespace_start(s));
}

bool contains_unicode_whitespace(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const Utf8Step st = utf8_decode(s, i);
    if (st.valid && is_unicode_whitespace(st.cp)) return true;
    i += st.len;
  }
  return false;
}

bool is_blank(std::string_view s) { return trim_unicode_whitespace_start(s).empty(); }

std::string ascii_lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_lower(c);
  return out;
}

std::string ascii_upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = ascii_upper(c);
  return out;
}

bool ascii_iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  return true;
}

std::size_t ascii_ifind(std::string_view hay, std::string_view needle, std::size_t from) {
  if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
  if (hay.size() < needle.size()) return std::string_view::npos;
  const char first = ascii_lower(needle[0]);
  for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
    if (ascii_lower(hay[i]) != first) continue;
    if (ascii_iequals(hay.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

std::string_view trim_xml_blanks(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && is_xml_blank(s[b])) ++b;
  while (e > b && is_xml_blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::u16string utf8_to_utf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    const Utf8Step st = utf8_decode(s, i);
    i += st.len;
    char32_t cp = st.cp;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string utf16_to_utf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = REPLACEMENT_CHARACTER;
    }
    append_utf8(out, c);
  }
  return out;
}

std::wstring utf8_to_wide(std::string_view s) {
  if constexpr (sizeof(wchar_t) == 2) {
    const std::u16string u = utf8_to_utf16(s);
    return std::wstring(u.begin(), u.end());
  } else {
    std::wstring out;
    for (std::size_t i = 0; i < s.size();) {
      const Utf8Step st = utf8_decode(s, i);
      i += st.len;
      out.push_back(static_cast<wchar_t>(st.cp));
    }
    return out;
  }
}

std::string wide_to_utf8(std::wstring_view s) {
  if constexpr (sizeof(wchar_t) == 2) {
    const std::u16string u(s.begin(), s.end());
    return utf16_to_utf8(u);
  } else {
    std::string out;
    for (wchar_t c : s) append_utf8(out, static_cast<char32_t>(c));
    return out;
  }
}

}  // namespace qx

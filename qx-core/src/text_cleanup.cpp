#include "text_cleanup.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <system_error>

#include "unicode_text.h"

namespace qx {

namespace {

// "#" references: decimal, or hexadecimal after "x"/"X"; an optional "+", then digits only.
std::optional<char32_t> numeric_reference(std::string_view name) {
  int base = 10;
  if (!name.empty() && (name[0] == 'x' || name[0] == 'X')) {
    base = 16;
    name.remove_prefix(1);
  }
  if (!name.empty() && name[0] == '+') name.remove_prefix(1);
  if (name.empty()) return std::nullopt;
  std::uint32_t v = 0;
  const auto [p, ec] = std::from_chars(name.data(), name.data() + name.size(), v, base);
  if (ec != std::errc() || p != name.data() + name.size()) return std::nullopt;
  if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return std::nullopt;
  const char32_t cp = v;
  // Printable characters and whitespace only: no NUL, no other C0 or C1 control.
  if ((cp >= 0x20 && (cp < 0x7F || cp >= 0xA0)) || is_unicode_whitespace(cp)) return cp;
  return std::nullopt;
}

std::optional<char32_t> named_reference(std::string_view name) {
  for (const HtmlEntity& e : HTML_ENTITY_TABLE) {
    if (e.name == name) return e.cp;
  }
  return std::nullopt;
}

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

std::string decode_html_entities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t amp = text.find('&', i);
    if (amp == std::string_view::npos) {
      out.append(text.substr(i));
      break;
    }
    out.append(text.substr(i, amp - i));
    const std::size_t semi = text.substr(amp + 1, MAX_ENTITY_SPAN).find(';');
    std::optional<char32_t> cp;
    if (semi != std::string_view::npos) {
      const std::string_view name = text.substr(amp + 1, semi);
      cp = (!name.empty() && name[0] == '#') ? numeric_reference(name.substr(1)) : named_reference(name);
    }
    if (cp) {
      append_utf8(out, *cp);
      i = amp + 1 + semi + 1;
    } else {
      out += '&';
      i = amp + 1;
    }
  }
  return out;
}

std::string strip_tags(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool in_tag = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_tag) {
      if (c == '>') in_tag = false;
      continue;
    }
    if (c == '<' && i + 1 < text.size() && (is_ascii_alpha(text[i + 1]) || text[i + 1] == '/')) {
      in_tag = true;
      continue;
    }
    out += c;
  }
  return out;
}

std::string collapse_text(std::string_view text, std::size_t n) {
  std::string out;
  std::size_t chars = 0;
  bool gap = false;  // whitespace seen since the last word
  for (std::size_t i = 0; i < text.size() && chars < n;) {
    const Utf8Step step = utf8_decode(text, i);
    if (step.valid && is_unicode_whitespace(step.cp)) {
      gap = !out.empty();
    } else {
      if (gap) {
        out += ' ';
        gap = false;
        if (++chars == n) break;
      }
      out.append(text.substr(i, step.len));
      ++chars;
    }
    i += step.len;
  }
  if (out.empty()) return "LIVE";
  return out;
}

std::string normalize_picture_url(std::string_view address) {
  std::string a = starts_with(address, "http://") ? "https://" + std::string(address.substr(7)) : std::string(address);
  if (starts_with(a, NEWS_PICTURE_PREFIX)) {
    static constexpr std::string_view FROM = "/standard/240/";
    static constexpr std::string_view TO = "/standard/640/";
    for (std::size_t at = a.find(FROM); at != std::string::npos; at = a.find(FROM, at + TO.size())) {
      a.replace(at, FROM.size(), TO);
    }
  } else if (starts_with(a, UPLOADS_PICTURE_PREFIX) && a.find('?') == std::string::npos) {
    a += PICTURE_WIDTH_QUERY;
  }
  return a;
}

CoreResult<Unit> validate_https_url(std::string_view address) {
  if (starts_with(address, "https://") && address.size() > 8 && !contains_unicode_whitespace(address)) return Unit{};
  return err(CoreError::invalid_url(std::string(address)));
}

}  // namespace qx

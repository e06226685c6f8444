#include "url.h"

#include <vector>

#include "unicode_text.h"

namespace qx {

namespace {

constexpr std::string_view LOOPBACK_HOST = "127.0.0.1";

bool is_scheme_char(char c) { return is_ascii_alnum(c) || c == '+' || c == '-' || c == '.'; }

std::uint16_t default_port(std::string_view scheme) {
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  return 0;
}

// Length of a leading "scheme:", or 0 when the text does not start with one.
std::size_t scheme_length(std::string_view s) {
  if (s.empty() || !is_ascii_alpha(s[0])) return 0;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i] == ':') return i;
    if (!is_scheme_char(s[i])) return 0;
  }
  return 0;
}

bool is_forbidden_host_byte(unsigned char c) {
  if (c <= 0x20 || c == 0x7F) return true;
  switch (c) {
    case '"': case '#': case '%': case '/': case '<': case '>': case '?': case '@':
    case '[': case '\\': case ']': case '^': case '`': case '{': case '|': case '}':
      return true;
    default:
      return false;
  }
}

bool parse_port(std::string_view digits, std::uint16_t& port) {
  if (digits.empty() || digits.size() > 5) return false;
  unsigned value = 0;
  for (char c : digits) {
    if (!is_ascii_digit(c)) return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return false;
  port = static_cast<std::uint16_t>(value);
  return true;
}

std::string_view drop_fragment(std::string_view s) {
  std::size_t hash = s.find('#');
  return hash == std::string_view::npos ? s : s.substr(0, hash);
}

// Splits "path?query" into the path and the "?query" part (with its "?").
std::pair<std::string_view, std::string_view> split_query(std::string_view s) {
  std::size_t q = s.find('?');
  if (q == std::string_view::npos) return {s, {}};
  return {s.substr(0, q), s.substr(q)};
}

}  // namespace

std::string Url::to_string() const {
  std::string out = scheme + "://";
  if (host.find(':') != std::string::npos) {
    out += '[' + host + ']';
  } else {
    out += host;
  }
  if (port != default_port(scheme)) out += ':' + std::to_string(port);
  out += path;
  return out;
}

std::string percent_encode_unsafe(std::string_view text) {
  static constexpr char HEX[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    bool unsafe = c <= 0x20 || c >= 0x7F;
    switch (c) {
      case '"': case '<': case '>': case '\\': case '^': case '`': case '{': case '|': case '}':
        unsafe = true;
        break;
      default:
        break;
    }
    if (unsafe) {
      out += '%';
      out += HEX[c >> 4];
      out += HEX[c & 0x0F];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string remove_dot_segments(std::string_view path) {
  std::vector<std::string_view> out;
  std::string_view in = path;
  bool absolute = !in.empty() && in.front() == '/';
  bool trailing_slash = false;
  std::size_t pos = absolute ? 1 : 0;
  while (pos <= in.size()) {
    std::size_t end = in.find('/', pos);
    if (end == std::string_view::npos) end = in.size();
    std::string_view seg = in.substr(pos, end - pos);
    bool last = end == in.size();
    if (seg == ".") {
      trailing_slash = last;
    } else if (seg == "..") {
      if (!out.empty()) out.pop_back();
      trailing_slash = last;
    } else {
      out.push_back(seg);
      trailing_slash = false;
    }
    pos = end + 1;
  }
  std::string result = absolute ? "/" : "";
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (i > 0) result += '/';
    result += out[i];
  }
  if (trailing_slash && !out.empty() && !out.back().empty()) result += '/';
  return result;
}

std::optional<Url> parse_url(std::string_view text) {
  text = drop_fragment(text);
  std::size_t slen = scheme_length(text);
  if (slen == 0) return std::nullopt;
  Url url;
  url.scheme = ascii_lower(text.substr(0, slen));
  std::string_view rest = text.substr(slen + 1);
  if (rest.substr(0, 2) != "//") return std::nullopt;
  rest.remove_prefix(2);

  std::size_t auth_end = rest.find_first_of("/?");
  std::string_view authority = rest.substr(0, auth_end);
  std::string_view target = auth_end == std::string_view::npos ? std::string_view{} : rest.substr(auth_end);

  // User information is never sent: everything up to the last "@" goes.
  std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) authority.remove_prefix(at + 1);

  std::string_view host;
  std::string_view port_text;
  bool has_port = false;
  if (!authority.empty() && authority.front() == '[') {
    std::size_t close = authority.find(']');
    if (close == std::string_view::npos || close == 1) return std::nullopt;
    host = authority.substr(1, close - 1);
    for (char c : host) {
      if (!is_ascii_hex(c) && c != ':' && c != '.') return std::nullopt;
    }
    std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return std::nullopt;
      port_text = after.substr(1);
      has_port = true;
    }
  } else {
    std::size_t colon = authority.rfind(':');
    host = authority.substr(0, colon);
    if (colon != std::string_view::npos) {
      port_text = authority.substr(colon + 1);
      has_port = true;
    }
    if (host.empty()) return std::nullopt;
    for (char c : host) {
      if (is_forbidden_host_byte(static_cast<unsigned char>(c)) || c == ':') return std::nullopt;
    }
    if (!is_valid_utf8(host)) return std::nullopt;
  }
  url.host = ascii_lower(host);

  if (has_port && !port_text.empty()) {
    if (!parse_port(port_text, url.port)) return std::nullopt;
  } else {
    url.port = default_port(url.scheme);
    if (url.port == 0) return std::nullopt;
  }

  auto [path, query] = split_query(target);
  std::string normalized = path.empty() ? std::string("/") : remove_dot_segments(path);
  if (normalized.empty() || normalized.front() != '/') normalized.insert(normalized.begin(), '/');
  url.path = percent_encode_unsafe(normalized) + percent_encode_unsafe(query);
  return url;
}

std::optional<Url> resolve_url(const Url& base, std::string_view reference) {
  reference = drop_fragment(reference);
  // Surrounding blanks are not part of a header value's address.
  reference = trim_xml_blanks(reference);
  if (scheme_length(reference) != 0) return parse_url(reference);
  if (reference.substr(0, 2) == "//") return parse_url(base.scheme + ":" + std::string(reference));

  Url out = base;
  auto [base_path, base_query] = split_query(base.path);
  auto [ref_path, ref_query] = split_query(reference);
  std::string path;
  std::string_view query = ref_query;
  if (ref_path.empty()) {
    path = std::string(base_path);
    if (ref_query.empty()) query = base_query;
  } else if (ref_path.front() == '/') {
    path = remove_dot_segments(ref_path);
  } else {
    std::size_t slash = base_path.rfind('/');
    std::string merged = std::string(base_path.substr(0, slash + 1)) + std::string(ref_path);
    path = remove_dot_segments(merged);
  }
  if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
  out.path = percent_encode_unsafe(path) + percent_encode_unsafe(query);
  return out;
}

bool is_allowed_request_url(const Url& url) {
  if (url.scheme == "https") return true;
  return url.scheme == "http" && url.host == LOOPBACK_HOST;
}

bool is_allowed_redirect(const Url& from, const Url& to) {
  if (to.scheme == "https") return true;
  return to.scheme == "http" && to.host == LOOPBACK_HOST && from.scheme == "http" &&
         from.host == LOOPBACK_HOST;
}

}  // namespace qx

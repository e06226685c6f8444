#include "text_encoding.h"

#include <algorithm>
#include <cstring>

#include "text_encoding_tables.h"
#include "unicode_text.h"

namespace qx {

namespace data = encoding_data;

namespace {

constexpr bool is_ascii_whitespace(char c) {
  return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

constexpr bool in_range(unsigned b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

unsigned byte_at(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

void append_error(std::string& out) { append_utf8(out, REPLACEMENT_CHARACTER); }

// 0 when the pointer has no code point.
char32_t index_code_point(std::span<const std::uint16_t> index, std::size_t pointer) {
  return pointer < index.size() ? index[pointer] : 0;
}

char32_t big5_code_point(std::size_t pointer) {
  if (pointer >= data::BIG5.size()) return 0;
  const char32_t low = data::BIG5[pointer];
  const bool plane2 = (data::BIG5_PLANE2[pointer / 8] >> (pointer % 8)) & 1;
  return plane2 ? 0x20000 | low : low;
}

char32_t gb18030_ranges_code_point(std::uint32_t pointer) {
  if ((pointer > 39419 && pointer < 189000) || pointer > 1237575) return 0;
  if (pointer == 7457) return 0xE7C7;
  const auto& ranges = data::GB18030_RANGES;
  // The last range that starts at or before the pointer; the first one starts at 0.
  auto it = std::upper_bound(ranges.begin(), ranges.end(), pointer,
                             [](std::uint32_t p, const data::Gb18030Range& r) { return p < r.pointer; });
  --it;
  return it->code_point + (pointer - it->pointer);
}

std::string decode_single_byte(std::string_view in, const std::uint16_t* table) {
  std::string out;
  out.reserve(in.size() + in.size() / 2);
  for (char c : in) {
    const unsigned b = static_cast<unsigned char>(c);
    if (b < 0x80)
      out.push_back(c);
    else
      append_utf8(out, table[b - 0x80]);
  }
  return out;
}

std::string decode_x_user_defined(std::string_view in) {
  std::string out;
  out.reserve(in.size() * 2);
  for (char c : in) {
    const unsigned b = static_cast<unsigned char>(c);
    if (b < 0x80)
      out.push_back(c);
    else
      append_utf8(out, 0xF780 + b - 0x80);
  }
  return out;
}

// "Prepending" bytes to the input, in the decoders below, is stepping the position back over
// bytes already read: they are always the ones just before it.

// Appends cp, or returns false for a pointer without one.
bool append_if_some(std::string& out, char32_t cp) {
  if (cp == 0) return false;
  append_utf8(out, cp);
  return true;
}

// The end of a two-byte sequence that has no code point: an error, after which an ASCII trail
// byte is read again on its own. How far to move on.
std::size_t after_bad_trail(std::string& out, unsigned trail) {
  append_error(out);
  return trail >= 0x80 ? 1 : 0;
}

std::string decode_gb18030(std::string_view in) {
  std::string out;
  out.reserve(in.size() + in.size() / 2);
  unsigned first = 0, second = 0, third = 0;
  std::size_t i = 0;
  while (i < in.size()) {
    const unsigned b = byte_at(in, i);
    if (third != 0) {
      if (!in_range(b, 0x30, 0x39)) {
        append_error(out);
        first = second = third = 0;
        i -= 2;  // read second, third and this byte again
        continue;
      }
      const std::uint32_t pointer = (first - 0x81) * (10 * 126 * 10) + (second - 0x30) * (10 * 126) +
                                    (third - 0x81) * 10 + (b - 0x30);
      first = second = third = 0;
      ++i;
      const char32_t cp = gb18030_ranges_code_point(pointer);
      if (!append_if_some(out, cp)) append_error(out);
      continue;
    }
    if (second != 0) {
      if (in_range(b, 0x81, 0xFE)) {
        third = b;
        ++i;
        continue;
      }
      append_error(out);
      first = second = 0;
      i -= 1;  // read second and this byte again
      continue;
    }
    if (first != 0) {
      if (in_range(b, 0x30, 0x39)) {
        second = b;
        ++i;
        continue;
      }
      const unsigned lead = first;
      first = 0;
      char32_t cp = 0;
      if (in_range(b, 0x40, 0x7E) || in_range(b, 0x80, 0xFE)) {
        const unsigned offset = b < 0x7F ? 0x40 : 0x41;
        cp = index_code_point(data::GB18030, (lead - 0x81) * 190 + (b - offset));
      }
      i += append_if_some(out, cp) ? 1 : after_bad_trail(out, b);
      continue;
    }
    ++i;
    if (b < 0x80)
      out.push_back(static_cast<char>(b));
    else if (b == 0x80)
      append_utf8(out, 0x20AC);
    else if (b <= 0xFE)
      first = b;
    else
      append_error(out);
  }
  if (first != 0 || second != 0 || third != 0) append_error(out);
  return out;
}

// The shape of Big5, Shift_JIS and EUC-KR: `lone(out, b)` handles a byte >= 0x80 outside a
// sequence (appends it, or returns it as a lead byte); `pair(out, lead, b)` appends what a lead
// and a trail byte stand for, or returns false.
template <class Lone, class Pair>
std::string decode_lead_trail(std::string_view in, Lone lone, Pair pair) {
  std::string out;
  out.reserve(in.size() + in.size() / 2);
  unsigned lead = 0;
  std::size_t i = 0;
  while (i < in.size()) {
    const unsigned b = byte_at(in, i);
    if (lead != 0) {
      const unsigned l = lead;
      lead = 0;
      i += pair(out, l, b) ? 1 : after_bad_trail(out, b);
      continue;
    }
    ++i;
    if (b < 0x80)
      out.push_back(static_cast<char>(b));
    else
      lead = lone(out, b);
  }
  if (lead != 0) append_error(out);
  return out;
}

std::string decode_big5(std::string_view in) {
  const auto lone = [](std::string& out, unsigned b) -> unsigned {
    if (in_range(b, 0x81, 0xFE)) return b;
    append_error(out);
    return 0;
  };
  const auto pair = [](std::string& out, unsigned lead, unsigned b) {
    if (!in_range(b, 0x40, 0x7E) && !in_range(b, 0xA1, 0xFE)) return false;
    const std::size_t pointer = (lead - 0x81) * 157 + (b - (b < 0x7F ? 0x40 : 0x62));
    // Four pointers stand for a letter with a combining mark.
    if (pointer == 1133 || pointer == 1135 || pointer == 1164 || pointer == 1166) {
      append_utf8(out, pointer < 1164 ? 0x00CA : 0x00EA);
      append_utf8(out, pointer == 1133 || pointer == 1164 ? 0x0304 : 0x030C);
      return true;
    }
    return append_if_some(out, big5_code_point(pointer));
  };
  return decode_lead_trail(in, lone, pair);
}

std::string decode_euc_jp(std::string_view in) {
  std::string out;
  out.reserve(in.size() + in.size() / 2);
  unsigned lead = 0;
  bool jis0212 = false;
  std::size_t i = 0;
  while (i < in.size()) {
    const unsigned b = byte_at(in, i);
    if (lead == 0x8E && in_range(b, 0xA1, 0xDF)) {
      lead = 0;
      append_utf8(out, 0xFF61 - 0xA1 + b);
      ++i;
      continue;
    }
    if (lead == 0x8F && in_range(b, 0xA1, 0xFE)) {
      jis0212 = true;
      lead = b;
      ++i;
      continue;
    }
    if (lead != 0) {
      const unsigned l = lead;
      lead = 0;
      char32_t cp = 0;
      if (in_range(l, 0xA1, 0xFE) && in_range(b, 0xA1, 0xFE))
        cp = index_code_point(jis0212 ? data::JIS0212 : data::JIS0208, (l - 0xA1) * 94 + b - 0xA1);
      jis0212 = false;
      i += append_if_some(out, cp) ? 1 : after_bad_trail(out, b);
      continue;
    }
    ++i;
    if (b < 0x80)
      out.push_back(static_cast<char>(b));
    else if (b == 0x8E || b == 0x8F || in_range(b, 0xA1, 0xFE))
      lead = b;
    else
      append_error(out);
  }
  if (lead != 0) append_error(out);
  return out;
}

std::string decode_iso_2022_jp(std::string_view in) {
  enum class State { Ascii, Roman, Katakana, LeadByte, TrailByte, EscapeStart, Escape };
  std::string out;
  out.reserve(in.size() + in.size() / 2);
  State state = State::Ascii, output_state = State::Ascii;
  unsigned lead = 0;
  bool output_flag = false;
  std::size_t i = 0;
  // i == in.size() is the end of the input; some states read it more than once.
  for (;;) {
    const bool end = i >= in.size();
    const unsigned b = end ? 0 : byte_at(in, i);
    switch (state) {
      case State::Ascii:
      case State::Roman:
      case State::Katakana:
      case State::LeadByte:
        if (end) return out;
        ++i;
        if (b == 0x1B) {
          state = State::EscapeStart;
          break;
        }
        output_flag = false;
        if (state == State::Ascii && b <= 0x7F && b != 0x0E && b != 0x0F) {
          out.push_back(static_cast<char>(b));
        } else if (state == State::Roman && b <= 0x7F && b != 0x0E && b != 0x0F) {
          append_utf8(out, b == 0x5C ? 0x00A5 : b == 0x7E ? 0x203E : b);
        } else if (state == State::Katakana && in_range(b, 0x21, 0x5F)) {
          append_utf8(out, 0xFF61 - 0x21 + b);
        } else if (state == State::LeadByte && in_range(b, 0x21, 0x7E)) {
          lead = b;
          state = State::TrailByte;
        } else {
          append_error(out);
        }
        break;
      case State::TrailByte:
        if (end) {
          state = State::LeadByte;
          append_error(out);
          break;
        }
        ++i;
        if (b == 0x1B) {
          state = State::EscapeStart;
          append_error(out);
        } else {
          state = State::LeadByte;
          const char32_t cp = in_range(b, 0x21, 0x7E)
                                  ? index_code_point(data::JIS0208, (lead - 0x21) * 94 + b - 0x21)
                                  : 0;
          if (!append_if_some(out, cp)) append_error(out);
        }
        break;
      case State::EscapeStart:
        if (!end && (b == 0x24 || b == 0x28)) {
          lead = b;
          state = State::Escape;
          ++i;
        } else {
          output_flag = false;
          state = output_state;
          append_error(out);  // this byte is read again in the restored state
        }
        break;
      case State::Escape: {
        const unsigned l = lead;
        lead = 0;
        std::optional<State> next;
        if (!end) {
          if (l == 0x28 && b == 0x42) next = State::Ascii;
          else if (l == 0x28 && b == 0x4A) next = State::Roman;
          else if (l == 0x28 && b == 0x49) next = State::Katakana;
          else if (l == 0x24 && (b == 0x40 || b == 0x42)) next = State::LeadByte;
        }
        if (next) {
          ++i;
          state = output_state = *next;
          const bool two_escapes = output_flag;
          output_flag = true;
          if (two_escapes) append_error(out);
        } else {
          output_flag = false;
          state = output_state;
          append_error(out);
          i -= 1;  // read the escape's second byte (and this one) again
        }
        break;
      }
    }
  }
}

std::string decode_shift_jis(std::string_view in) {
  const auto lone = [](std::string& out, unsigned b) -> unsigned {
    if (b == 0x80) {
      append_utf8(out, b);
    } else if (in_range(b, 0xA1, 0xDF)) {
      append_utf8(out, 0xFF61 - 0xA1 + b);
    } else if (in_range(b, 0x81, 0x9F) || in_range(b, 0xE0, 0xFC)) {
      return b;
    } else {
      append_error(out);
    }
    return 0;
  };
  const auto pair = [](std::string& out, unsigned lead, unsigned b) {
    if (!in_range(b, 0x40, 0x7E) && !in_range(b, 0x80, 0xFC)) return false;
    const std::size_t pointer = (lead - (lead < 0xA0 ? 0x81 : 0xC1)) * 188 + b - (b < 0x7F ? 0x40 : 0x41);
    if (pointer >= 8836 && pointer <= 10715) {  // the user-defined area
      append_utf8(out, static_cast<char32_t>(0xE000 - 8836 + pointer));
      return true;
    }
    return append_if_some(out, index_code_point(data::JIS0208, pointer));
  };
  return decode_lead_trail(in, lone, pair);
}

std::string decode_euc_kr(std::string_view in) {
  const auto lone = [](std::string& out, unsigned b) -> unsigned {
    if (in_range(b, 0x81, 0xFE)) return b;
    append_error(out);
    return 0;
  };
  const auto pair = [](std::string& out, unsigned lead, unsigned b) {
    return in_range(b, 0x41, 0xFE) &&
           append_if_some(out, index_code_point(data::EUC_KR, (lead - 0x81) * 190 + (b - 0x41)));
  };
  return decode_lead_trail(in, lone, pair);
}

std::string decode_utf16(std::string_view in, bool big_endian) {
  std::string out;
  out.reserve(in.size() + in.size() / 2);
  char16_t lead_surrogate = 0;
  std::size_t i = 0;
  while (i + 1 < in.size()) {
    const unsigned b0 = byte_at(in, i), b1 = byte_at(in, i + 1);
    const char16_t unit = static_cast<char16_t>(big_endian ? (b0 << 8) | b1 : (b1 << 8) | b0);
    i += 2;
    if (lead_surrogate != 0) {
      const char16_t lead = lead_surrogate;
      lead_surrogate = 0;
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        append_utf8(out, 0x10000 + ((lead - 0xD800) << 10) + (unit - 0xDC00));
      } else {
        append_error(out);
        i -= 2;  // this unit starts afresh
      }
      continue;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF)
      lead_surrogate = unit;
    else if (unit >= 0xDC00 && unit <= 0xDFFF)
      append_error(out);
    else
      append_utf8(out, unit);
  }
  // An odd last byte, an unpaired lead surrogate, or both: one error.
  if (i < in.size() || lead_surrogate != 0) append_error(out);
  return out;
}

std::string decode_without_bom(std::string_view in, Encoding encoding) {
  switch (encoding) {
    case Encoding::Utf8: return sanitize_utf8(in);
    case Encoding::Gbk:
    case Encoding::Gb18030: return decode_gb18030(in);
    case Encoding::Big5: return decode_big5(in);
    case Encoding::EucJp: return decode_euc_jp(in);
    case Encoding::Iso2022Jp: return decode_iso_2022_jp(in);
    case Encoding::ShiftJis: return decode_shift_jis(in);
    case Encoding::EucKr: return decode_euc_kr(in);
    case Encoding::Replacement: return in.empty() ? std::string() : encode_utf8(REPLACEMENT_CHARACTER);
    case Encoding::Utf16Be: return decode_utf16(in, true);
    case Encoding::Utf16Le: return decode_utf16(in, false);
    case Encoding::XUserDefined: return decode_x_user_defined(in);
    default: break;
  }
  if (const std::uint16_t* table = data::single_byte_table(encoding)) return decode_single_byte(in, table);
  return sanitize_utf8(in);  // not reached: every encoding is handled above
}

}  // namespace

std::optional<Encoding> get_encoding(std::string_view label) {
  while (!label.empty() && is_ascii_whitespace(label.front())) label.remove_prefix(1);
  while (!label.empty() && is_ascii_whitespace(label.back())) label.remove_suffix(1);
  // The longest label has 19 characters; anything longer cannot match.
  char lower[32];
  if (label.empty() || label.size() >= sizeof lower) return std::nullopt;
  for (std::size_t i = 0; i < label.size(); ++i) lower[i] = ascii_lower(label[i]);
  const std::string_view key(lower, label.size());
  const data::Label* begin = data::LABELS;
  const data::Label* end = data::LABELS + data::LABEL_COUNT;
  const data::Label* it = std::lower_bound(
      begin, end, key, [](const data::Label& l, std::string_view k) { return std::string_view(l.text) < k; });
  if (it == end || std::string_view(it->text) != key) return std::nullopt;
  return it->encoding;
}

std::string_view encoding_name(Encoding e) { return data::ENCODING_NAMES[static_cast<std::size_t>(e)]; }

std::string decode_to_utf8(std::string_view bytes, Encoding encoding) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    encoding = Encoding::Utf8;
    bytes.remove_prefix(3);
  } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") {
    encoding = Encoding::Utf16Be;
    bytes.remove_prefix(2);
  } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
    encoding = Encoding::Utf16Le;
    bytes.remove_prefix(2);
  }
  return decode_without_bom(bytes, encoding);
}

}  // namespace qx

// Clean-up shared by every feed reader: character references, HTML tags, whitespace and length,
// picture addresses, and the one rule an address must pass to be kept. All total: any bytes are
// safe input, nothing throws, only validate_https_url reports an error.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "core_error.h"

namespace qx {

struct HtmlEntity {
  std::string_view name;
  char32_t cp;
};

// The named references that are decoded, matched exactly and case-sensitively. "nbsp" gives a
// plain space on purpose: titles are collapsed on whitespace afterwards, and U+00A0 is not
// wanted inside them.
inline constexpr std::array<HtmlEntity, 52> HTML_ENTITY_TABLE{{
    {"amp", 0x26},     {"lt", 0x3C},      {"gt", 0x3E},      {"quot", 0x22},    {"apos", 0x27},
    {"nbsp", 0x20},    {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018}, {"rsquo", 0x2019},
    {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"hellip", 0x2026}, {"middot", 0xB7},  {"laquo", 0xAB},
    {"raquo", 0xBB},   {"euro", 0x20AC},  {"pound", 0xA3},   {"copy", 0xA9},    {"aacute", 0xE1},
    {"agrave", 0xE0},  {"acirc", 0xE2},   {"atilde", 0xE3},  {"auml", 0xE4},    {"aring", 0xE5},
    {"aelig", 0xE6},   {"ccedil", 0xE7},  {"eacute", 0xE9},  {"egrave", 0xE8},  {"ecirc", 0xEA},
    {"euml", 0xEB},    {"iacute", 0xED},  {"icirc", 0xEE},   {"iuml", 0xEF},    {"ntilde", 0xF1},
    {"oacute", 0xF3},  {"ocirc", 0xF4},   {"otilde", 0xF5},  {"ouml", 0xF6},    {"oslash", 0xF8},
    {"szlig", 0xDF},   {"uacute", 0xFA},  {"ugrave", 0xF9},  {"uuml", 0xFC},    {"Eacute", 0xC9},
    {"Aacute", 0xC1},  {"Ouml", 0xD6},    {"Uuml", 0xDC},    {"Auml", 0xC4},    {"Ntilde", 0xD1},
    {"iexcl", 0xA1},   {"iquest", 0xBF},
}};

// The ";" closing a reference must stand within this many bytes after its "&".
inline constexpr std::size_t MAX_ENTITY_SPAN = 10;

// Picture servers whose addresses are tuned: a news publisher's (asks for the larger rendition)
// and a space agency's site (asks for a width).
inline constexpr std::string_view NEWS_PICTURE_HOST = "images.newsdesk.example";
inline constexpr std::string_view NEWS_PICTURE_PREFIX = "https://images.newsdesk.example/ace/standard/240/";
inline constexpr std::string_view UPLOADS_PICTURE_HOST = "www.spaceagency.example";
inline constexpr std::string_view UPLOADS_PICTURE_PREFIX = "https://www.spaceagency.example/wp-content/uploads/";
inline constexpr std::string_view PICTURE_WIDTH_QUERY = "?w=1280";

// Replaces named and numeric character references ("&amp;", "&#8217;", "&#x2019;"); anything
// not recognised stays as written. The output is not scanned again.
std::string decode_html_entities(std::string_view text);

// Removes tags: "<" followed by an ASCII letter or "/" up to the next ">". Other "<" and ">"
// stay; a tag left open swallows the rest of the text.
std::string strip_tags(std::string_view text);

// Words joined by single spaces, cut to at most n characters; "LIVE" when nothing is left.
std::string collapse_text(std::string_view text, std::size_t n);

// "http://" becomes "https://"; addresses on the two picture servers above are tuned.
std::string normalize_picture_url(std::string_view address);

// Accepts "https://" followed by at least one byte and no whitespace; otherwise
// CoreError::InvalidUrl carrying the address as given.
CoreResult<Unit> validate_https_url(std::string_view address);

}  // namespace qx

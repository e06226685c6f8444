// Text laid out and drawn on a surface with a font chosen from the text's script, and the
// UTF-16 forms the platform calls take. The drawing itself goes through a TextRenderer, so the
// painter can be tested natively with a fake one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "render/dib_surface.h"
#include "render/pixels.h"

namespace qx {

struct TextStyle {
  std::int32_t size = 14;   // pixels, already scaled for DPI
  Colour colour = WHITE;
  std::int32_t align = 0;   // 0 near (left), 1 centre, 2 far (right)
  std::int32_t lines = 1;   // 1: one line centred vertically; n > 1: up to n wrapped lines from the top
  std::uint8_t weight = 0;  // 0 regular, 1 semibold, 2 bold, 3 icon glyphs
};

inline constexpr float LINE_HEIGHT_FACTOR = 1.36f;

struct TextSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const TextSize&, const TextSize&) = default;
};

enum class ScriptClass : std::uint8_t { RightToLeft, Indic, Thai, Kana, Hangul, Han, Other };

ScriptClass script_class(std::string_view utf8_text);
// The font family for a text of that class at that weight ("Segoe UI", "Yu Gothic UI", ...).
std::wstring_view font_family_for(ScriptClass script, std::uint8_t weight);

// UTF-16 followed by one 0 unit (invalid UTF-8 becomes U+FFFD).
std::wstring to_wide_nul(std::string_view text);
std::wstring render_to_wide_nul(std::string_view text);

class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  // Measures the text in the box, and draws it when `draw` is set; the size in whole pixels.
  virtual TextSize draw_text(DibSurface& surface, std::string_view text, const Rect& box, const TextStyle& style,
                             bool draw) = 0;
};

// GDI+ text (Windows only).
TextRenderer& platform_text();

}  // namespace qx

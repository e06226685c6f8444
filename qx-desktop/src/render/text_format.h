// How one text is set, worked out before any platform call: family, boldness, string-format
// flags, alignments, the layout box and the brush colour. Pure, so it is tested natively; the
// GDI+ renderer only carries it out.
#pragma once

#include <cstdint>
#include <string_view>

#include "render/pixels.h"
#include "render/text.h"

namespace qx {

inline constexpr std::int32_t FORMAT_DIRECTION_RIGHT_TO_LEFT = 0x0001;
inline constexpr std::int32_t FORMAT_NO_WRAP = 0x1000;
inline constexpr std::int32_t FORMAT_LINE_LIMIT = 0x2000;
inline constexpr std::int32_t TEXT_HINT_ANTI_ALIAS_GRID_FIT = 3;
inline constexpr std::int32_t TEXT_HINT_ANTI_ALIAS = 4;

struct TextPlan {
  ScriptClass script = ScriptClass::Other;
  std::wstring_view family;
  bool bold = false;
  std::int32_t rendering_hint = TEXT_HINT_ANTI_ALIAS;
  std::int32_t format_flags = FORMAT_NO_WRAP;
  std::int32_t align = 0;       // 0 near, 1 centre, 2 far
  std::int32_t line_align = 1;  // centre for one line, near for several
  float box_x = 0, box_y = 0, box_width = 0, box_height = 0;
  std::uint32_t brush_argb = 0xFF000000u;
};

// False when there is nothing to measure or draw: an empty text or a box without area.
bool has_text_to_set(std::string_view text, const Rect& box);
TextPlan plan_text(std::string_view text, const Rect& box, const TextStyle& style);

// Whole pixels from a measured extent: rounded up, saturated, NaN and negatives giving 0.
std::int32_t ceil_extent(float value);
// The size of a measured bounding box in whole pixels. One line is clipped to its box, so a line
// taller than the box takes the box's height (GDI+ may report it 0 high, as Wine's does).
TextSize measured_size(const TextPlan& plan, float width, float height);

}  // namespace qx

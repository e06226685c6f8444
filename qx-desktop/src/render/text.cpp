#include "render/text.h"

#include <algorithm>
#include <cmath>

#include "render/saturate.h"
#include "render/text_format.h"
#include "unicode_text.h"

namespace qx {
namespace {

bool in(char32_t c, char32_t lo, char32_t hi) { return c >= lo && c <= hi; }

// The class a character decides at once, or Other when it does not.
ScriptClass deciding_class(char32_t c) {
  if (in(c, 0x0590, 0x08FF) || in(c, 0xFB1D, 0xFDFF) || in(c, 0xFE70, 0xFEFF)) return ScriptClass::RightToLeft;
  if (in(c, 0x0900, 0x0DFF)) return ScriptClass::Indic;
  if (in(c, 0x0E00, 0x0E7F)) return ScriptClass::Thai;
  if (in(c, 0x3040, 0x30FF)) return ScriptClass::Kana;
  if (in(c, 0x1100, 0x11FF) || in(c, 0xAC00, 0xD7AF)) return ScriptClass::Hangul;
  return ScriptClass::Other;
}

// Scripts whose fonts have no semibold face, so weight 1 is drawn bold.
bool has_script_family(ScriptClass script) {
  return script != ScriptClass::Other && script != ScriptClass::RightToLeft;
}

}  // namespace

ScriptClass script_class(std::string_view utf8_text) {
  bool han = false;
  for (std::size_t pos = 0; pos < utf8_text.size();) {
    const Utf8Step step = utf8_decode(utf8_text, pos);
    pos += step.len;
    const ScriptClass decided = deciding_class(step.cp);
    if (decided != ScriptClass::Other) return decided;
    // Han alone is not enough: Japanese mixes Han with kana, and any kana makes it Japanese.
    if (in(step.cp, 0x3400, 0x9FFF)) han = true;
  }
  return han ? ScriptClass::Han : ScriptClass::Other;
}

std::wstring_view font_family_for(ScriptClass script, std::uint8_t weight) {
  if (weight == 3) return L"Segoe MDL2 Assets";
  switch (script) {
    case ScriptClass::Indic: return L"Nirmala UI";
    case ScriptClass::Thai: return L"Leelawadee UI";
    case ScriptClass::Kana: return L"Yu Gothic UI";
    case ScriptClass::Hangul: return L"Malgun Gothic";
    case ScriptClass::Han: return L"Microsoft YaHei UI";
    case ScriptClass::RightToLeft:
    case ScriptClass::Other: break;
  }
  return weight == 1 ? L"Segoe UI Semibold" : L"Segoe UI";
}

std::wstring to_wide_nul(std::string_view text) {
  std::wstring wide = utf8_to_wide(text);
  wide.push_back(L'\0');
  return wide;
}

std::wstring render_to_wide_nul(std::string_view text) { return to_wide_nul(text); }

bool has_text_to_set(std::string_view text, const Rect& box) {
  return !text.empty() && box.width() > 0 && box.height() > 0;
}

TextPlan plan_text(std::string_view text, const Rect& box, const TextStyle& style) {
  TextPlan plan;
  plan.script = script_class(text);
  plan.family = font_family_for(plan.script, style.weight);
  plan.bold = style.weight == 2 || (style.weight == 1 && has_script_family(plan.script));
  plan.rendering_hint = style.weight == 3 ? TEXT_HINT_ANTI_ALIAS_GRID_FIT : TEXT_HINT_ANTI_ALIAS;
  const bool one_line = style.lines == 1;
  // The line limit drops a line that does not fit its box whole, and the Indic fonts' lines are
  // taller than the boxes of small one-line texts: one line is drawn anyway, centred and clipped.
  plan.format_flags = (one_line ? FORMAT_NO_WRAP : FORMAT_LINE_LIMIT) |
                      (plan.script == ScriptClass::RightToLeft ? FORMAT_DIRECTION_RIGHT_TO_LEFT : 0);
  plan.align = style.align;
  plan.line_align = one_line ? 1 : 0;
  plan.box_x = static_cast<float>(box.left);
  plan.box_y = static_cast<float>(box.top);
  plan.box_width = static_cast<float>(box.width());
  const auto height = static_cast<float>(box.height());
  plan.box_height =
      one_line ? height
               : std::min(height, LINE_HEIGHT_FACTOR * static_cast<float>(style.size) * static_cast<float>(style.lines));
  plan.brush_argb = 0xFF000000u | pack_rgb(style.colour);
  return plan;
}

std::int32_t ceil_extent(float value) {
  return value > 0.0f ? saturate_i32(std::ceil(value)) : 0;
}

TextSize measured_size(const TextPlan& plan, float width, float height) {
  TextSize size{ceil_extent(width), ceil_extent(height)};
  const std::int32_t box_height = ceil_extent(plan.box_height);
  const bool one_line = (plan.format_flags & FORMAT_NO_WRAP) != 0;
  if (one_line && size.width > 0 && (size.height == 0 || size.height > box_height)) size.height = box_height;
  return size;
}

}  // namespace qx

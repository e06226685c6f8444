// Text measured and drawn by GDI+ on the surface's memory DC.
#include <climits>

#include "render/gdiplus_win.h"
#include "render/text.h"
#include "render/text_format.h"

namespace qx {
namespace {

using namespace gdip;

// The family by name, else "Segoe UI", else the system's generic sans-serif. The last step
// matters where "Segoe UI" itself is missing (stripped systems, Wine without replacements):
// without it every text would come out blank. The generic family belongs to GDI+ and is not
// deleted, so it comes back in `borrowed` instead of `owned`.
GpFontFamily* find_family(std::wstring_view name, FontFamily& owned) {
  if (GdipCreateFontFamilyFromName(name.data(), nullptr, owned.put()) == Ok && owned) return owned.get();
  if (GdipCreateFontFamilyFromName(L"Segoe UI", nullptr, owned.put()) == Ok && owned) return owned.get();
  owned.reset();
  GpFontFamily* generic = nullptr;
  if (GdipGetGenericFontFamilySansSerif(&generic) == Ok) return generic;
  return nullptr;
}

class GdiplusText final : public TextRenderer {
 public:
  TextSize draw_text(DibSurface& surface, std::string_view text, const Rect& box, const TextStyle& style,
                     bool draw) override {
    if (!has_text_to_set(text, box)) return {};
    dib_pixels(surface);  // finishes queued GDI work first
    HDC dc = static_cast<HDC>(surface.memory_dc());
    if (!dc) return {};
    Graphics graphics;
    if (GdipCreateFromHDC(dc, graphics.put()) != Ok) return {};

    const TextPlan plan = plan_text(text, box, style);
    GdipSetTextRenderingHint(graphics.get(), static_cast<Gdiplus::TextRenderingHint>(plan.rendering_hint));

    FontFamily owned_family;
    GpFontFamily* family = find_family(plan.family, owned_family);
    if (!family) return {};
    Font font;
    if (GdipCreateFont(family, static_cast<Gdiplus::REAL>(style.size),
                       plan.bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular, Gdiplus::UnitPixel,
                       font.put()) != Ok) {
      return {};
    }

    GpStringFormat* generic = nullptr;
    StringFormat format;
    if (GdipStringFormatGetGenericTypographic(&generic) != Ok ||
        GdipCloneStringFormat(generic, format.put()) != Ok) {
      return {};
    }
    GdipSetStringFormatFlags(format.get(), plan.format_flags);
    GdipSetStringFormatTrimming(format.get(), Gdiplus::StringTrimmingEllipsisCharacter);
    GdipSetStringFormatAlign(format.get(), static_cast<Gdiplus::StringAlignment>(plan.align));
    GdipSetStringFormatLineAlign(format.get(), static_cast<Gdiplus::StringAlignment>(plan.line_align));

    const std::wstring wide = render_to_wide_nul(text);
    const INT length = wide.size() - 1 > INT_MAX ? INT_MAX : static_cast<INT>(wide.size() - 1);
    const Gdiplus::RectF layout(plan.box_x, plan.box_y, plan.box_width, plan.box_height);
    Gdiplus::RectF bounds;
    INT fitted = 0;
    INT lines = 0;
    if (GdipMeasureString(graphics.get(), wide.c_str(), length, font.get(), &layout, format.get(), &bounds, &fitted,
                          &lines) != Ok) {
      return {};
    }
    if (draw) {
      SolidFill brush;
      if (GdipCreateSolidFill(plan.brush_argb, brush.put()) == Ok) {
        GdipDrawString(graphics.get(), wide.c_str(), length, font.get(), &layout, format.get(), brush.get());
      }
    }
    return {ceil_extent(bounds.Width), ceil_extent(bounds.Height)};
  }
};

}  // namespace

TextRenderer& platform_text() {
  static GdiplusText* const text = new GdiplusText;  // never destroyed: painting may outlive exit
  return *text;
}

}  // namespace qx

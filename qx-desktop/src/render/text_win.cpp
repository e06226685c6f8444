// Text measured and drawn by GDI+ on the surface's memory DC.
//
// Under Wine drawing one line costs 100-400 µs, and finding the family and making the font
// and format another 10-15 µs, while most repaints set the same texts on the same pixels as
// the frame before. So the fonts, families and formats are kept, with a TextMemo of what was
// measured and drawn: a text drawn before on the same pixels gets its stored result copied
// back, exact to the byte, and only new work reaches GDI+.
#include <climits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "render/gdiplus_win.h"
#include "render/text.h"
#include "render/text_format.h"
#include "render/text_memo.h"

namespace qx {
namespace {

using namespace gdip;

constexpr std::size_t MAX_FONTS = 32;
constexpr std::size_t MAX_FORMATS = 16;
constexpr std::size_t MAX_FAMILIES = 16;

// The name of the first installed family that GDI+ can make, once per process; empty when none.
const std::wstring& first_installed_family_name() {
  static const std::wstring name = [] {
    GpFontCollection* installed = nullptr;  // the system's, never deleted
    INT count = 0;
    if (GdipNewInstalledFontCollection(&installed) != Ok || !installed ||
        GdipGetFontCollectionFamilyCount(installed, &count) != Ok || count <= 0) {
      return std::wstring();
    }
    std::vector<GpFontFamily*> families(static_cast<std::size_t>(count));
    INT found = 0;
    if (GdipGetFontCollectionFamilyList(installed, count, families.data(), &found) != Ok) return std::wstring();
    for (INT i = 0; i < found && i < count; ++i) {
      WCHAR family_name[LF_FACESIZE] = {};
      // "@" names are the vertical forms of CJK families.
      if (GdipGetFamilyName(families[static_cast<std::size_t>(i)], family_name, LANG_NEUTRAL) == Ok &&
          family_name[0] != L'\0' && family_name[0] != L'@') {
        return std::wstring(family_name);
      }
    }
    return std::wstring();
  }();
  return name;
}

// The family by name, else "Segoe UI", else the system's generic sans-serif, else any installed
// family. The last steps matter where "Segoe UI" itself is missing (stripped systems, Wine
// without replacements, where even the generic family's "Microsoft Sans Serif" and "Tahoma" may
// be absent): without them every text would come out blank. The generic family belongs to GDI+
// and is not deleted, so it comes back with `owned` left empty.
GpFontFamily* find_family(std::wstring_view name, FontFamily& owned) {
  if (GdipCreateFontFamilyFromName(name.data(), nullptr, owned.put()) == Ok && owned) return owned.get();
  if (GdipCreateFontFamilyFromName(L"Segoe UI", nullptr, owned.put()) == Ok && owned) return owned.get();
  owned.reset();
  GpFontFamily* generic = nullptr;
  if (GdipGetGenericFontFamilySansSerif(&generic) == Ok && generic) return generic;
  const std::wstring& any = first_installed_family_name();
  if (!any.empty() && GdipCreateFontFamilyFromName(any.c_str(), nullptr, owned.put()) == Ok && owned) {
    return owned.get();
  }
  owned.reset();
  return nullptr;
}

// Drops the first (oldest) entry when full, so each list stays small.
template <class T>
void make_room(std::vector<T>& entries, std::size_t limit) {
  if (entries.size() >= limit) entries.erase(entries.begin());
}

// The GDI+ objects made so far, kept for later calls.
class GdiplusObjects {
 public:
  GpFontFamily* family(std::wstring_view name) {
    for (const Family& f : families_) {
      if (f.name == name) return f.family;
    }
    Family f{std::wstring(name), {}, nullptr};
    f.family = find_family(f.name, f.owned);
    if (!f.family) return nullptr;  // asked again next time
    if (families_.size() >= MAX_FAMILIES) {
      // Its fonts go with it: they are found by its address, which a new family may reuse.
      const GpFontFamily* dropped = families_.front().family;
      std::erase_if(fonts_, [&](const SizedFont& font) { return font.family == dropped; });
      families_.erase(families_.begin());
    }
    families_.push_back(std::move(f));
    return families_.back().family;
  }

  GpFont* font(GpFontFamily* family, std::int32_t size, bool bold) {
    for (const SizedFont& f : fonts_) {
      if (f.family == family && f.size == size && f.bold == bold) return f.font.get();
    }
    SizedFont f{family, size, bold, {}};
    if (GdipCreateFont(family, static_cast<Gdiplus::REAL>(size),
                       bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular, Gdiplus::UnitPixel,
                       f.font.put()) != Ok) {
      return nullptr;
    }
    make_room(fonts_, MAX_FONTS);
    fonts_.push_back(std::move(f));
    return fonts_.back().font.get();
  }

  GpStringFormat* format(const TextPlan& plan) {
    for (const Format& f : formats_) {
      if (f.flags == plan.format_flags && f.align == plan.align && f.line_align == plan.line_align) {
        return f.format.get();
      }
    }
    Format f{plan.format_flags, plan.align, plan.line_align, {}};
    GpStringFormat* generic = nullptr;
    if (GdipStringFormatGetGenericTypographic(&generic) != Ok || GdipCloneStringFormat(generic, f.format.put()) != Ok) {
      return nullptr;
    }
    GdipSetStringFormatFlags(f.format.get(), plan.format_flags);
    GdipSetStringFormatTrimming(f.format.get(), Gdiplus::StringTrimmingEllipsisCharacter);
    GdipSetStringFormatAlign(f.format.get(), static_cast<Gdiplus::StringAlignment>(plan.align));
    GdipSetStringFormatLineAlign(f.format.get(), static_cast<Gdiplus::StringAlignment>(plan.line_align));
    make_room(formats_, MAX_FORMATS);
    formats_.push_back(std::move(f));
    return formats_.back().format.get();
  }

 private:
  struct Family {
    std::wstring name;
    FontFamily owned;
    GpFontFamily* family;
  };
  struct SizedFont {
    GpFontFamily* family;
    std::int32_t size;
    bool bold;
    Font font;
  };
  struct Format {
    std::int32_t flags, align, line_align;
    StringFormat format;
  };
  // Fonts go before the families they were made from.
  std::vector<Family> families_;
  std::vector<SizedFont> fonts_;
  std::vector<Format> formats_;
};

// One set for the process, used under its lock: GDI+ objects must not be used by two threads
// at once, and thread-local owners with destructors are not safe with this runtime (they can
// run after their storage is gone). Never destroyed, so exit cannot race a painting thread.
struct TextCaches {
  std::mutex lock;
  GdiplusObjects objects;
  TextMemo memo;
};

TextCaches& text_caches() {
  static TextCaches* const caches = new TextCaches;
  return *caches;
}

class GdiplusText final : public TextRenderer {
 public:
  TextSize draw_text(DibSurface& surface, std::string_view text, const Rect& box, const TextStyle& style,
                     bool draw) override {
    if (!has_text_to_set(text, box)) return {};
    const PixelView pixels = dib_pixels(surface);  // finishes queued GDI work first
    HDC dc = static_cast<HDC>(surface.memory_dc());
    if (!dc) return {};
    TextCaches& cache = text_caches();
    const std::lock_guard<std::mutex> hold(cache.lock);
    const TextJob job{std::string(text), style.size, plan_text(text, box, style)};
    std::optional<TextSize> known = cache.memo.measured(job);
    if (!draw && known) return *known;
    if (draw) {
      if (const std::optional<TextSize> replayed = cache.memo.replay(job, box, pixels)) return *replayed;
    }

    GpFontFamily* family = cache.objects.family(job.plan.family);
    GpFont* font = family ? cache.objects.font(family, style.size, job.plan.bold) : nullptr;
    GpStringFormat* format = cache.objects.format(job.plan);
    if (!font || !format) return {};

    std::vector<std::uint32_t> before;
    if (draw) before = cache.memo.pixels_under(box, pixels);
    {
      Graphics graphics;
      // Nothing may land outside the box: a line taller than its box would spill over its
      // neighbours, and repaints put back only the box's pixels.
      if (GdipCreateFromHDC(dc, graphics.put()) != Ok ||
          GdipSetClipRectI(graphics.get(), box.left, box.top, box.width(), box.height(), Gdiplus::CombineModeReplace) !=
              Ok) {
        return {};
      }
      GdipSetTextRenderingHint(graphics.get(), static_cast<Gdiplus::TextRenderingHint>(job.plan.rendering_hint));
      const std::wstring wide = render_to_wide_nul(text);
      const INT length = wide.size() - 1 > INT_MAX ? INT_MAX : static_cast<INT>(wide.size() - 1);
      const Gdiplus::RectF layout(job.plan.box_x, job.plan.box_y, job.plan.box_width, job.plan.box_height);
      if (!known) {
        Gdiplus::RectF bounds;
        INT fitted = 0;
        INT lines = 0;
        if (GdipMeasureString(graphics.get(), wide.c_str(), length, font, &layout, format, &bounds, &fitted,
                              &lines) != Ok) {
          return {};
        }
        known = measured_size(job.plan, bounds.Width, bounds.Height);
        cache.memo.remember_size(job, *known);
      }
      if (!draw) return *known;
      SolidFill brush;
      if (GdipCreateSolidFill(job.plan.brush_argb, brush.put()) != Ok ||
          GdipDrawString(graphics.get(), wide.c_str(), length, font, &layout, format, brush.get()) != Ok) {
        return *known;  // nothing drawn, nothing worth keeping
      }
    }  // the graphics go first, so that all it drew is in the pixels read below
    cache.memo.remember_drawing(job, box, std::move(before), dib_pixels(surface), *known);
    return *known;
  }
};

}  // namespace

TextRenderer& platform_text() {
  static GdiplusText* const text = new GdiplusText;  // never destroyed: painting may outlive exit
  return *text;
}

}  // namespace qx

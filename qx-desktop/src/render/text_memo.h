// What one thread's text calls already worked out: sizes measured, and texts drawn together
// with the pixels under them before and after. A repaint that sets the same text on the same
// pixels gets the stored result copied in instead of drawing again, which is where the time of
// a frame goes; anything else misses and is drawn as before, so the output never changes.
// Portable, so the bookkeeping is tested natively; the GDI+ renderer keeps one for the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "render/pixels.h"
#include "render/text.h"
#include "render/text_format.h"

namespace qx {

// Everything that decides what the platform does with one text: the text, the font size and
// the plan (family, flags, alignments, layout box, brush).
struct TextJob {
  std::string text;
  std::int32_t size = 0;
  TextPlan plan;
};

// The same glyphs in the same places: everything but the brush.
bool same_layout(const TextJob& a, const TextJob& b);

// The part of a box that lies on a surface of that size; empty when none does.
Rect visible_part(const Rect& box, std::int32_t surface_width, std::int32_t surface_height);

class TextMemo {
 public:
  // Drawn entries are bounded by count and by the bytes of their stored pixels; one whose
  // pixels alone would take more than a quarter of the bytes is not kept.
  explicit TextMemo(std::size_t max_drawings = 48, std::size_t max_bytes = 5u << 20, std::size_t max_sizes = 64);

  // A size measured (or drawn) before for the same layout.
  std::optional<TextSize> measured(const TextJob& job);
  void remember_size(const TextJob& job, TextSize size);

  // When the job was drawn before on the same pixels as the surface now holds under `box`,
  // puts the pixels it gave back and returns its size.
  std::optional<TextSize> replay(const TextJob& job, const Rect& box, PixelView surface);
  // The pixels under the box before drawing, to hand back to remember_drawing afterwards.
  std::vector<std::uint32_t> pixels_under(const Rect& box, PixelView surface) const;
  void remember_drawing(const TextJob& job, const Rect& box, std::vector<std::uint32_t> before, PixelView surface,
                        TextSize size);

  std::size_t drawings() const { return drawn_.size(); }
  std::size_t stored_bytes() const { return bytes_; }

 private:
  struct Drawn {
    TextJob job;
    Rect region;
    std::vector<std::uint32_t> before, after;
    TextSize size;
    std::uint64_t used = 0;
    std::size_t bytes() const { return (before.size() + after.size()) * sizeof(std::uint32_t); }
  };
  struct Sized {
    TextJob job;
    TextSize size;
    std::uint64_t used = 0;
  };

  std::size_t max_drawings_, max_bytes_, max_sizes_;
  std::vector<Drawn> drawn_;
  std::vector<Sized> sized_;
  std::size_t bytes_ = 0;
  std::uint64_t clock_ = 0;
};

}  // namespace qx

// Natively there is no media engine and no GIF decoder: every source fails, as on a system
// without them.
#include "video/media_engine.h"

namespace qx {

namespace {

class NoMedia final : public MediaPlatform {
 public:
  std::unique_ptr<MediaEngine> open_engine(const std::string&, bool, bool) override { return nullptr; }
  std::optional<std::vector<GifFrame>> decode_gif(const std::string&) override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<MediaPlatform> make_platform_media() { return std::make_unique<NoMedia>(); }

}  // namespace qx

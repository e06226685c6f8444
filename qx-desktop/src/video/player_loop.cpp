// The player thread's handling of commands and ticks, and the shared frames and status.
#include <algorithm>
#include <utility>

#include "render/pixels.h"
#include "video/player.h"

namespace qx {

PlayerSnapshot player_snapshot(PlayerShared& shared) {
  return shared.with([](PlayerFrames& f) { return f; }).value_or(PlayerSnapshot{});
}

bool set_player_flag(PlayerShared& shared, PlayerStatus status) {
  return shared
      .with([&](PlayerFrames& f) {
        const bool changed = f.status != status;
        f.status = status;
        return changed;
      })
      .value_or(false);
}

bool set_player_flag_notify(PlayerShared& shared, PlayerStatus status, WindowPoster& window) {
  const bool changed = set_player_flag(shared, status);
  if (changed) window.post(WM_APP_PLAYER_STATUS);
  return changed;
}

void post_player_notice(WindowPoster& window, bool is_status, std::atomic<bool>& frame_pending) {
  if (is_status) {
    window.post(WM_APP_PLAYER_STATUS);
  } else if (!frame_pending.exchange(true)) {
    window.post(WM_APP_VIDEO_FRAME);
  }
}

struct PlayerLoop::EngineSource {
  std::unique_ptr<MediaEngine> engine;
  std::optional<std::int64_t> last_frame_time;
};

struct PlayerLoop::GifSource {
  std::vector<GifFrame> frames;  // at least 2
  Instant due;
  std::size_t index = 0;
};

PlayerLoop::PlayerLoop(MediaPlatform& platform, PlayerShared& shared, PlayerNotices notices)
    : platform_(platform), shared_(shared), notices_(notices) {}

PlayerLoop::~PlayerLoop() { reset_orb_media(); }

bool PlayerLoop::has_source() const { return !std::holds_alternative<std::monostate>(media_); }

std::chrono::milliseconds PlayerLoop::wait_time() const {
  return has_source() ? PLAYER_TICK : std::chrono::duration_cast<std::chrono::milliseconds>(PLAYER_IDLE_WAIT);
}

void PlayerLoop::reset_orb_media() { media_ = std::monostate{}; }  // an engine shuts down as it goes

void PlayerLoop::set_status(PlayerStatus status) {
  if (notices_.window) {
    set_player_flag_notify(shared_, status, *notices_.window);
  } else {
    set_player_flag(shared_, status);
  }
}

void PlayerLoop::notice(bool is_status) {
  if (!notices_.window) return;
  if (is_status || notices_.frame_pending) {
    post_player_notice(*notices_.window, is_status, *notices_.frame_pending);
  }
}

bool PlayerLoop::load_orb_media(const std::string& source, bool muted, bool silent, Instant now) {
  if (is_local_gif(source)) {
    std::optional<std::vector<GifFrame>> frames = platform_.decode_gif(source);
    if (!frames || frames->size() < 2) return false;  // a still picture is not played
    if (frames->size() > GIF_MAX_FRAMES) frames->resize(GIF_MAX_FRAMES);
    // Due at once with index 0, so that the first tick shows frame 1 and frame 0 follows the last.
    media_ = std::make_unique<GifSource>(GifSource{std::move(*frames), now, 0});
    return true;
  }
  std::unique_ptr<MediaEngine> engine = platform_.open_engine(source, muted, silent);
  if (!engine) return false;
  media_ = std::make_unique<EngineSource>(EngineSource{std::move(engine), std::nullopt});
  return true;
}

bool PlayerLoop::handle(PlayerCommand command, Instant now) {
  using namespace player_command;
  EngineSource* engine = nullptr;
  if (auto* e = std::get_if<std::unique_ptr<EngineSource>>(&media_)) engine = e->get();

  if (auto* open = std::get_if<Open>(&command)) {
    reset_orb_media();
    shared_.with([](PlayerFrames& f) { f = PlayerFrames{{}, 0, 0, 0, false, PlayerStatus::Opening}; });
    notice(true);
    if (!load_orb_media(open->source, open->muted, open->silent, now)) set_status(PlayerStatus::Failed);
  } else if (auto* set = std::get_if<SetTargets>(&command)) {
    if (set->targets != targets_) targets_changed_ = true;
    targets_ = std::move(set->targets);
  } else if (auto* paused = std::get_if<SetPaused>(&command)) {
    if (!engine) return true;
    if (paused->paused) {
      engine->engine->pause();
      set_status(PlayerStatus::Paused);
    } else {
      if (engine->engine->is_ended()) engine->engine->seek_to_start();
      engine->engine->play();
      set_status(PlayerStatus::Playing);
    }
  } else if (auto* muted = std::get_if<SetMuted>(&command)) {
    if (engine) engine->engine->set_muted(muted->muted);
  } else if (std::holds_alternative<Stop>(command)) {
    reset_orb_media();
    shared_.with([](PlayerFrames& f) { f = PlayerFrames{}; });
    notice(true);
  } else {  // Shutdown
    reset_orb_media();
    return false;
  }
  return true;
}

void PlayerLoop::tick(Instant now) {
  if (auto* e = std::get_if<std::unique_ptr<EngineSource>>(&media_)) {
    tick_engine(**e);
  } else if (auto* g = std::get_if<std::unique_ptr<GifSource>>(&media_)) {
    tick_gif(**g, now);
  }
}

namespace {

// A target without area gets a frame without pixels: nothing to draw, and no reason to hold back
// the frames of the other targets (the window skips a frame whose size does not match).
bool is_empty(const VideoTargetSize& target) { return target.width < 1 || target.height < 1; }

VideoFrame empty_frame(const VideoTargetSize& target) {
  return VideoFrame{std::make_shared<const std::vector<std::uint32_t>>(), std::max(target.width, 0),
                    std::max(target.height, 0)};
}

VideoFrame place_gif_frame(const GifFrame& gif, const VideoTargetSize& target) {
  if (is_empty(target)) return empty_frame(target);
  const PictureView picture{gif.pixels.data(), gif.width, gif.height};
  return VideoFrame{std::make_shared<const std::vector<std::uint32_t>>(
                        fill_and_place_picture(picture, target.width, target.height, target.fit, BLACK)),
                    target.width, target.height};
}

}  // namespace

void PlayerLoop::tick_engine(EngineSource& source) {
  MediaEngine& engine = *source.engine;
  bool failed = false;
  for (std::uint32_t code : engine.take_events()) {
    switch (code) {
      case ENGINE_EVENT_LOADEDMETADATA: {
        const VideoSize size = engine.native_video_size();
        const bool has_video = engine.has_video();
        shared_.with([&](PlayerFrames& f) {
          f.has_video = has_video;
          f.video_width = size.width;
          f.video_height = size.height;
        });
        notice(true);
        break;
      }
      case ENGINE_EVENT_PLAYING:
        set_status(PlayerStatus::Playing);
        break;
      case ENGINE_EVENT_ENDED:
        set_status(PlayerStatus::Ended);
        break;
      case ENGINE_EVENT_ERROR:
        failed = true;
        break;
      default:
        break;
    }
  }

  const std::optional<std::int64_t> time = engine.video_stream_tick();
  const bool new_frame = time && time != source.last_frame_time;
  if (new_frame || targets_changed_) {
    if (new_frame) source.last_frame_time = time;
    std::vector<VideoFrame> frames;
    frames.reserve(targets_.size());
    for (const VideoTargetSize& target : targets_) {
      std::optional<VideoFrame> frame = is_empty(target) ? empty_frame(target) : engine.capture_frame(target);
      if (!frame) break;
      frames.push_back(std::move(*frame));
    }
    // A set with a target missing is not published: the window keeps the previous one.
    if (frames.size() == targets_.size()) {
      shared_.with([&](PlayerFrames& f) {
        f.frames = std::move(frames);
        ++f.serial;
      });
      notice(false);
    }
  }
  targets_changed_ = false;

  if (failed) {
    reset_orb_media();
    set_status(PlayerStatus::Failed);
  }
}


void PlayerLoop::tick_gif(GifSource& gif, Instant now) {
  const bool due = now >= gif.due;
  if (due) {
    gif.index = (gif.index + 1) % gif.frames.size();
    gif.due = now + gif.frames[gif.index].delay;
  }
  if (due || targets_changed_) {
    std::vector<VideoFrame> frames;
    frames.reserve(targets_.size());
    for (const VideoTargetSize& target : targets_) frames.push_back(place_gif_frame(gif.frames[gif.index], target));
    const auto publish = [&](PlayerFrames& f) {
      const bool changed = !f.has_video || f.status != PlayerStatus::Playing;
      f.frames = std::move(frames);
      ++f.serial;
      f.has_video = true;
      f.status = PlayerStatus::Playing;
      return changed;
    };
    const bool status_changed = shared_.with(publish).value_or(false);
    targets_changed_ = false;
    // The window takes has_video and the status only from a status notice: without one the
    // orb would never show the GIF.
    if (status_changed) notice(true);
    notice(false);
  } else {
    targets_changed_ = false;
  }
}

}  // namespace qx

// The media player: one long-lived thread that plays streams, clips and films through the media
// engine and animated GIFs itself, and makes a frame of exactly the right size for every place
// where video is drawn. The window (and "--render") drive it over a command channel and read its
// frames and status from PlayerShared.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "app/app_messages.h"
#include "app/app_state.h"
#include "app/guarded.h"
#include "render/bar_layout.h"
#include "video/command_channel.h"
#include "video/media_engine.h"

namespace qx {

// What the window reads: one frame per target in target order, and the player's status.
struct PlayerFrames {
  std::vector<VideoFrame> frames;
  std::uint64_t serial = 0;  // raised with every new set of frames; 0 after Open
  std::int32_t video_width = 0;
  std::int32_t video_height = 0;
  bool has_video = false;
  PlayerStatus status = PlayerStatus::None;
};

using PlayerShared = Guarded<PlayerFrames>;
using PlayerSnapshot = PlayerFrames;

// A copy sharing the pixel buffers; an empty copy (no frames, status 0) when the lock is poisoned.
PlayerSnapshot player_snapshot(PlayerShared& shared);
// Stores the status and tells whether it differed; a poisoned lock changes nothing (false).
bool set_player_flag(PlayerShared& shared, PlayerStatus status);
// The same, posting WM_APP_PLAYER_STATUS when it changed.
bool set_player_flag_notify(PlayerShared& shared, PlayerStatus status, WindowPoster& window);
// A status notice is always posted; a frame notice only when none is queued (frame_pending
// swapped from false to true; the window clears it).
void post_player_notice(WindowPoster& window, bool is_status, std::atomic<bool>& frame_pending);

namespace player_command {
struct Open {
  std::string source;  // an https address or a local file path
  bool muted = false;
  bool silent = false;
  friend bool operator==(const Open&, const Open&) = default;
};
struct SetTargets {
  std::vector<VideoTargetSize> targets;
  friend bool operator==(const SetTargets&, const SetTargets&) = default;
};
struct SetPaused {
  bool paused = false;
  friend bool operator==(const SetPaused&, const SetPaused&) = default;
};
struct SetMuted {
  bool muted = false;
  friend bool operator==(const SetMuted&, const SetMuted&) = default;
};
struct Stop {
  friend bool operator==(const Stop&, const Stop&) = default;
};
struct Shutdown {
  friend bool operator==(const Shutdown&, const Shutdown&) = default;
};
}  // namespace player_command

using PlayerCommand = std::variant<player_command::Open, player_command::SetTargets, player_command::SetPaused,
                                   player_command::SetMuted, player_command::Stop, player_command::Shutdown>;

inline constexpr std::chrono::seconds PLAYER_IDLE_WAIT{3600};
inline constexpr std::chrono::milliseconds PLAYER_TICK{33};
// How long a shutdown waits for the thread before leaving it to end with the process.
inline constexpr std::chrono::seconds PLAYER_JOIN_LIMIT{5};

// Where the player reports: the window (status and frame notices), or nowhere ("--render").
struct PlayerNotices {
  WindowPoster* window = nullptr;
  std::atomic<bool>* frame_pending = nullptr;
};

// The player thread's state and its handling of commands and ticks; the thread body runs it.
class PlayerLoop {
 public:
  PlayerLoop(MediaPlatform& platform, PlayerShared& shared, PlayerNotices notices);
  ~PlayerLoop();
  PlayerLoop(const PlayerLoop&) = delete;
  PlayerLoop& operator=(const PlayerLoop&) = delete;

  // False for Shutdown: the source is dropped and the thread should end.
  bool handle(PlayerCommand command, Instant now);
  // One round of work for the current source.
  void tick(Instant now);
  bool has_source() const;
  // How long to wait for the next command: long while idle, one tick while something plays.
  std::chrono::milliseconds wait_time() const;

 private:
  struct EngineSource;
  struct GifSource;
  void reset_orb_media();
  bool load_orb_media(const std::string& source, bool muted, bool silent, Instant now);
  void set_status(PlayerStatus status);
  void notice(bool is_status);
  void tick_engine(EngineSource& engine);
  void tick_gif(GifSource& gif, Instant now);

  MediaPlatform& platform_;
  PlayerShared& shared_;
  PlayerNotices notices_;
  std::variant<std::monostate, std::unique_ptr<EngineSource>, std::unique_ptr<GifSource>> media_;
  std::vector<VideoTargetSize> targets_;
  bool targets_changed_ = false;
};

// The thread body: makes the platform, then waits for commands and ticks until Shutdown or
// until the channel is closed.
void player_worker(CommandChannel<PlayerCommand>& commands, PlayerShared& shared, PlayerNotices notices,
                   const MediaPlatformFactory& make_platform);

// The sender, the thread and the shared frames of one player. Move-only; dropping a handle
// that still runs shuts it down.
class PlayerHandle {
 public:
  PlayerHandle(PlayerHandle&&) noexcept;
  PlayerHandle& operator=(PlayerHandle&&) noexcept;
  PlayerHandle(const PlayerHandle&) = delete;
  PlayerHandle& operator=(const PlayerHandle&) = delete;
  ~PlayerHandle();

  // Dropped without notice after the thread has ended.
  void send(PlayerCommand command) const;
  PlayerShared& shared() const { return *shared_; }

 private:
  struct ThreadEnd;
  PlayerHandle() = default;
  friend std::optional<PlayerHandle> start_player(PlayerNotices, MediaPlatformFactory,
                                                  std::shared_ptr<WindowPoster>);
  friend bool player_shutdown_join(PlayerHandle&, std::chrono::milliseconds);

  std::shared_ptr<CommandChannel<PlayerCommand>> commands_;
  std::shared_ptr<PlayerShared> shared_;
  std::shared_ptr<ThreadEnd> end_;
  std::thread thread_;
};

// The "--render" thread body: the same loop with nobody to report to.
void player_worker_offscreen(CommandChannel<PlayerCommand>& commands, PlayerShared& shared);

// Starts a player thread; none when the system refuses a thread. `keep_alive` is held by the
// thread for as long as it runs (the poster that `notices` points at).
std::optional<PlayerHandle> start_player(PlayerNotices notices, MediaPlatformFactory make_platform,
                                         std::shared_ptr<WindowPoster> keep_alive = nullptr);
// A player that reports to nobody, for "--render", on the platform's media.
std::optional<PlayerHandle> start_offscreen_player();

void player_open(const PlayerHandle& handle, std::string source, bool muted, bool silent);
void player_set_targets(const PlayerHandle& handle, std::vector<VideoTargetSize> targets);

// Sends Shutdown and waits for the thread to end, at most `limit`; a thread that takes longer
// is left to end on its own (true when it was joined). A second call does nothing.
bool player_shutdown_join(PlayerHandle& handle, std::chrono::milliseconds limit = PLAYER_JOIN_LIMIT);

}  // namespace qx

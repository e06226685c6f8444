// The player thread: its body, its handle and how it is started and shut down.
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <utility>

#include "video/player.h"

namespace qx {

void player_worker(CommandChannel<PlayerCommand>& commands, PlayerShared& shared, PlayerNotices notices,
                   const MediaPlatformFactory& make_platform) {
  const std::unique_ptr<MediaPlatform> platform = make_platform();
  PlayerLoop loop(*platform, shared, notices);
  for (;;) {
    auto received = commands.receive_for(loop.wait_time());
    if (received.closed) return;
    // The command received, then every one already queued, in order.
    while (received.value) {
      if (!loop.handle(std::move(*received.value), SteadyClock::now())) return;
      received = commands.try_receive();
    }
    loop.tick(SteadyClock::now());
  }
}

void player_worker_offscreen(CommandChannel<PlayerCommand>& commands, PlayerShared& shared) {
  player_worker(commands, shared, PlayerNotices{}, make_platform_media);
}

struct PlayerHandle::ThreadEnd {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
};

PlayerHandle::PlayerHandle(PlayerHandle&& other) noexcept = default;

PlayerHandle& PlayerHandle::operator=(PlayerHandle&& other) noexcept {
  if (this != &other) {
    if (thread_.joinable()) player_shutdown_join(*this);
    commands_ = std::move(other.commands_);
    shared_ = std::move(other.shared_);
    end_ = std::move(other.end_);
    thread_ = std::move(other.thread_);
  }
  return *this;
}

PlayerHandle::~PlayerHandle() {
  if (thread_.joinable()) player_shutdown_join(*this);
}

void PlayerHandle::send(PlayerCommand command) const {
  if (commands_) commands_->send(std::move(command));
}

std::optional<PlayerHandle> start_player(PlayerNotices notices, MediaPlatformFactory make_platform,
                                         std::shared_ptr<WindowPoster> keep_alive) {
  PlayerHandle handle;
  handle.commands_ = std::make_shared<CommandChannel<PlayerCommand>>();
  handle.shared_ = std::make_shared<PlayerShared>(PlayerFrames{});
  handle.end_ = std::make_shared<PlayerHandle::ThreadEnd>();
  try {
    handle.thread_ = std::thread([commands = handle.commands_, shared = handle.shared_, end = handle.end_, notices,
                                  make_platform = std::move(make_platform), keep_alive = std::move(keep_alive)] {
      try {
        player_worker(*commands, *shared, notices, make_platform);
      } catch (...) {
        // Out of memory on the player thread: the player ends, the program goes on.
      }
      commands->close();  // later commands are dropped
      {
        std::lock_guard<std::mutex> lock(end->mutex);
        end->done = true;
      }
      end->ended.notify_all();
    });
  } catch (const std::system_error&) {
    return std::nullopt;
  }
  return handle;
}

std::optional<PlayerHandle> start_offscreen_player() { return start_player(PlayerNotices{}, make_platform_media); }

void player_open(const PlayerHandle& handle, std::string source, bool muted, bool silent) {
  handle.send(player_command::Open{std::move(source), muted, silent});
}

void player_set_targets(const PlayerHandle& handle, std::vector<VideoTargetSize> targets) {
  handle.send(player_command::SetTargets{std::move(targets)});
}

bool player_shutdown_join(PlayerHandle& handle, std::chrono::milliseconds limit) {
  if (!handle.thread_.joinable()) return true;
  handle.commands_->send(player_command::Shutdown{});
  handle.commands_->close();
  bool ended = false;
  {
    std::unique_lock<std::mutex> lock(handle.end_->mutex);
    ended = handle.end_->ended.wait_for(lock, limit, [&] { return handle.end_->done; });
  }
  // A media engine that hangs in its shutdown must not hang the caller (the window's Quit); the
  // thread keeps what it uses alive and ends with the process.
  if (ended) {
    handle.thread_.join();
  } else {
    handle.thread_.detach();
  }
  return ended;
}

}  // namespace qx

// A media platform for tests: engines that report what they were told and play back scripted
// events and frame times, and GIFs made of solid-colour frames.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/app_messages.h"
#include "video/media_engine.h"

namespace qx::test {

// What one fake engine was told, and what it will report. Shared between the test and the
// player's thread.
struct FakeEngineScript {
  std::mutex mutex;
  std::string source;
  bool muted = false;
  bool loop = false;
  std::vector<std::string> calls;  // "mute 1", "pause", "play", "seek 0"
  std::deque<std::uint32_t> events;
  std::optional<std::int64_t> frame_time;
  bool advancing = false;  // every tick brings a new frame
  bool ended = false;
  bool video = true;
  VideoSize size{640, 360};
  std::int32_t failing_width = -1;  // captures for targets of this width fail
  int captures = 0;
  bool shut_down = false;

  void push_event(std::uint32_t code) {
    std::lock_guard<std::mutex> lock(mutex);
    events.push_back(code);
  }
  // Reads a field under the lock.
  template <class F>
  auto read(F&& f) {
    std::lock_guard<std::mutex> lock(mutex);
    return f(*this);
  }
  std::vector<std::string> take_calls() {
    std::lock_guard<std::mutex> lock(mutex);
    return std::exchange(calls, {});
  }
};

// The colour of every pixel of a captured frame: width × 1000 + height.
inline std::uint32_t capture_colour(const VideoTargetSize& t) {
  return static_cast<std::uint32_t>(t.width * 1000 + t.height);
}

class FakeEngine final : public MediaEngine {
 public:
  explicit FakeEngine(std::shared_ptr<FakeEngineScript> script) : s_(std::move(script)) {}
  ~FakeEngine() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->shut_down = true;
  }
  std::vector<std::uint32_t> take_events() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    std::vector<std::uint32_t> codes(s_->events.begin(), s_->events.end());
    s_->events.clear();
    return codes;
  }
  void set_muted(bool muted) override { call(muted ? "mute 1" : "mute 0"); }
  void play() override { call("play"); }
  void pause() override { call("pause"); }
  bool is_ended() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    return s_->ended;
  }
  void seek_to_start() override { call("seek 0"); }
  bool has_video() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    return s_->video;
  }
  VideoSize native_video_size() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    return s_->size;
  }
  std::optional<std::int64_t> video_stream_tick() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    if (s_->advancing) s_->frame_time = s_->frame_time.value_or(0) + 1;
    return s_->frame_time;
  }
  std::optional<VideoFrame> capture_frame(const VideoTargetSize& target) override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    ++s_->captures;
    // Like the real engine, nothing can be taken before the first frame.
    if (!s_->frame_time || target.width == s_->failing_width) return std::nullopt;
    auto pixels = std::make_shared<std::vector<std::uint32_t>>(
        static_cast<std::size_t>(target.width) * target.height, capture_colour(target));
    return VideoFrame{std::move(pixels), target.width, target.height};
  }

 private:
  void call(std::string what) {
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->calls.push_back(std::move(what));
  }
  std::shared_ptr<FakeEngineScript> s_;
};

// A GIF of solid frames: frame i has colour colours[i] and the given delay.
struct FakeGif {
  std::vector<std::uint32_t> colours;
  std::vector<std::chrono::milliseconds> delays;
  std::int32_t width = 4;
  std::int32_t height = 2;
};

class FakePlatform final : public MediaPlatform {
 public:
  std::shared_ptr<FakeEngineScript> next = std::make_shared<FakeEngineScript>();
  bool engines_work = true;
  std::map<std::string, FakeGif> gifs;
  std::vector<std::string> opened;  // sources given to the engine
  std::mutex opened_mutex;

  std::vector<std::string> opened_sources() {
    std::lock_guard<std::mutex> lock(opened_mutex);
    return opened;
  }

  std::unique_ptr<MediaEngine> open_engine(const std::string& source, bool muted, bool loop) override {
    if (engines_work) {
      std::lock_guard<std::mutex> lock(next->mutex);
      next->source = source;
      next->muted = muted;
      next->loop = loop;
      next->shut_down = false;
    }
    {
      std::lock_guard<std::mutex> lock(opened_mutex);
      opened.push_back(source);
    }
    if (!engines_work) return nullptr;
    return std::make_unique<FakeEngine>(next);
  }
  std::optional<std::vector<GifFrame>> decode_gif(const std::string& path) override {
    const auto it = gifs.find(path);
    if (it == gifs.end()) return std::nullopt;
    std::vector<GifFrame> frames;
    for (std::size_t i = 0; i < it->second.colours.size(); ++i) {
      GifFrame f;
      f.delay = it->second.delays[i];
      f.width = it->second.width;
      f.height = it->second.height;
      f.pixels.assign(static_cast<std::size_t>(f.width) * f.height, it->second.colours[i]);
      frames.push_back(std::move(f));
    }
    return frames;
  }
};

// Lends a platform that the test keeps to a player thread.
class BorrowedPlatform final : public MediaPlatform {
 public:
  explicit BorrowedPlatform(MediaPlatform& platform) : p_(platform) {}
  std::unique_ptr<MediaEngine> open_engine(const std::string& source, bool muted, bool loop) override {
    return p_.open_engine(source, muted, loop);
  }
  std::optional<std::vector<GifFrame>> decode_gif(const std::string& path) override { return p_.decode_gif(path); }

 private:
  MediaPlatform& p_;
};

// Polls until the condition holds, for at most 5 s.
template <class F>
bool eventually(F&& condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Records posted messages.
class RecordingPoster final : public WindowPoster {
 public:
  void post(std::uint32_t message) override {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(message);
  }
  std::vector<std::uint32_t> take() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(messages_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<std::uint32_t> messages_;
};

}  // namespace qx::test

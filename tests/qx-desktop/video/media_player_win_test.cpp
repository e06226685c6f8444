// The player on the real platform under Wine: our media-engine declarations, GIFs decoded
// through GDI+ and played into the video targets, and the media engine's failure path.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "fake_media.h"
#include "gif_writer.h"
#include "video/media_engine_com_win.h"
#include "video/player.h"

namespace qx {
namespace {

using namespace std::chrono_literals;

std::string guid_text(const GUID& g) {
  wchar_t buffer[64] = {};
  StringFromGUID2(g, buffer, 64);
  std::string text;
  for (const wchar_t* p = buffer; *p; ++p) text.push_back(static_cast<char>(*p));
  return text;
}

TEST(MediaEngineDeclarations, IdentifiersAreTheDocumentedOnes) {
  EXPECT_EQ(guid_text(mf::IID_IMFMediaEngine), "{98A1B0BB-03EB-4935-AE7C-93C1FA0E1C93}");
  EXPECT_EQ(guid_text(mf::IID_IMFMediaEngineNotify), "{FEE7C112-E776-42B5-9BBF-0048524E2BD5}");
  EXPECT_EQ(guid_text(mf::IID_IMFMediaEngineClassFactory), "{4D645ACE-26AA-4688-9BE1-DF3516990B93}");
  EXPECT_EQ(guid_text(mf::CLSID_MFMediaEngineClassFactory), "{B44392DA-499B-446B-A4CB-005FEAD0E6D5}");
  EXPECT_EQ(guid_text(mf::MF_MEDIA_ENGINE_CALLBACK), "{C60381B8-83A4-41F8-A3D0-DE05076849A9}");
  EXPECT_EQ(guid_text(mf::MF_MEDIA_ENGINE_VIDEO_OUTPUT_FORMAT), "{5066893C-8CF9-42BC-8B8A-472212E52726}");
}

std::string temp_file(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("zv-video-" + name)).string();
}

TEST(GifDecoding, FramesDelaysAndColoursComeFromTheFile) {
  const std::string path = temp_file("rgb.gif");
  test::write_gif(path, {8, 4, {0xFF0000, 0x00FF00, 0x0000FF}, {0, 5, 20}});
  const std::unique_ptr<MediaPlatform> platform = make_platform_media();
  const std::optional<std::vector<GifFrame>> frames = platform->decode_gif(path);
  ASSERT_TRUE(frames);
  ASSERT_EQ(frames->size(), 3u);
  const std::chrono::milliseconds delays[] = {100ms, 50ms, 200ms};
  const std::uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF};
  for (std::size_t i = 0; i < 3; ++i) {
    const GifFrame& f = (*frames)[i];
    EXPECT_EQ(f.delay, delays[i]) << i;
    EXPECT_EQ(f.width, 8);
    EXPECT_EQ(f.height, 4);
    ASSERT_EQ(f.pixels.size(), 32u);
    EXPECT_EQ(f.pixels[13] & 0xFFFFFF, colours[i]) << i;
  }
  std::filesystem::remove(path);
}

TEST(GifDecoding, LargeGifsAreScaledDownAndBadFilesGiveNothing) {
  const std::string path = temp_file("wide.gif");
  test::write_gif(path, {1000, 500, {0x102030, 0x405060}, {10, 10}});
  const std::unique_ptr<MediaPlatform> platform = make_platform_media();
  const std::optional<std::vector<GifFrame>> frames = platform->decode_gif(path);
  ASSERT_TRUE(frames);
  ASSERT_EQ(frames->size(), 2u);
  EXPECT_EQ((*frames)[0].width, 240);
  EXPECT_EQ((*frames)[0].height, 120);
  EXPECT_EQ((*frames)[1].pixels[120 * 60] & 0xFFFFFF, 0x405060u);
  std::filesystem::remove(path);

  const std::string junk = temp_file("junk.gif");
  std::ofstream(junk) << "not a picture";
  EXPECT_FALSE(platform->decode_gif(junk));
  EXPECT_FALSE(platform->decode_gif(temp_file("missing.gif")));
  std::filesystem::remove(junk);
}

TEST(GifDecoding, AtMost150FramesAreDecoded) {
  const std::string path = temp_file("long.gif");
  test::GifRecipe recipe{2, 2, {}, {}};
  for (std::uint32_t i = 0; i < 152; ++i) {
    recipe.colours.push_back(0x010203 * (i % 128 + 1));
    recipe.delays.push_back(3);
  }
  test::write_gif(path, recipe);
  const std::optional<std::vector<GifFrame>> frames = make_platform_media()->decode_gif(path);
  ASSERT_TRUE(frames);
  ASSERT_EQ(frames->size(), 150u);
  EXPECT_EQ(frames->back().pixels.at(0) & 0xFFFFFF, recipe.colours[149]);
  EXPECT_EQ(frames->back().delay, 30ms);
  std::filesystem::remove(path);
}

TEST(PlayerOnThePlatform, AGifPlaysIntoTheVideoTargets) {
  const std::string path = temp_file("play.gif");
  test::write_gif(path, {16, 16, {0xFF0000, 0x00FF00, 0x0000FF}, {2, 2, 2}});
  auto window = std::make_shared<test::RecordingPoster>();
  std::atomic<bool> frame_pending{false};
  std::optional<PlayerHandle> player =
      start_player(PlayerNotices{window.get(), &frame_pending}, make_platform_media, window);
  ASSERT_TRUE(player);
  player_set_targets(*player, {VideoTargetSize{30, 20, Fit{}}, VideoTargetSize{12, 12, Fit{}}});
  player_open(*player, path, true, true);
  // Three frames of 20 ms each: within a second the colours have gone round.
  std::set<std::uint32_t> seen;
  ASSERT_TRUE(test::eventually([&] {
    const PlayerSnapshot snap = player_snapshot(player->shared());
    if (snap.frames.size() == 2 && snap.frames[0].pixels->size() == 600 && snap.frames[1].pixels->size() == 144) {
      seen.insert(snap.frames[0].pixels->at(315) & 0xFFFFFF);
    }
    return seen.size() == 3;
  }));
  EXPECT_EQ(seen, (std::set<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF}));
  EXPECT_EQ(player_snapshot(player->shared()).status, PlayerStatus::Playing);
  EXPECT_TRUE(frame_pending.load());
  EXPECT_TRUE(player_shutdown_join(*player));
  std::filesystem::remove(path);
}

TEST(PlayerOnThePlatform, AFilmThatCannotBePlayedFails) {
  std::optional<PlayerHandle> player = start_offscreen_player();
  ASSERT_TRUE(player);
  player_set_targets(*player, {VideoTargetSize{32, 18, Fit{}}});
  player_open(*player, temp_file("missing.mp4"), true, true);
  EXPECT_TRUE(test::eventually([&] { return player_snapshot(player->shared()).status == PlayerStatus::Failed; }));
  EXPECT_TRUE(player_snapshot(player->shared()).frames.empty());
  EXPECT_TRUE(player_shutdown_join(*player));
}

TEST(MediaEngineOnThePlatform, TheEngineIsMadeAndReportsAMissingFileAsAnError) {
  // Made here, the platform runs COM on this thread, as it does on the player's.
  const std::unique_ptr<MediaPlatform> platform = make_platform_media();
  const std::unique_ptr<MediaEngine> engine = platform->open_engine(temp_file("missing.mp4"), true, false);
  ASSERT_TRUE(engine) << "the class factory, the engine or its callback was refused";
  std::vector<std::uint32_t> events;
  EXPECT_TRUE(test::eventually([&] {
    for (std::uint32_t e : engine->take_events()) events.push_back(e);
    return std::find(events.begin(), events.end(), ENGINE_EVENT_ERROR) != events.end();
  }));
  EXPECT_FALSE(engine->has_video());
  EXPECT_EQ(engine->native_video_size(), VideoSize{});
  EXPECT_FALSE(engine->capture_frame(VideoTargetSize{8, 8, Fit{}}));
}

std::string film_fixture() {
  std::string path = std::string("Z:") + ZV_FIXTURES_DIR + "/video/colour-bars.webm";
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// A real film through the media engine (Wine's plays it with GStreamer's plugins). Wine 8 copies
// frames only into Direct3D textures, so no frame reaches a target there; on Windows frames
// arrive, and must then have the target's size.
TEST(PlayerOnThePlatform, AFilmOpensPlaysAndEnds) {
  std::optional<PlayerHandle> player = start_offscreen_player();
  ASSERT_TRUE(player);
  player_set_targets(*player, {VideoTargetSize{32, 18, Fit{}}});
  player_open(*player, film_fixture(), true, false);
  ASSERT_TRUE(test::eventually([&] { return player_snapshot(player->shared()).has_video; }))
      << "status " << static_cast<int>(player_snapshot(player->shared()).status);
  PlayerSnapshot snap = player_snapshot(player->shared());
  EXPECT_EQ(snap.video_width, 64);
  EXPECT_EQ(snap.video_height, 36);
  player->send(player_command::SetPaused{true});
  EXPECT_TRUE(test::eventually([&] { return player_snapshot(player->shared()).status == PlayerStatus::Paused; }));
  // Wine's engine does not start by itself; Play (what unpausing sends) starts it anywhere.
  player->send(player_command::SetPaused{false});
  EXPECT_TRUE(test::eventually([&] { return player_snapshot(player->shared()).status == PlayerStatus::Ended; }));
  snap = player_snapshot(player->shared());
  for (const VideoFrame& frame : snap.frames) {
    EXPECT_EQ(frame.width, 32);
    EXPECT_EQ(frame.pixels->size(), 32u * 18u);
  }
  // Playing an ended film again seeks to the start and plays (Wine 8's engine then stays put).
  player->send(player_command::SetPaused{false});
  EXPECT_TRUE(test::eventually([&] { return player_snapshot(player->shared()).status == PlayerStatus::Playing; }));
  EXPECT_TRUE(player_shutdown_join(*player));
}

TEST(PlayerOnThePlatform, AStillGifFails) {
  const std::string path = temp_file("still.gif");
  test::write_gif(path, {4, 4, {0xABCDEF}, {10}});
  std::optional<PlayerHandle> player = start_offscreen_player();
  ASSERT_TRUE(player);
  player_open(*player, path, true, true);
  EXPECT_TRUE(test::eventually([&] { return player_snapshot(player->shared()).status == PlayerStatus::Failed; }));
  EXPECT_TRUE(player_shutdown_join(*player));
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace qx

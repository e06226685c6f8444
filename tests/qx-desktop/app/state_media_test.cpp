#include "app/state_media.h"

#include <gtest/gtest.h>

#include "state_test_helpers.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using test::score;
using test::state_with;
using test::story;
using test::story_with_media;
using test::T0;

AppState with_story(QxItem item) {
  AppState s = state_with({"https://a.example/rss"});
  s.feeds[0].items = {std::move(item)};
  return s;
}

TEST(MediaLinks, OnlyThePathBeforeQueryOrFragmentCounts) {
  EXPECT_TRUE(is_media_link("https://cdn.example/live/index.M3U8?token=abc&x=.html"));
  EXPECT_TRUE(is_media_link("https://cdn.example/a.mp3"));
  EXPECT_TRUE(is_media_link("https://cdn.example/a.WMV#t=10"));
  EXPECT_FALSE(is_media_link("https://news.example/story.html#clip.mp4"));
  EXPECT_FALSE(is_media_link("https://news.example/watch?v=x.mp4"));
  EXPECT_FALSE(is_media_link("https://news.example/a.mp4x"));
  EXPECT_FALSE(is_media_link("https://news.example/a.gif"));
  EXPECT_FALSE(is_media_link(""));
  for (const char* ext : {".mp4", ".m4v", ".mov", ".m3u8", ".mp3", ".m4a", ".aac", ".wav", ".wma", ".wmv"}) {
    EXPECT_TRUE(is_media_link(std::string("https://x/y") + ext)) << ext;
  }
}

TEST(MediaLinks, FilmFilesAreRecognisedByTheirWholeName) {
  EXPECT_TRUE(is_film_file("C:\\Films\\Holiday.MP4"));
  EXPECT_TRUE(is_film_file("spin.gif"));
  EXPECT_TRUE(is_film_file("a.m4v"));
  EXPECT_TRUE(is_film_file("a.mov"));
  EXPECT_TRUE(is_film_file("a.wmv"));
  EXPECT_FALSE(is_film_file("a.mp3"));
  EXPECT_FALSE(is_film_file("a.png"));
  EXPECT_FALSE(is_film_file("movie.mp4?x"));
  EXPECT_FALSE(is_film_file(""));
}

TEST(CurrentPicture, AnImageIsItsOwnPictureOtherMediaShowTheirPoster) {
  EXPECT_EQ(current_picture_url(with_story(story("plain"))), std::nullopt);
  EXPECT_EQ(current_picture_url(with_story(story_with_media("p", "image", "https://i/1.jpg", "https://i/p.jpg"))),
            "https://i/1.jpg");
  EXPECT_EQ(current_picture_url(with_story(story_with_media("v", "video", "https://v/1.mp4", "https://i/p.jpg"))),
            "https://i/p.jpg");
  EXPECT_EQ(current_picture_url(with_story(story_with_media("v", "video", "https://v/1.mp4"))), std::nullopt);

  AppState s = with_story(story_with_media("p", "image", "https://i/1.jpg"));
  EXPECT_EQ(current_picture_path(s), std::nullopt);
  s.pictures["https://i/1.jpg"] = "C:\\cache\\0123456789abcdef.img";
  EXPECT_EQ(current_picture_path(s), "C:\\cache\\0123456789abcdef.img");
  s.feeds[0].score = score("in");  // a game has no current story, hence no picture
  EXPECT_EQ(current_picture_url(s), std::nullopt);
  EXPECT_EQ(current_picture_path(s), std::nullopt);
}

TEST(CurrentMedia, AudioPlaysVideoOnlyFromAMediaLinkAndNeverOverHttp) {
  EXPECT_EQ(current_media_url(with_story(story("plain"))), std::nullopt);
  EXPECT_EQ(current_media_url(with_story(story_with_media("a", "audio", "https://pod/ep?id=3"))), "https://pod/ep?id=3");
  EXPECT_EQ(current_media_url(with_story(story_with_media("a", "audio", "http://pod/ep.mp3"))), std::nullopt);
  EXPECT_EQ(current_media_url(with_story(story_with_media("v", "video", "https://v/clip.mp4"))), "https://v/clip.mp4");
  EXPECT_EQ(current_media_url(with_story(story_with_media("v", "video", "https://v/page.html"))), std::nullopt);
  EXPECT_EQ(current_media_url(with_story(story_with_media("i", "image", "https://v/clip.mp4"))), std::nullopt);
  EXPECT_EQ(current_media_url(with_story(story_with_media("v", "VIDEO", "https://v/clip.mp4"))), "https://v/clip.mp4");
}

TEST(CurrentLink, TheStoryAddressThenItsMediaElseTheFeedsLink) {
  AppState s = with_story(story("plain"));
  s.feeds[0].link = "https://feed.example/";
  EXPECT_EQ(current_link(s), std::nullopt);  // a story without addresses has no link of its own
  s.feeds[0].items[0].media = QxMedia{"image", "https://i/1.jpg", std::nullopt};
  EXPECT_EQ(current_link(s), "https://i/1.jpg");
  s.feeds[0].items[0].url = "https://story.example/1";
  EXPECT_EQ(current_link(s), "https://story.example/1");
  s.feeds[0].score = score("post");
  EXPECT_EQ(current_link(s), "https://feed.example/");
  s.feeds[0].items.clear();
  s.feeds[0].score.reset();
  EXPECT_EQ(current_link(s), "https://feed.example/");
}

TEST(PlayPause, StartsThenTogglesThenRestartsAFailedItem) {
  AppState s = with_story(story_with_media("Match highlights", "video", "https://v/clip.mp4"));
  EXPECT_TRUE(play_pause_current_media(s));
  ASSERT_TRUE(s.playing);
  EXPECT_EQ(*s.playing, (PlayingMedia{"https://v/clip.mp4", "Match highlights", false, false, false, false, false,
                                      PlayerStatus::Opening}));
  s.playing->status = PlayerStatus::Playing;
  EXPECT_TRUE(play_pause_current_media(s));
  EXPECT_TRUE(s.playing->paused);
  EXPECT_TRUE(play_pause_current_media(s));
  EXPECT_FALSE(s.playing->paused);

  s.playing->status = PlayerStatus::Ended;
  s.playing->paused = false;
  EXPECT_TRUE(play_pause_current_media(s));
  EXPECT_FALSE(s.playing->paused);  // an ended item is never left paused
  EXPECT_EQ(s.playing->status, PlayerStatus::Ended);

  s.playing->status = PlayerStatus::Failed;
  s.playing->paused = true;
  s.playing->has_video = true;
  EXPECT_TRUE(play_pause_current_media(s));
  EXPECT_EQ(s.playing->status, PlayerStatus::Opening);
  EXPECT_FALSE(s.playing->paused || s.playing->has_video);
}

TEST(PlayPause, ASilentClipBecomesAudibleAndKeepsPlaying) {
  AppState s = with_story(story_with_media("Clip", "video", "https://v/clip.mp4"));
  s.playing = PlayingMedia{"https://v/clip.mp4", "Clip", false, true, true, false, true, PlayerStatus::Playing};
  EXPECT_TRUE(play_pause_current_media(s));
  EXPECT_FALSE(s.playing->silent);
  EXPECT_FALSE(s.playing->muted);
  EXPECT_FALSE(s.playing->paused);
  EXPECT_EQ(s.playing->status, PlayerStatus::Playing);
}

TEST(PlayPause, AnotherItemIsReplacedAndNoMediaMeansNothing) {
  AppState s = with_story(story_with_media("Pod", "audio", "https://pod/ep.mp3"));
  s.playing = PlayingMedia{"https://other/x.mp3", "Other", true, false, false, true, false, PlayerStatus::Paused};
  EXPECT_TRUE(play_pause_current_media(s));
  EXPECT_EQ(s.playing->url, "https://pod/ep.mp3");
  EXPECT_FALSE(s.playing->is_stream);

  AppState none = with_story(story("plain"));
  EXPECT_FALSE(play_pause_current_media(none));
  EXPECT_FALSE(none.playing);
}

TEST(PlayStream, TheUsersStreamStartsOpening) {
  AppState s = with_story(story("plain"));
  EXPECT_TRUE(play_stream(s, "https://tv.example/live.m3u8", "Channel"));
  EXPECT_EQ(*s.playing, (PlayingMedia{"https://tv.example/live.m3u8", "Channel", true, false, false, false, false,
                                      PlayerStatus::Opening}));
  EXPECT_TRUE(is_current_media_selected(s));  // a stream is selected whatever the story
}

TEST(VideoShowing, NeedsTheSelectedItemPlayingOrPausedWithVideo) {
  AppState s = with_story(story_with_media("Clip", "video", "https://v/clip.mp4"));
  EXPECT_FALSE(is_current_media_selected(s));
  s.playing = PlayingMedia{"https://v/clip.mp4", "Clip", false, true, true, false, true, PlayerStatus::Opening};
  EXPECT_TRUE(is_current_media_selected(s));
  EXPECT_FALSE(is_video_showing(s));
  s.playing->status = PlayerStatus::Playing;
  EXPECT_TRUE(is_video_showing(s));
  EXPECT_FALSE(is_video_running(s));  // silent clip
  s.playing->silent = false;
  EXPECT_TRUE(is_video_running(s));
  s.playing->status = PlayerStatus::Paused;
  EXPECT_TRUE(is_video_running(s));
  s.playing->status = PlayerStatus::Ended;
  EXPECT_FALSE(is_video_showing(s));
  s.playing->status = PlayerStatus::Playing;
  s.playing->has_video = false;
  EXPECT_FALSE(is_video_showing(s));
  s.playing->has_video = true;
  s.feeds[0].items[0].media->url = "https://v/other.mp4";
  EXPECT_FALSE(is_current_media_selected(s));
  EXPECT_FALSE(is_video_showing(s));
}

TEST(OrbMediaSource, ThePlayingItemThenTheOrbFilmOnlyWhileTheBarIsActive) {
  AppState s = with_story(story("plain"));
  EXPECT_EQ(orb_media_source(s, T0), std::nullopt);
  s.orb_image = "C:\\me\\spin.GIF";
  EXPECT_EQ(orb_media_source(s, T0), (OrbMediaSource{"C:\\me\\spin.GIF", true, true, false}));
  s.playing = PlayingMedia{"https://v/clip.mp4", "Clip", false, false, true, true, true, PlayerStatus::Paused};
  EXPECT_EQ(orb_media_source(s, T0), (OrbMediaSource{"https://v/clip.mp4", true, false, true}));
  s.playing->status = PlayerStatus::Failed;
  EXPECT_EQ(orb_media_source(s, T0), (OrbMediaSource{"C:\\me\\spin.GIF", true, true, false}));
  s.orb_image = "C:\\me\\still.png";
  EXPECT_EQ(orb_media_source(s, T0), std::nullopt);

  s.orb_image = "C:\\me\\spin.gif";
  s.hidden_until = T0 + 1h;
  EXPECT_EQ(orb_media_source(s, T0), std::nullopt);
  EXPECT_TRUE(orb_media_source(s, T0 + 1h));
  s.shown = false;
  EXPECT_EQ(orb_media_source(s, T0 + 2h), std::nullopt);
}

}  // namespace
}  // namespace qx

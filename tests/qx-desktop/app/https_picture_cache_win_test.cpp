// The picture cache against a scripted server behind a local TLS front, on the real disk: what a
// friendly and a hostile server leave in the cache folder, the worker and the prefetch that fill
// the map, and the sweep by the files' own times.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/picture_cache.h"
#include "local_http_server_win.h"
#include "state_test_helpers.h"
#include "temp_folder_win.h"
#include "tls_front_win.h"
#include "unicode_text.h"
#include "win_util.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using zvtest::answer;
using zvtest::Framing;
using zvtest::LocalHttpServer;
using zvtest::ServedResponse;
using zvtest::TlsFront;

const std::string JPEG("\xFF\xD8\xFF\xE0", 4);

class HttpsPictures : public ::testing::Test {
 protected:
  std::optional<std::string> fetch(const std::string& target, std::chrono::milliseconds timeout = 12s) {
    return cached_picture(front.url(target), PictureDownload{platform_http_client(), platform_file_ops(), cache, timeout});
  }

  std::vector<std::string> cache_files() {
    std::vector<std::string> names;
    if (auto entries = list_folder(cache)) {
      for (const FolderEntry& e : *entries) names.push_back(e.path.substr(cache.size() + 1));
    }
    return names;
  }

  PictureWork work_on(Guarded<AppState>& state) {
    PictureWork work;
    work.state = &state;
    work.fetch = [this](std::string_view address) {
      return cached_picture(address, PictureDownload{platform_http_client(), platform_file_ops(), cache});
    };
    work.poster = poster;
    return work;
  }

  struct CountingPoster final : WindowPoster {
    int posted = 0;
    void post(std::uint32_t) override { ++posted; }
  };

  LocalHttpServer server;
  TlsFront front{server};
  zvtest::TempFolder local{L"zv-pictures"};
  std::string cache = join_path(join_path(local.utf8(), "Zelvarons"), "pictures");
  std::shared_ptr<CountingPoster> poster = std::make_shared<CountingPoster>();
};

// --- a friendly server ---------------------------------------------------------------------------

TEST_F(HttpsPictures, APictureIsDownloadedOnceAndThenServedFromDisk) {
  server.route("/a.jpg", answer(JPEG + "picture", {{"Content-Type", "image/jpeg"}}));
  const std::string stem = picture_file_stem(front.url("/a.jpg"));
  const auto first = fetch("/a.jpg");
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, join_path(cache, stem + ".img"));
  EXPECT_EQ(platform_file_ops().read_whole(*first).value(), JPEG + "picture");
  EXPECT_EQ(fetch("/a.jpg"), first);
  EXPECT_EQ(server.request_count(), 1u);
  EXPECT_EQ(server.requests()[0].header("User-Agent"), "zelvarons-windows/0.4.0");
  EXPECT_EQ(cache_files(), std::vector<std::string>{stem + ".img"});
}

TEST_F(HttpsPictures, ExactlyEightMebibytesAreStoredAndOneByteMoreIsNot) {
  const std::string exact = JPEG + std::string(MAX_PICTURE_BYTES - JPEG.size(), 'x');
  ServedResponse chunked = answer(exact + "x");
  chunked.framing = Framing::Chunked;
  server.route("/exact", answer(exact));
  server.route("/over", chunked);
  const auto stored = fetch("/exact");
  ASSERT_TRUE(stored);
  EXPECT_EQ(platform_file_ops().read_whole(*stored).value().size(), MAX_PICTURE_BYTES);
  EXPECT_EQ(fetch("/over"), std::nullopt);
  EXPECT_EQ(cache_files().size(), 1u);
}

// --- a hostile server --------------------------------------------------------------------------------

TEST_F(HttpsPictures, WhatIsNotAWholePictureLeavesNothingInTheCache) {
  ServedResponse cut = answer(JPEG + std::string(50'000, 'x'));
  cut.close_after = 20'000;
  server.route("/cut", cut);
  server.route("/webp", answer(std::string("RIFF\x20\0\0\0WEBPVP8 ", 16) + std::string(100, 'w'),
                               {{"Content-Type", "image/jpeg"}}));
  server.route("/error-page", answer("<!DOCTYPE html><html><body>Sorry</body></html>", {{"Content-Type", "text/html"}}));
  server.route("/gone", answer(404, JPEG));
  for (const char* target : {"/cut", "/webp", "/error-page", "/gone"}) {
    EXPECT_EQ(fetch(target), std::nullopt) << target;
  }
  EXPECT_TRUE(cache_files().empty());
}

TEST_F(HttpsPictures, AnEndlessBodyCostsNoMoreThanTheLimit) {
  ServedResponse endless = answer(JPEG + std::string(3 * MAX_PICTURE_BYTES, 'x'));
  endless.framing = Framing::CloseDelimited;
  server.route("/endless", endless);
  EXPECT_EQ(fetch("/endless"), std::nullopt);
  EXPECT_TRUE(cache_files().empty());
}

TEST_F(HttpsPictures, ASlowDripIsCutOffAtTheDeadline) {
  ServedResponse drip = answer(JPEG + std::string(10'000, 'x'));
  drip.drip_interval = 100ms;
  drip.drip_bytes = 4;
  server.route("/drip", drip);
  const auto start = Clock::now();
  EXPECT_EQ(fetch("/drip", 1500ms), std::nullopt);
  EXPECT_LT(Clock::now() - start, 4s);
  EXPECT_TRUE(cache_files().empty());
}

// --- the worker and the prefetch -------------------------------------------------------------------

TEST_F(HttpsPictures, AMapOf65EntriesIsEmptiedForTheNextPicture) {
  server.route("/new.png", answer(std::string("\x89PNG\r\n\x1a\n", 8)));
  AppState s = test::state_with({"https://feed"});
  for (int i = 0; i < 65; ++i) s.pictures["https://old/" + std::to_string(i)] = "f";
  Guarded<AppState> state(std::move(s));
  picture_fetch_thread({front.url("/new.png")}, work_on(state));
  const PictureMap map = view_snapshot(state)->pictures;
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(map.begin()->first, front.url("/new.png"));
  EXPECT_EQ(poster->posted, 1);
}

TEST_F(HttpsPictures, ThePrefetchFetchesTheCurrentAndTheNextStorysPicture) {
  struct Case {
    std::size_t stories;
    std::size_t fetched;
  } cases[] = {{0, 0}, {1, 1}, {3, 2}};
  for (const Case& c : cases) {
    AppState s = test::state_with({"https://feed"});
    for (std::size_t i = 1; i <= c.stories; ++i) {
      const std::string target = "/" + std::to_string(c.stories) + "-" + std::to_string(i) + ".gif";
      server.route(target, answer("GIF89a"));
      s.feeds[0].items.push_back(test::story_with_media("s", "image", front.url(target)));
    }
    Guarded<AppState> state(std::move(s));
    const std::size_t before = server.request_count();
    prefetch_pictures(state, [&](std::vector<std::string> list) { picture_fetch_thread(list, work_on(state)); });
    EXPECT_EQ(server.request_count() - before, c.fetched) << c.stories;
    EXPECT_EQ(view_snapshot(state)->pictures.size(), c.fetched) << c.stories;
  }
}

// --- the sweep ---------------------------------------------------------------------------------

void set_last_write(const std::wstring& path, std::chrono::system_clock::time_point when) {
  const auto since_1601 =
      std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>>(when.time_since_epoch())
          .count() +
      116'444'736'000'000'000LL;
  FILETIME ft{static_cast<DWORD>(since_1601 & 0xffffffff), static_cast<DWORD>(since_1601 >> 32)};
  UniqueHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(file);
  ASSERT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &ft));
}

TEST_F(HttpsPictures, TheSweepDeletesWeekOldFilesByTheirLastWriteTime) {
  FileOps& files = platform_file_ops();
  ASSERT_TRUE(files.create_folders(cache));
  const auto now = std::chrono::system_clock::now();
  struct Entry {
    const wchar_t* name;
    std::chrono::system_clock::duration age;
    bool kept;
  } entries[] = {
      {L"0000000000000001.img", 604'801s, false},
      {L"0000000000000002.tmp", 8 * 24h, false},
      {L"0000000000000003.img", 604'799s - 5s, true},
      {L"0000000000000004.img", -1h, true},  // written in the future
  };
  const std::wstring wide_cache = utf8_to_wide(cache);
  for (const Entry& e : entries) {
    ASSERT_TRUE(files.write_file(wide_to_utf8(wide_cache + L"\\" + e.name), JPEG));
    set_last_write(wide_cache + L"\\" + e.name, now - e.age);
  }
  const std::wstring old_folder = wide_cache + L"\\old-folder";
  ASSERT_TRUE(CreateDirectoryW(old_folder.c_str(), nullptr));
  set_last_write(old_folder, now - 30 * 24h);

  const std::optional<std::string> saved = environment_variable("LOCALAPPDATA");
  SetEnvironmentVariableW(L"LOCALAPPDATA", local.wide().c_str());
  picture_cache_sweep_once(nullptr);
  SetEnvironmentVariableW(L"LOCALAPPDATA", saved ? utf8_to_wide(*saved).c_str() : nullptr);

  std::vector<std::string> expected;
  for (const Entry& e : entries) {
    if (e.kept) expected.push_back(wide_to_utf8(e.name));
  }
  expected.push_back("old-folder");  // folders are never deleted
  std::vector<std::string> left = cache_files();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, expected);
}

}  // namespace
}  // namespace qx

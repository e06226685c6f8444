#include "app/picture_cache.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/decode_notes.h"
#include "app/feed_slots.h"
#include "app/state_media.h"
#include "memory_files.h"
#include "state_test_helpers.h"

namespace qx {
namespace {

using test::MemoryFiles;
using test::story;
using test::story_with_media;
using namespace std::chrono_literals;

const std::string JPEG("\xFF\xD8\xFF\xE0", 4);
const std::string FOLDER = join_path(join_path(join_path("", "local"), "Zelvarons"), "pictures");

// Answers every request with one scripted response and keeps what was asked.
class FakeHttp final : public HttpGet {
 public:
  HttpResponse response;
  std::vector<HttpRequest> requests;

  HttpResponse get(const HttpRequest& request) override {
    requests.push_back(request);
    HttpResponse r = response;
    if (r.body.size() > request.byte_limit) r.body.resize(request.byte_limit);
    return r;
  }
};

HttpResponse ok_with(std::string body) {
  HttpResponse r;
  r.status = 200;
  r.body = std::move(body);
  return r;
}

class Download : public ::testing::Test {
 protected:
  std::optional<std::string> fetch(std::string_view address) {
    return cached_picture(address, PictureDownload{http, files, FOLDER});
  }
  std::string img(std::string_view address) { return join_path(FOLDER, picture_file_stem(address) + ".img"); }
  std::string tmp(std::string_view address) { return join_path(FOLDER, picture_file_stem(address) + ".tmp"); }

  FakeHttp http;
  MemoryFiles files;
};

// --- names ------------------------------------------------------------------------------------

TEST(PictureNames, SipHashMatchesItsReferenceVectors) {
  // SipHash-2-4 with the key 00..0f over the empty message (the reference paper's first vector).
  EXPECT_EQ(sip_hash("", 0x0706050403020100ULL, 0x0f0e0d0c0b0a0908ULL, 2, 4), 0x726fdb47dd0e0e31ULL);
  struct Case {
    const char* address;
    const char* stem;
  } cases[] = {
      {"", "30406ea523c53def"},
      {"https://example.com/a.jpg", "3d9c2df0bc518b89"},
      {"https://example.com/A.jpg", "7c89281e31784eaa"},
  };
  for (const Case& c : cases) EXPECT_EQ(picture_file_stem(c.address), c.stem) << c.address;
}

TEST(PictureNames, TheFolderLiesBelowLocalAppDataAndNeedsIt) {
  EXPECT_EQ(picture_cache_folder(std::string("C:\\Users\\z\\AppData\\Local")),
            join_path(join_path("C:\\Users\\z\\AppData\\Local", "Zelvarons"), "pictures"));
  EXPECT_EQ(picture_cache_folder(std::nullopt), std::nullopt);
  EXPECT_EQ(picture_cache_folder(std::string()), std::nullopt);
}

// --- what is stored ---------------------------------------------------------------------------

TEST_F(Download, APictureIsStoredAsReceivedWithTheProgramsAgentAndLimit) {
  http.response = ok_with(JPEG + "rest");
  const std::string a = "https://example.com/a.jpg";
  EXPECT_EQ(fetch(a), img(a));
  EXPECT_EQ(files.files[img(a)], JPEG + "rest");
  EXPECT_FALSE(files.exists(tmp(a)));
  ASSERT_EQ(http.requests.size(), 1u);
  EXPECT_EQ(http.requests[0].url, a);
  EXPECT_EQ(http.requests[0].user_agent, "zelvarons-windows/0.4.0");
  EXPECT_EQ(http.requests[0].byte_limit, MAX_PICTURE_BYTES + 1);
  EXPECT_EQ(files.log[1], "write " + tmp(a));
}

TEST_F(Download, OnlyJpegPngAndGifBodiesAreStored) {
  struct Case {
    std::string body;
    bool stored;
  } cases[] = {
      {JPEG, true},
      {std::string("\x89PNG\r\n\x1a\n", 8), true},
      {"GIF89a", true},
      {"GIF87a", true},
      {"RIFF\x10\0\0\0WEBPVP8 ", false},
      {"<!DOCTYPE html><title>Not found</title>", false},
      {std::string("\xFF\xD8", 2), false},
      {"", false},
  };
  for (const Case& c : cases) {
    MemoryFiles fresh;
    http.response = ok_with(c.body);
    const auto got = cached_picture("https://example.com/p", PictureDownload{http, fresh, FOLDER});
    EXPECT_EQ(got.has_value(), c.stored) << c.body;
    EXPECT_EQ(fresh.files.size(), c.stored ? 1u : 0u) << c.body;
  }
}

// --- when nothing is asked --------------------------------------------------------------------

TEST_F(Download, OnlyHttpsAddressesAreFetched) {
  http.response = ok_with(JPEG);
  EXPECT_EQ(fetch("http://example.com/a.jpg"), std::nullopt);
  EXPECT_EQ(fetch("HTTPS://example.com/a.jpg"), std::nullopt);
  EXPECT_TRUE(http.requests.empty());
}

TEST_F(Download, AFileOnDiskIsReturnedWithoutARequestEvenWhenEmpty) {
  const std::string a = "https://example.com/a.jpg";
  files.files[img(a)] = "";
  EXPECT_EQ(fetch(a), img(a));
  EXPECT_TRUE(http.requests.empty());
}

TEST_F(Download, NoFolderMeansNoPicture) {
  http.response = ok_with(JPEG);
  EXPECT_EQ(cached_picture("https://example.com/a.jpg", PictureDownload{http, files, std::nullopt}), std::nullopt);
  files.fail_folders = true;
  EXPECT_EQ(fetch("https://example.com/a.jpg"), std::nullopt);
  EXPECT_TRUE(http.requests.empty());
}

// --- failed writes leave no partial file ----------------------------------------------------------

TEST_F(Download, AFailedWriteOrRenameLeavesNeitherFile) {
  http.response = ok_with(JPEG + "body");
  const std::string a = "https://example.com/a.jpg";
  files.fail_write = true;
  EXPECT_EQ(fetch(a), std::nullopt);
  files.fail_write = false;
  files.fail_replace = true;
  EXPECT_EQ(fetch(a), std::nullopt);
  EXPECT_TRUE(files.files.empty());
}

// --- the map ---------------------------------------------------------------------------------

TEST(PictureMapLimit, AMapOfMoreThanTheLimitIsEmptiedBeforeTheNextInsert) {
  PictureMap map;
  for (int i = 0; i < 64; ++i) store_picture(map, "a" + std::to_string(i), "p");
  store_picture(map, "a64", "p");
  EXPECT_EQ(map.size(), 65u);
  store_picture(map, "new", "q");
  EXPECT_EQ(map, (PictureMap{{"new", "q"}}));
  store_picture(map, "new", "r");  // the same address replaces its path
  EXPECT_EQ(map, (PictureMap{{"new", "r"}}));
}

// --- the fetch worker ---------------------------------------------------------------------------

struct CountingPoster final : WindowPoster {
  std::vector<std::uint32_t> posted;
  void post(std::uint32_t message) override { posted.push_back(message); }
};

TEST(PictureFetch, EachPictureThatArrivesIsMappedAndAnnouncedOnce) {
  Guarded<AppState> state(test::state_with({"https://f"}));
  auto poster = std::make_shared<CountingPoster>();
  PictureWork work{&state, [](std::string_view a) -> std::optional<std::string> {
                     if (a.ends_with("bad")) return std::nullopt;
                     return "file-" + std::string(a);
                   },
                   poster};
  picture_fetch_thread({"https://a", "https://bad", "https://c"}, work);
  EXPECT_EQ(poster->posted, (std::vector<std::uint32_t>{WM_APP_DATA, WM_APP_DATA}));
  EXPECT_EQ(view_snapshot(state)->pictures, (PictureMap{{"https://a", "file-https://a"}, {"https://c", "file-https://c"}}));
}

TEST(PictureFetch, WithoutAUsableStateTheWindowIsStillTold) {
  Guarded<AppState> unset;
  Guarded<AppState> poisoned(AppState{});
  poisoned.with([](AppState&) { throw 1; });
  for (Guarded<AppState>* state : {&unset, &poisoned}) {
    auto poster = std::make_shared<CountingPoster>();
    picture_fetch_thread({"https://a"}, PictureWork{state, [](std::string_view) { return std::optional<std::string>("f"); }, poster});
    EXPECT_EQ(poster->posted.size(), 1u);
  }
}

// --- the prefetch ------------------------------------------------------------------------------

AppState state_with_stories(std::vector<QxItem> items, std::size_t current = 0) {
  AppState s = test::state_with({"https://feed"});
  s.feeds[0].items = std::move(items);
  s.feeds[0].current = current;
  return s;
}

std::vector<std::vector<std::string>> prefetched(AppState s) {
  Guarded<AppState> state(std::move(s));
  std::vector<std::vector<std::string>> started;
  prefetch_pictures(state, [&](std::vector<std::string> list) { started.push_back(std::move(list)); });
  return started;
}

TEST(Prefetch, TheCurrentStoryAndTheNextAreLookedAt) {
  const QxItem a = story_with_media("a", "image", "https://p/a.jpg");
  const QxItem b = story_with_media("b", "video", "https://v/b.mp4", "https://p/b.jpg");
  const QxItem c = story_with_media("c", "image", "https://p/c.jpg");
  using Lists = std::vector<std::vector<std::string>>;
  EXPECT_EQ(prefetched(state_with_stories({a, b, c})), (Lists{{"https://p/a.jpg", "https://p/b.jpg"}}));
  EXPECT_EQ(prefetched(state_with_stories({a, b, c}, 2)), (Lists{{"https://p/c.jpg", "https://p/a.jpg"}}));
  EXPECT_EQ(prefetched(state_with_stories({a})), (Lists{{"https://p/a.jpg"}}));
  EXPECT_EQ(prefetched(state_with_stories({})), Lists{});
  EXPECT_EQ(prefetched(state_with_stories({story("no picture"), b})), (Lists{{"https://p/b.jpg"}}));
}

TEST(Prefetch, PicturesAlreadyMappedAreNotFetchedAgain) {
  const QxItem a = story_with_media("a", "image", "https://p/a.jpg");
  AppState s = state_with_stories({a, a});
  EXPECT_EQ(pictures_to_prefetch(s), (std::vector<std::string>{"https://p/a.jpg", "https://p/a.jpg"}));
  s.pictures["https://p/a.jpg"] = "file";
  EXPECT_TRUE(prefetched(s).empty());
}

// --- the sweep ---------------------------------------------------------------------------------

TEST(Sweep, FilesLastWrittenMoreThanSevenDaysAgoAreDeleted) {
  const auto now = std::chrono::system_clock::time_point(std::chrono::hours(24 * 365 * 50));
  MemoryFiles files;
  for (const char* name : {"old.img", "old.tmp", "edge.img", "young.img", "future.img", "unknown.img", "shown.img"}) {
    files.files[name] = "x";
  }
  const std::vector<std::string> deleted = sweep_picture_cache({{"old.img", now - 604'801s},
                                                                {"old.tmp", now - 604'800s - 1ns},
                                                                {"edge.img", now - 604'800s},
                                                                {"young.img", now - 604'799s},
                                                                {"future.img", now + 1h},
                                                                {"unknown.img", std::nullopt},
                                                                {"shown.img", now - 30 * 24h}},
                                                               files, now, {"shown.img"});
  EXPECT_EQ(deleted, (std::vector<std::string>{"old.img", "old.tmp"}));
  std::vector<std::string> left;
  for (const auto& [name, bytes] : files.files) left.push_back(name);
  EXPECT_EQ(left, (std::vector<std::string>{"edge.img", "future.img", "shown.img", "unknown.img", "young.img"}));
}

// A cache folder on the in-memory disk with each file's last-write time, under a clock the test moves.
struct SweptFolder {
  MemoryFiles files;
  std::map<std::string, std::chrono::system_clock::time_point> written;
  std::chrono::system_clock::time_point now = std::chrono::system_clock::time_point(std::chrono::hours(24 * 365 * 50));
  std::function<void()> while_listing = [] {};

  void write(const std::string& path, std::chrono::system_clock::duration age = {}) {
    files.files[path] = JPEG;
    written[path] = now - age;
  }
  PictureSweep sweep(Guarded<AppState>& state, std::shared_ptr<WindowPoster> poster) {
    PictureSweep how;
    how.state = &state;
    how.folder = FOLDER;
    how.list = [this](std::string_view) {
      while_listing();
      std::vector<FolderEntry> entries;
      for (const auto& [path, bytes] : files.files) entries.push_back({path, written[path]});
      return std::optional(entries);
    };
    how.files = &files;
    how.now = [this] { return now; };
    how.poster = std::move(poster);
    return how;
  }
};

struct Stop {};

TEST(Sweep, RunsAtStartAndAgainTwiceADayOfWallClockTime) {
  struct Case {
    const char* name;
    std::vector<std::chrono::hours> clock_steps;  // how far the clock moves during each wake's sleep
    std::vector<std::size_t> sweeping_wakes;      // after which sleeps a sweep runs (0: at start)
  } cases[] = {
      {"an hour a wake", std::vector<std::chrono::hours>(25, 1h), {0, 12, 24}},
      {"a night asleep counts", {1h, 15h, 1h, 1h}, {0, 2}},
      {"the clock put back", {1h, -2h, 1h}, {0, 2}},
  };
  for (const Case& c : cases) {
    auto now = std::chrono::system_clock::time_point(24h * 365 * 50);
    std::size_t wakes = 0;
    std::vector<std::size_t> swept;
    std::vector<std::chrono::seconds> sleeps;
    EXPECT_THROW(picture_sweep_loop([&] { swept.push_back(wakes); }, [&] { return now; },
                                    [&](std::chrono::seconds s) {
                                      sleeps.push_back(s);
                                      if (wakes == c.clock_steps.size()) throw Stop{};
                                      now += c.clock_steps[wakes++];
                                    }),
                 Stop);
    EXPECT_EQ(swept, c.sweeping_wakes) << c.name;
    EXPECT_EQ(sleeps, std::vector<std::chrono::seconds>(c.clock_steps.size() + 1, 3'600s)) << c.name;
  }
}

TEST(Sweep, WhileTheBarRunsOldPicturesGoButTheShownOneStays) {
  const QxItem a = story_with_media("a", "image", "https://p/a.jpg");
  const std::string shown = join_path(FOLDER, picture_file_stem("https://p/a.jpg") + ".img");
  const std::string old = join_path(FOLDER, picture_file_stem("https://p/old.jpg") + ".img");
  AppState start = state_with_stories({a});
  start.pictures["https://p/a.jpg"] = shown;
  Guarded<AppState> state(std::move(start));
  SweptFolder folder;
  folder.write(shown);
  folder.write(old);
  const PictureSweep how = folder.sweep(state, std::make_shared<CountingPoster>());
  std::size_t sweeps = 0;
  EXPECT_THROW(picture_sweep_loop(
                   [&] {
                     sweep_picture_folder(how);
                     ++sweeps;
                   },
                   how.now,
                   [&](std::chrono::seconds s) {
                     if (folder.now - folder.written[shown] > 8 * 24h) throw Stop{};
                     folder.now += s;
                   }),
               Stop);
  EXPECT_EQ(sweeps, 17u);  // at start, then every 12 hours of the 8 days
  EXPECT_FALSE(folder.files.exists(old));
  EXPECT_EQ(current_picture_path(*view_snapshot(state)), shown);
  EXPECT_TRUE(folder.files.exists(shown));
}

TEST(Sweep, AMapEntryWhoseFileWentAnywayIsDroppedAndFetchedAgain) {
  // A fetch that found the old file on disk maps it after the sweep read the map.
  const QxItem a = story_with_media("a", "image", "https://p/a.jpg");
  const std::string path = join_path(FOLDER, picture_file_stem("https://p/a.jpg") + ".img");
  Guarded<AppState> state(state_with_stories({a}));
  SweptFolder folder;
  folder.write(path, 8 * 24h);
  folder.while_listing = [&] { state.with([&](AppState& s) { store_picture(s.pictures, "https://p/a.jpg", path); }); };
  auto poster = std::make_shared<CountingPoster>();
  sweep_picture_folder(folder.sweep(state, poster));
  EXPECT_FALSE(folder.files.exists(path));
  EXPECT_TRUE(view_snapshot(state)->pictures.empty());
  EXPECT_EQ(poster->posted, std::vector<std::uint32_t>{WM_APP_DATA});
  EXPECT_EQ(pictures_to_prefetch(*view_snapshot(state)), std::vector<std::string>{"https://p/a.jpg"});
}

// --- decode notes -------------------------------------------------------------------------------

// Notes on an in-memory disk. A crash ends the program that holds them: from then on it does
// nothing to the disk, and once it is gone its notes stay, held by nobody.
class MemoryNotes final : public NoteFiles {
 public:
  std::map<std::string, bool> held;  // every note on the disk: held by a running program
  bool crashed = false;
  bool fail = false;

  std::vector<std::string> abandoned(const std::string& folder) override {
    std::vector<std::string> names;
    for (const auto& [path, running] : held) {
      if (!running && parent_folder(path) == folder) names.push_back(path.substr(folder.size() + 1));
    }
    return names;
  }
  std::unique_ptr<Held> hold(const std::string& path) override {
    if (fail) return nullptr;
    held[path] = true;
    return std::make_unique<Note>(*this, path);
  }
  void start_again() {
    crashed = false;
    for (auto& [path, running] : held) running = false;
  }

 private:
  struct Note final : Held {
    Note(MemoryNotes& disk, std::string path) : disk(disk), path(std::move(path)) {}
    ~Note() override {
      if (!disk.crashed) disk.held.erase(path);
    }
    MemoryNotes& disk;
    std::string path;
  };
};

TEST(DecodeNotes, AFileThatCrashedADecoderIsNotGivenToItAgain) {
  const std::string picture = join_path(FOLDER, "1234.img");
  const std::string orb = join_path("", "orb.gif");
  MemoryNotes disk;
  disk.held[join_path(FOLDER, "00000000000000aa.img")] = false;  // a picture, not a note
  int decoded = 0;
  const auto decode = [&] { return std::optional<int>(++decoded); };
  {
    DecodeNotes first(disk, FOLDER, "17");
    const std::string note = join_path(FOLDER, first.note_name(Decoder::Picture, picture));
    EXPECT_EQ(first.run(Decoder::Picture, picture, [&] {
      EXPECT_TRUE(disk.held.at(note)) << "the note stands while the file is decoded";
      return decode();
    }), 1);
    EXPECT_FALSE(disk.held.contains(note)) << "and goes when the decode returns";
    // Two files crash their decoders, one after the other, in two runs of the program.
    first.run(Decoder::Picture, picture, [&] { disk.crashed = true; return decode(); });
  }
  disk.start_again();
  {
    DecodeNotes second(disk, FOLDER, "17");
    EXPECT_EQ(second.run(Decoder::Picture, picture, decode), std::nullopt);
    second.run(Decoder::Gif, orb, [&] { disk.crashed = true; return decode(); });
  }
  disk.start_again();
  const int before = decoded;
  DecodeNotes third(disk, FOLDER, "42");
  for (const Decoder decoder : {Decoder::Picture, Decoder::Gif}) {
    EXPECT_EQ(third.run(decoder, picture, decode), std::nullopt);
    EXPECT_EQ(third.run(decoder, orb, decode), std::nullopt);
  }
  EXPECT_EQ(decoded, before) << "neither file is decoded again, by either decoder";
  EXPECT_EQ(third.run(Decoder::Picture, join_path(FOLDER, "5678.img"), decode), before + 1);
  EXPECT_EQ(third.run(Decoder::Gif, join_path(FOLDER, "5678.img"), decode), before + 2);
}

TEST(DecodeNotes, ANoteThatIsHeldOrCannotBeWrittenStopsNoDecode) {
  const std::string picture = join_path(FOLDER, "1234.img");
  MemoryNotes disk;
  DecodeNotes running(disk, FOLDER, "17");
  int decoded = 0;
  const auto decode = [&] { return std::optional<int>(++decoded); };
  // Another program starts while this one decodes the same file with both decoders.
  running.run(Decoder::Picture, picture, [&] {
    return running.run(Decoder::Gif, picture, [&] {
      EXPECT_EQ(disk.held.size(), 2u);
      DecodeNotes other(disk, FOLDER, "42");
      EXPECT_EQ(other.run(Decoder::Picture, picture, decode), 1);
      return decode();
    });
  });
  EXPECT_TRUE(disk.held.empty());
  disk.fail = true;
  EXPECT_EQ(running.run(Decoder::Picture, picture, decode), 3);
  DecodeNotes no_folder(disk, std::nullopt, "17");
  EXPECT_EQ(no_folder.run(Decoder::Picture, picture, decode), 4);
}

}  // namespace
}  // namespace qx

#include "app/add_feed.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/feed_slots.h"
#include "state_test_helpers.h"

namespace qx {
namespace {

using test::T0;

const std::string RSS =
    "<rss version=\"2.0\"><channel><title>Found feed</title><item><title>One</title>"
    "<link>https://example.org/1</link></item></channel></rss>";

std::string page_announcing(const std::vector<std::pair<std::string, std::string>>& type_and_href) {
  std::string links;
  for (const auto& [type, href] : type_and_href) {
    links += "<link rel=\"alternate\" type=\"" + type + "\" href=\"" + href + "\">\n";
  }
  return "<html><head><title>A blog</title>\n" + links + "</head><body>Hi</body></html>";
}

struct Recorder final : WindowPoster {
  int posted = 0;
  void post(std::uint32_t message) override { posted += message == WM_APP_DATA ? 1 : 100; }
};

// A network of scripted pages and feeds that records what was asked of it.
class AddFeed : public ::testing::Test {
 protected:
  AddFeed() : state(test::state_with({"https://first.example/feed"})) {
    work.fetch = [this](std::string_view address) -> Result<FetchedPage, std::string> {
      fetched.emplace_back(address);
      auto it = pages.find(std::string(address));
      if (it == pages.end()) return err(std::string("http error: not found"));
      return it->second;
    };
    work.load = [this](std::string_view address) -> Result<QxFeedV1, std::string> {
      loaded.emplace_back(address);
      if (!feeds.count(std::string(address))) return err(std::string("http error: not found"));
      return test::feed("Loaded " + std::string(address), {"a", "b"});
    };
    work.state = &state;
    work.now = [] { return T0; };
    work.save = [this](const AppState& s) { saved.push_back(s.feeds.size()); };
    work.poster = poster;
    work.show_failure = [this] { ++boxes; };
  }

  void page(const std::string& address, const std::string& text, const std::string& final_url = {}) {
    pages.emplace(address, FetchedPage{text, final_url.empty() ? address : final_url});
  }

  AppState snapshot() { return *view_snapshot(state); }

  Guarded<AppState> state;
  std::map<std::string, FetchedPage> pages;
  std::map<std::string, bool> feeds;
  std::vector<std::string> fetched;
  std::vector<std::string> loaded;
  std::vector<std::size_t> saved;  // the slot count at each save
  std::shared_ptr<Recorder> poster = std::make_shared<Recorder>();
  int boxes = 0;
  AddFeedWork work;
};

// --- the copied text ---------------------------------------------------------------------------

TEST_F(AddFeed, TextThatIsNoAddressShowsTheBoxWithoutARequest) {
  for (const std::string& text : std::vector<std::string>{"word", "https://example.org/my feed",
                                                         "https://example.org/" + std::string(2100, 'a')}) {
    add_feed_from_clipboard(text, work);
  }
  EXPECT_EQ(boxes, 3);
  EXPECT_TRUE(fetched.empty());
  EXPECT_EQ(poster->posted, 0);
  EXPECT_TRUE(saved.empty());
}

TEST_F(AddFeed, AnAddressWithoutSchemeOrWithHttpIsFetchedOverHttps) {
  add_feed_from_clipboard("example.org/feed", work);
  add_feed_from_clipboard("http://example.org/rss", work);
  add_feed_from_clipboard("HTTP://example.org/rss", work);
  EXPECT_EQ(fetched, (std::vector<std::string>{"https://example.org/feed", "https://example.org/rss",
                                               "HTTP://example.org/rss"}));
  EXPECT_EQ(boxes, 3);
}

// --- a feed, or a page that announces one ----------------------------------------------------------

TEST_F(AddFeed, AFeedIsFollowedAtTheCleanedAddressAndSaved) {
  page("https://example.org/rss", RSS, "https://www.example.org/rss");
  add_feed_from_clipboard("example.org/rss", work);
  const AppState s = snapshot();
  ASSERT_EQ(s.feeds.size(), 2u);
  EXPECT_EQ(s.feeds[1].url, "https://example.org/rss");
  EXPECT_EQ(s.feeds[1].title, "Found feed");
  EXPECT_EQ(s.feeds[1].items.size(), 1u);
  EXPECT_EQ(s.active, 1u);
  EXPECT_EQ(saved, std::vector<std::size_t>{2});
  EXPECT_EQ(poster->posted, 1);
  EXPECT_EQ(boxes, 0);
  EXPECT_TRUE(loaded.empty());
}

TEST_F(AddFeed, APageLeadsToItsBestAnnouncedFeed) {
  page("https://example.org/blog/", page_announcing({{"application/feed+json", "/feed.json"},
                                                     {"application/rss+xml", "feed.xml"}}));
  feeds["https://example.org/feed.json"] = true;
  feeds["https://example.org/blog/feed.xml"] = true;
  add_feed_from_clipboard("https://example.org/blog/", work);
  EXPECT_EQ(loaded, std::vector<std::string>{"https://example.org/blog/feed.xml"});
  EXPECT_EQ(snapshot().feeds.back().url, "https://example.org/blog/feed.xml");
  EXPECT_EQ(poster->posted, 1);
}

TEST_F(AddFeed, AtMostThreeAnnouncedFeedsAreTriedAndEachOnce) {
  page("https://example.org/", page_announcing({{"application/rss+xml", "/1"},
                                                {"application/rss+xml", "/1"},
                                                {"application/rss+xml", "/2"},
                                                {"application/rss+xml", "/3"},
                                                {"application/rss+xml", "/4"},
                                                {"application/rss+xml", "/5"}}));
  feeds["https://example.org/4"] = true;
  add_feed_from_clipboard("https://example.org/", work);
  EXPECT_EQ(loaded, (std::vector<std::string>{"https://example.org/1", "https://example.org/2", "https://example.org/3"}));
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(snapshot().feeds.size(), 1u);
  EXPECT_EQ(poster->posted, 0);
}

TEST_F(AddFeed, APageWithoutAnnouncedFeedsShowsTheBox) {
  page("https://example.org/", "<html><head><title>Nothing</title></head></html>");
  add_feed_from_clipboard("https://example.org/", work);
  EXPECT_EQ(boxes, 1);
  EXPECT_TRUE(loaded.empty());
}

TEST_F(AddFeed, RelativeLinksAreSeenFromThePageReachedAfterRedirects) {
  page("https://example.org", page_announcing({{"application/rss+xml", "feed.xml"}}), "https://www.example.org/blog/");
  feeds["https://www.example.org/blog/feed.xml"] = true;
  add_feed_from_clipboard("example.org", work);
  EXPECT_EQ(loaded, std::vector<std::string>{"https://www.example.org/blog/feed.xml"});
  EXPECT_EQ(boxes, 0);
}

// --- the state ---------------------------------------------------------------------------------

TEST_F(AddFeed, AFeedFollowedAlreadyIsSelectedAndRefreshed) {
  state.with([](AppState& s) { s.feeds.push_back(new_feed_slot("https://example.org/rss", std::nullopt)); });
  page("https://example.org/rss", RSS);
  add_feed_from_clipboard("https://example.org/rss", work);
  const AppState s = snapshot();
  ASSERT_EQ(s.feeds.size(), 2u);
  EXPECT_EQ(s.active, 1u);
  EXPECT_EQ(s.feeds[1].title, "Found feed");
  EXPECT_EQ(saved, std::vector<std::size_t>{2});
}

TEST_F(AddFeed, WithEightFeedsNothingIsAddedButTheSaveAndThePostStillHappen) {
  state.with([](AppState& s) {
    for (int i = 1; i < 8; ++i) s.feeds.push_back(new_feed_slot("https://f" + std::to_string(i) + ".example", std::nullopt));
  });
  const AppState before = snapshot();
  page("https://example.org/rss", RSS);
  add_feed_from_clipboard("https://example.org/rss", work);
  EXPECT_EQ(snapshot(), before);
  EXPECT_EQ(saved, std::vector<std::size_t>{8});
  EXPECT_EQ(poster->posted, 1);
  EXPECT_EQ(boxes, 0);
}

TEST_F(AddFeed, AnUnusableStateDropsTheFeedButTheWindowIsTold) {
  Guarded<AppState> unset;
  work.state = &unset;
  page("https://example.org/rss", RSS);
  add_feed_from_clipboard("https://example.org/rss", work);
  EXPECT_TRUE(saved.empty());
  EXPECT_EQ(poster->posted, 1);
  EXPECT_EQ(boxes, 0);
}

}  // namespace
}  // namespace qx

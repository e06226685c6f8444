#include "app/refresh.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "app/feed_slots.h"
#include "state_test_helpers.h"

namespace qx {
namespace {

using namespace std::chrono_literals;
using test::T0;

// A monotonic clock that only moves when told to; safe to read from any thread.
struct FakeClock {
  std::atomic<std::int64_t> offset_ns{0};
  Instant now() const { return T0 + std::chrono::nanoseconds(offset_ns.load()); }
  void advance(std::chrono::nanoseconds d) { offset_ns += d.count(); }
};

struct RecordingPoster final : WindowPoster {
  std::mutex m;
  std::vector<std::uint32_t> messages;
  void post(std::uint32_t message) override {
    std::lock_guard<std::mutex> lock(m);
    messages.push_back(message);
  }
  std::size_t count() {
    std::lock_guard<std::mutex> lock(m);
    return messages.size();
  }
};

// One helper thread for the whole program, started once: under Wine, creating threads (and the
// once-only set-up inside std::promise) while others end stalled a test now and then.
class OtherThread {
 public:
  static OtherThread& get() {
    static OtherThread& instance = *new OtherThread();  // never destroyed: the thread outlives main
    return instance;
  }
  // Runs f there and waits at most 30 s for it (a loaded machine is slow): false when it did not
  // finish, for example because the caller holds a lock that f needs.
  bool run(std::function<void()> f) {
    auto done = std::make_shared<Flag>();
    {
      std::lock_guard<std::mutex> lock(m_);
      jobs_.push_back([f = std::move(f), done] {
        f();
        done->raise();
      });
    }
    cv_.notify_one();
    return done->wait_for(30s);
  }

 private:
  struct Flag {
    std::mutex m;
    std::condition_variable cv;
    bool raised = false;
    void raise() {
      {
        std::lock_guard<std::mutex> lock(m);
        raised = true;
      }
      cv.notify_all();
    }
    bool wait_for(std::chrono::seconds limit) {
      std::unique_lock<std::mutex> lock(m);
      return cv.wait_for(lock, limit, [&] { return raised; });
    }
  };

  OtherThread() {
    std::thread([this] {
      for (;;) {
        std::function<void()> job;
        {
          std::unique_lock<std::mutex> lock(m_);
          cv_.wait(lock, [&] { return !jobs_.empty(); });
          job = std::move(jobs_.front());
          jobs_.erase(jobs_.begin());
        }
        job();
      }
    }).detach();
  }

  std::mutex m_;
  std::condition_variable cv_;
  std::vector<std::function<void()>> jobs_;
};

template <class F>
bool finishes_elsewhere(F f) {
  return OtherThread::get().run(std::move(f));
}

class RefreshPass : public ::testing::Test {
 protected:
  // Leaked on purpose: a pass left hanging by a failed test may still use it.
  Guarded<AppState>& holder = *new Guarded<AppState>();
  FakeClock clock;
  std::shared_ptr<RecordingPoster> poster = std::make_shared<RecordingPoster>();
  std::mutex loads_mutex;
  std::vector<std::string> loads;
  std::function<void(std::string_view)> during_load = [](std::string_view) {};
  std::function<Result<QxFeedV1, std::string>(std::string_view)> answer = [](std::string_view url) {
    return Result<QxFeedV1, std::string>(test::feed("Loaded " + std::string(url), {"one", "two"}));
  };

  RefreshWork work() {
    RefreshWork w;
    w.state = &holder;
    w.load = [this](std::string_view url) {
      {
        std::lock_guard<std::mutex> lock(loads_mutex);
        loads.emplace_back(url);
      }
      during_load(url);
      return answer(url);
    };
    w.now = [this] { return clock.now(); };
    w.poster = poster;
    return w;
  }

  void set_state(AppState s) { ASSERT_TRUE(holder.set(std::move(s))); }
  AppState state() { return holder.with([](AppState& s) { return s; }).value(); }
  std::vector<std::string> loaded() {
    std::lock_guard<std::mutex> lock(loads_mutex);
    return loads;
  }
};

// --- Due rule ----------------------------------------------------------------------------------

TEST(RefreshWait, FailuresDoubleTheWaitFourTimesAtMost) {
  EXPECT_EQ(refresh_wait(60, 0), 60s);
  EXPECT_EQ(refresh_wait(60, 1), 120s);
  EXPECT_EQ(refresh_wait(60, 2), 240s);
  EXPECT_EQ(refresh_wait(60, 3), 480s);
  EXPECT_EQ(refresh_wait(60, 4), 960s);
  EXPECT_EQ(refresh_wait(60, 5), 960s);
  EXPECT_EQ(refresh_wait(60, 4'000'000'000u), 960s);
}

TEST(RefreshWait, TheIntervalIsHeldTo30To3600Seconds) {
  EXPECT_EQ(refresh_wait(0, 0), 30s);
  EXPECT_EQ(refresh_wait(10, 0), 30s);
  EXPECT_EQ(refresh_wait(29, 0), 30s);
  EXPECT_EQ(refresh_wait(31, 0), 31s);
  EXPECT_EQ(refresh_wait(3600, 0), 3600s);
  EXPECT_EQ(refresh_wait(3601, 0), 3600s);
  EXPECT_EQ(refresh_wait(7200, 0), 3600s);
  EXPECT_EQ(refresh_wait(4'294'967'295u, 4), 3600s);
}

TEST(RefreshWait, BackOffNeverWaitsMoreThanAnHour) {
  EXPECT_EQ(refresh_wait(300, 4), 3600s);  // 4,800 s capped
  EXPECT_EQ(refresh_wait(1800, 1), 3600s);
  EXPECT_EQ(refresh_wait(1799, 1), 3598s);
  EXPECT_EQ(refresh_wait(225, 4), 3600s);
  EXPECT_EQ(refresh_wait(224, 4), 3584s);
}

TEST(RefreshDue, ASlotIsDueOnceTheWholeWaitHasPassed) {
  FeedSlot slot = new_feed_slot("https://a.example/", std::nullopt);
  EXPECT_TRUE(is_feed_due(slot, T0));  // never tried
  slot.last_attempt = T0;
  EXPECT_FALSE(is_feed_due(slot, T0 + 59s + 999ms));
  EXPECT_TRUE(is_feed_due(slot, T0 + 60s));
  slot.failures = 2;
  EXPECT_FALSE(is_feed_due(slot, T0 + 239s));
  EXPECT_TRUE(is_feed_due(slot, T0 + 240s));
}

TEST(RefreshDue, NextDueFeedStampsEachDueSlotInListOrder) {
  AppState s = test::state_with({"https://a.example/", "https://b.example/", "https://c.example/"});
  s.feeds[1].last_attempt = T0 - 10s;  // not due yet
  s.feeds[2].last_attempt = T0 - 60s;
  const Instant now = T0;
  auto next = s.feeds.begin();
  EXPECT_EQ(next_due_feed(next, s.feeds.end(), now), "https://a.example/");
  EXPECT_EQ(next_due_feed(next, s.feeds.end(), now), "https://c.example/");
  EXPECT_EQ(next_due_feed(next, s.feeds.end(), now), std::nullopt);
  EXPECT_EQ(s.feeds[0].last_attempt, now);
  EXPECT_EQ(s.feeds[1].last_attempt, T0 - 10s);
  EXPECT_EQ(s.feeds[2].last_attempt, now);
}

// --- Refresh pass ------------------------------------------------------------------------------

TEST_F(RefreshPass, LoadsEveryDueSlotStoresItAndPostsAfterEach) {
  AppState s = test::state_with({"https://a.example/", "https://b.example/", "https://c.example/"});
  s.feeds[1].last_attempt = T0;
  set_state(s);
  clock.advance(30s);
  during_load = [this](std::string_view) { clock.advance(5s); };  // loads take time
  refresh_due_feeds(work());

  EXPECT_EQ(loaded(), (std::vector<std::string>{"https://a.example/", "https://c.example/"}));
  EXPECT_EQ(poster->messages, (std::vector<std::uint32_t>{WM_APP_DATA, WM_APP_DATA}));
  const AppState after = state();
  EXPECT_EQ(after.feeds[0].items.size(), 2u);
  EXPECT_EQ(after.feeds[0].status, "Fresh");
  EXPECT_TRUE(after.feeds[1].items.empty());
  // Both were stamped with the one instant the pass began with.
  EXPECT_EQ(after.feeds[0].last_attempt, T0 + 30s);
  EXPECT_EQ(after.feeds[2].last_attempt, T0 + 30s);
  EXPECT_EQ(after.feeds[1].last_attempt, T0);
}

TEST_F(RefreshPass, ALoadErrorIsStoredAndBacksOff) {
  set_state(test::state_with({"https://a.example/"}));
  answer = [](std::string_view) { return Result<QxFeedV1, std::string>(err(std::string("http error: timed out"))); };
  refresh_due_feeds(work());
  AppState after = state();
  EXPECT_EQ(after.feeds[0].failures, 1u);
  EXPECT_EQ(after.feeds[0].last_error, "http error: timed out");
  EXPECT_EQ(after.feeds[0].status, "Can’t load this feed. Right-click to choose another.");
  EXPECT_EQ(poster->count(), 1u);

  clock.advance(119s);
  refresh_due_feeds(work());
  EXPECT_EQ(loaded().size(), 1u);
  clock.advance(1s);
  refresh_due_feeds(work());
  EXPECT_EQ(loaded().size(), 2u);
}

TEST_F(RefreshPass, TheStateIsNotLockedWhileAFeedLoads) {
  set_state(test::state_with({"https://a.example/"}));
  bool lock_was_free = false;
  during_load = [&](std::string_view) {
    lock_was_free = finishes_elsewhere([this] { holder.with([](AppState&) {}); });
  };
  refresh_due_feeds(work());
  EXPECT_TRUE(lock_was_free);
}

TEST_F(RefreshPass, ASecondPassDuringALoadDoesNotLoadTheSameSlots) {
  set_state(test::state_with({"https://a.example/", "https://b.example/"}));
  bool inner_finished = false;
  bool first = true;
  during_load = [&](std::string_view) {
    if (!first) return;
    first = false;
    // Another pass (the ticker while "Refresh now" runs) starts in the middle of this load.
    inner_finished = finishes_elsewhere([this] { refresh_due_feeds(work()); });
  };
  refresh_due_feeds(work());
  ASSERT_TRUE(inner_finished);
  EXPECT_EQ(loaded(), (std::vector<std::string>{"https://a.example/", "https://b.example/"}));
  // A pass right afterwards finds nothing due either.
  refresh_due_feeds(work());
  EXPECT_EQ(loaded().size(), 2u);
}

TEST_F(RefreshPass, AResultForASlotRemovedMeanwhileIsDroppedButStillPosted) {
  set_state(test::state_with({"https://a.example/", "https://b.example/"}));
  during_load = [this](std::string_view url) {
    if (url != "https://b.example/") return;
    ASSERT_TRUE(finishes_elsewhere([this] { holder.with([](AppState& s) { remove_feed(s, 1); }); }));
  };
  refresh_due_feeds(work());
  const AppState after = state();
  ASSERT_EQ(after.feeds.size(), 1u);
  EXPECT_EQ(after.feeds[0].items.size(), 2u);
  EXPECT_EQ(poster->count(), 2u);
}

TEST_F(RefreshPass, AnUnsetStateLoadsNothingAndPostsNothing) {
  refresh_due_feeds(work());
  EXPECT_TRUE(loaded().empty());
  EXPECT_EQ(poster->count(), 0u);
}

TEST_F(RefreshPass, APoisonedLockLoadsNothing) {
  set_state(test::state_with({"https://a.example/"}));
  holder.with([](AppState&) -> int { throw std::runtime_error("fault under the lock"); });
  ASSERT_TRUE(holder.is_poisoned());
  refresh_due_feeds(work());
  EXPECT_TRUE(loaded().empty());
}

TEST_F(RefreshPass, ALockPoisonedDuringTheLoadDropsTheResultButStillPosts) {
  set_state(test::state_with({"https://a.example/"}));
  during_load = [this](std::string_view) {
    finishes_elsewhere([this] { holder.with([](AppState&) -> int { throw std::runtime_error("fault"); }); });
  };
  refresh_due_feeds(work());
  EXPECT_EQ(poster->count(), 1u);
  EXPECT_EQ(holder.with([](AppState&) { return 0; }), std::nullopt);
}

TEST_F(RefreshPass, ALoaderThatThrowsStoresNothingAndTheStateStaysUsable) {
  set_state(test::state_with({"https://a.example/", "https://b.example/"}));
  answer = [](std::string_view url) -> Result<QxFeedV1, std::string> {
    if (url == "https://a.example/") throw std::bad_alloc();
    return test::feed("B", {"x"});
  };
  refresh_due_feeds(work());
  const AppState after = state();
  EXPECT_EQ(after.feeds[0].failures, 0u);
  EXPECT_TRUE(after.feeds[0].items.empty());
  EXPECT_EQ(after.feeds[0].last_attempt, T0);  // tried again when due
  EXPECT_EQ(after.feeds[1].items.size(), 1u);
  EXPECT_EQ(poster->count(), 2u);
}

TEST_F(RefreshPass, RefreshNowAfterClearingTheStampsLoadsEverySlotEvenWhenTheBarIsHidden) {
  AppState s = test::state_with({"https://a.example/", "https://b.example/"});
  s.shown = false;
  for (FeedSlot& slot : s.feeds) slot.last_attempt = T0;
  set_state(s);
  refresh_due_feeds(work());
  EXPECT_TRUE(loaded().empty());
  holder.with([](AppState& st) {
    for (FeedSlot& slot : st.feeds) slot.last_attempt.reset();
  });
  refresh_due_feeds(work());
  EXPECT_EQ(loaded().size(), 2u);
}

TEST_F(RefreshPass, SpawnRefreshNowRunsOnePassOnAThreadOfItsOwn) {
  set_state(test::state_with({"https://a.example/"}));
  // Leaked: the pass may outlive a failed test.
  auto& loaded_on = *new std::atomic<std::thread::id>(std::thread::id{});
  during_load = [&loaded_on](std::string_view) { loaded_on = std::this_thread::get_id(); };
  spawn_refresh_now(work());
  for (int i = 0; i < 3000 && poster->count() == 0; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_NE(loaded_on.load(), std::thread::id{});
  EXPECT_NE(loaded_on.load(), std::this_thread::get_id());
  EXPECT_EQ(poster->count(), 1u);
}

// --- Ticker ------------------------------------------------------------------------------------

TEST_F(RefreshPass, TheTickerLoadsANeverLoadedSlotWhileTheBarIsActive) {
  set_state(test::state_with({"https://a.example/"}));
  refresh_ticker_turn(work());
  EXPECT_EQ(loaded().size(), 1u);
}

TEST_F(RefreshPass, TheTickerLoadsNothingWhileTheBarIsInactive) {
  AppState hidden = test::state_with({"https://a.example/"});
  hidden.shown = false;
  AppState quiet = test::state_with({"https://b.example/"});
  quiet.quiet_now = true;
  AppState presenting = test::state_with({"https://c.example/"});
  presenting.presenting = true;
  AppState hidden_for_an_hour = test::state_with({"https://d.example/"});
  hidden_for_an_hour.hidden_until = T0 + 1h;
  for (AppState* s : {&hidden, &quiet, &presenting, &hidden_for_an_hour}) {
    Guarded<AppState>& h = *new Guarded<AppState>(*s);
    RefreshWork w = work();
    w.state = &h;
    refresh_ticker_turn(w);
  }
  EXPECT_TRUE(loaded().empty());
  EXPECT_EQ(poster->count(), 0u);

  // Shown during quiet hours on request, or presenting without hiding for it: active.
  quiet.shown_in_quiet = true;
  presenting.hide_presenting = false;
  for (AppState* s : {&quiet, &presenting}) {
    Guarded<AppState>& h = *new Guarded<AppState>(*s);
    RefreshWork w = work();
    w.state = &h;
    refresh_ticker_turn(w);
  }
  EXPECT_EQ(loaded().size(), 2u);
}

TEST_F(RefreshPass, TheTickerRunsATurnThenSleepsThreeSeconds) {
  set_state(test::state_with({"https://a.example/"}));
  answer = [](std::string_view) {
    QxFeedV1 f = test::feed("A", {"x"});
    f.poll_seconds = 60;
    return Result<QxFeedV1, std::string>(f);
  };
  struct StopLoop {};
  std::vector<std::pair<std::size_t, std::chrono::seconds>> sleeps;  // loads so far, pause
  const auto sleep = [&](std::chrono::seconds pause) {
    sleeps.emplace_back(loaded().size(), pause);
    clock.advance(pause);
    if (sleeps.size() == 21) throw StopLoop{};
  };
  EXPECT_THROW(refresh_ticker_loop(work(), sleep), StopLoop);
  ASSERT_EQ(sleeps.size(), 21u);
  EXPECT_EQ(sleeps[0], std::make_pair(std::size_t{1}, 3s));  // loaded before the first sleep
  EXPECT_EQ(sleeps[19].first, 1u);                          // 57 s later: not due yet
  EXPECT_EQ(sleeps[20], std::make_pair(std::size_t{2}, 3s));  // 60 s later: due again
}

}  // namespace
}  // namespace qx

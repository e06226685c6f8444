#include "app/single_instance.h"

#include <gtest/gtest.h>

namespace qx {
namespace {

struct MutexScript {
  int still_held_for = 0;  // attempts that still find the other instance
  int creates = 0, drops = 0, pauses = 0;
  bool run(bool after_update) {
    return another_instance_runs(
        after_update, [&] { return ++creates <= still_held_for; }, [&] { ++drops; }, [&] { ++pauses; });
  }
};

TEST(SingleInstance, WithoutAfterUpdateTheFirstAnswerHolds) {
  MutexScript held{1};
  EXPECT_TRUE(held.run(false));
  EXPECT_EQ(held.creates, 1);
  EXPECT_EQ(held.pauses, 0);
  MutexScript free_{0};
  EXPECT_FALSE(free_.run(false));
}

TEST(SingleInstance, AfterUpdateRetriesUntilTheOldProgramEnds) {
  MutexScript ends{5};
  EXPECT_FALSE(ends.run(true));
  EXPECT_EQ(ends.creates, 6);
  EXPECT_EQ(ends.drops, 5);
  EXPECT_EQ(ends.pauses, 5);
}

TEST(SingleInstance, AfterUpdateGivesUpAfterSixtyRetries) {
  MutexScript forever{1000};
  EXPECT_TRUE(forever.run(true));
  EXPECT_EQ(forever.creates, 61);
  EXPECT_EQ(forever.pauses, 60);
}

TEST(UpdateLeftovers, TheProgramPathWithEachExtensionReplaced) {
  using V = std::vector<std::string>;
  EXPECT_EQ(update_leftover_paths("C:\\Apps\\zelvarons.exe"),
            (V{"C:\\Apps\\zelvarons.old", "C:\\Apps\\zelvarons.new", "C:\\Apps\\zelvarons.bad"}));
  EXPECT_EQ(update_leftover_paths("C:\\v1.2\\zelvarons"), (V{"C:\\v1.2\\zelvarons.old", "C:\\v1.2\\zelvarons.new",
                                                             "C:\\v1.2\\zelvarons.bad"}));
}

}  // namespace
}  // namespace qx

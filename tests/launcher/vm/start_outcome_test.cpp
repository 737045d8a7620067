#include <gtest/gtest.h>

#include <vector>

#include "vm/start_outcome.h"

namespace tessel {
namespace {

struct Heard {
  StartPhase phase;
  uint32_t code;
};
std::vector<Heard> heard;
int endActions = 0;

class StartOutcome : public ::testing::Test {
 protected:
  void SetUp() override {
    resetStartOutcome();
    heard.clear();
    endActions = 0;
    setStartOutcomeHandler([](StartPhase phase, uint32_t code) { heard.push_back({phase, code}); });
  }
  void TearDown() override { resetStartOutcome(); }
};

TEST_F(StartOutcome, AFatalEndBeforeMainIsAFailedStartAndAfterItAnEndWithOne) {
  markFatalEnd();
  EXPECT_EQ(startPhase(), StartPhase::FailedStart);
  markApplicationEnded(0);
  EXPECT_EQ(startPhase(), StartPhase::FailedStart) << "a failed start stays failed";

  resetStartOutcome();
  setStartOutcomeHandler([](StartPhase phase, uint32_t code) { heard.push_back({phase, code}); });
  heard.clear();
  markApplicationRunning();
  markFatalEnd();
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[0].phase, StartPhase::Running);
  EXPECT_EQ(heard[1].phase, StartPhase::Ended);
  EXPECT_EQ(heard[1].code, 1u);
}

TEST_F(StartOutcome, TheFirstEndCountsAndTheEndActionRunsOnceBeforeTheHandler) {
  setEndAction([] {
    ++endActions;
    EXPECT_TRUE(heard.empty() || heard.back().phase != StartPhase::Ended) << "the action comes first";
  });
  EXPECT_TRUE(wantsExitHook());
  markApplicationRunning();
  virtualMachineExit(-1);  // System.exit(-1)
  markApplicationEnded(0);  // main's return after DestroyJavaVM changes nothing
  EXPECT_EQ(endActions, 1);
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[1].phase, StartPhase::Ended);
  EXPECT_EQ(heard[1].code, 0xFFFFFFFFu);
}

TEST_F(StartOutcome, AMissingMainClassAfterMainWasCalledIsStillAFailedStart) {
  markApplicationRunning();
  markFailedStart();
  EXPECT_EQ(startPhase(), StartPhase::FailedStart);
  resetStartOutcome();
  EXPECT_FALSE(wantsExitHook()) << "no hook when nobody listens";
}

}  // namespace
}  // namespace tessel

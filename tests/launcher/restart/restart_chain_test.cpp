#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "restart/restart_chain.h"
#include "vm/start_outcome.h"

namespace tessel {
namespace {

struct Report {
  LONG phase;
  LONG code;
};

TEST(RestartChain, PolicyDefaultsAndAListItCannotReadRestartsNothing) {
  clearConfiguration();
  LauncherConfig[key::RestartExitCodes] = "3, 4";
  RestartPolicy policy = configuredRestartPolicy();
  EXPECT_EQ(policy.exitCodes, (std::vector<int32_t>{3, 4}));
  EXPECT_EQ(policy.maxRestarts, 3) << "max_restarts absent";
  EXPECT_FALSE(policy.onCrash);
  LauncherConfig[key::MaxRestarts] = "0";
  LauncherConfig[key::RestartExitCodes] = "3;4";
  policy = configuredRestartPolicy();
  EXPECT_EQ(policy.maxRestarts, 0) << "an explicit 0 means no restarts";
  EXPECT_TRUE(policy.exitCodes.empty());
  EXPECT_FALSE(policy.any());
  clearConfiguration();
}

// A start made by a waiting process: it takes its count and report block out of the
// environment, reports how far it got, and leaves the decision to the one waiting.
TEST(RestartChain, ASupervisedStartReportsItsPhasesAndEnd) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, sizeof(Report), nullptr);
  ASSERT_NE(mapping, nullptr);
  Report* report = static_cast<Report*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(Report)));
  ASSERT_NE(report, nullptr);
  report->phase = 99;
  SetEnvironmentVariableW(L"TESSEL_RESTART_COUNT", L"2");
  SetEnvironmentVariableW(L"TESSEL_RESTART_REPORT", std::to_wstring(reinterpret_cast<uintptr_t>(mapping)).c_str());
  resetStartOutcome();
  rememberStartingPoint();
  EXPECT_EQ(restartCount(), 2);
  EXPECT_EQ(GetEnvironmentVariableW(L"TESSEL_RESTART_COUNT", nullptr, 0), 0u)
      << "the application and its children never see it";
  EXPECT_EQ(GetEnvironmentVariableW(L"TESSEL_RESTART_REPORT", nullptr, 0), 0u);

  clearConfiguration();
  LauncherConfig[key::RestartExitCodes] = "3";
  applyRestartPolicy(nullptr);
  EXPECT_EQ(report->phase, static_cast<LONG>(StartPhase::Starting));
  EXPECT_TRUE(wantsExitHook());
  markApplicationRunning();
  EXPECT_EQ(report->phase, static_cast<LONG>(StartPhase::Running));
  virtualMachineExit(3);  // listed, but the waiting process restarts: this one only reports
  EXPECT_EQ(report->phase, static_cast<LONG>(StartPhase::Ended));
  EXPECT_EQ(report->code, 3);
  resetStartOutcome();
  clearConfiguration();
  // The block stays mapped: the chain keeps its address for the life of the process.
}

}  // namespace
}  // namespace tessel

#include <gtest/gtest.h>

#include "config_keys.h"
#include "project_file.h"
#include "project_test_support.h"
#include "restart_policy.h"

namespace tessel {
namespace {

using Codes = std::vector<int32_t>;

TEST(RestartPolicy, ExitCodeListsParseOrAreRefusedWhole) {
  Codes codes;
  EXPECT_TRUE(parseExitCodes("3", codes));
  EXPECT_EQ(codes, Codes{3});
  EXPECT_TRUE(parseExitCodes(" 3, 4 ,-1", codes));
  EXPECT_EQ(codes, (Codes{3, 4, -1}));
  EXPECT_TRUE(parseExitCodes("", codes));
  EXPECT_TRUE(codes.empty());
  for (const char* bad : {"3,", ",3", "3;4", "three", "3 4", "99999999999", "3,,4"})
    EXPECT_FALSE(parseExitCodes(bad, codes)) << bad;
  EXPECT_TRUE(parseExitCodes("+2147483647,-2147483648", codes)) << "the ends of the 32-bit range";
  EXPECT_EQ(codes, (Codes{INT32_MAX, INT32_MIN}));
  for (const char* bad : {"2147483648", "-2147483649", "-", "+-3", "3-", "0x10"})
    EXPECT_FALSE(parseExitCodes(bad, codes)) << bad;
}

TEST(RestartPolicy, OnlyListedEndsRestartAndTheBoundEndsARow) {
  RestartPolicy policy;
  policy.exitCodes = {3, -1};
  EXPECT_EQ(decideRestart(policy, StartEnd::Ended, 3, 0), RestartVerdict::Restart);
  EXPECT_EQ(decideRestart(policy, StartEnd::Ended, 0xFFFFFFFFu, 0), RestartVerdict::Restart)
      << "System.exit(-1) arrives as 0xFFFFFFFF";
  EXPECT_EQ(decideRestart(policy, StartEnd::Ended, 4, 0), RestartVerdict::NotListed);
  EXPECT_EQ(decideRestart(policy, StartEnd::Ended, 3, 2), RestartVerdict::Restart);
  EXPECT_EQ(decideRestart(policy, StartEnd::Ended, 3, 3), RestartVerdict::BoundReached);
  EXPECT_EQ(decideRestart(policy, StartEnd::FailedStart, 3, 0), RestartVerdict::FailedStart)
      << "a start that never reached main is never repeated, whatever its code";
  EXPECT_EQ(decideRestart(policy, StartEnd::Crashed, 3, 0), RestartVerdict::Crashed);
  policy.onCrash = true;
  EXPECT_EQ(decideRestart(policy, StartEnd::Crashed, 0xC0000005u, 0), RestartVerdict::Restart);
  EXPECT_EQ(decideRestart(policy, StartEnd::Crashed, 0xC0000005u, 3), RestartVerdict::BoundReached);
  policy.maxRestarts = 0;
  EXPECT_EQ(decideRestart(policy, StartEnd::Ended, 3, 0), RestartVerdict::BoundReached);
}

TEST(RestartPolicy, DelayDoublesPerRestartInARowUpToTenMinutes) {
  EXPECT_EQ(restartDelayMs(0, 1), 0u);
  EXPECT_EQ(restartDelayMs(250, 1), 250u);
  EXPECT_EQ(restartDelayMs(250, 2), 500u);
  EXPECT_EQ(restartDelayMs(250, 4), 2000u);
  EXPECT_EQ(restartDelayMs(250, 1000), kMaxRestartDelayMs) << "no overflow for long rows";
  EXPECT_EQ(restartDelayMs(2000000000, 2), kMaxRestartDelayMs);
  EXPECT_EQ(restartDelayMs(-5, 2), 0u);
}

TEST(RestartPolicy, ProjectFileTakesAnArrayOrTextAndChecksTheArchiveSetting) {
  Project project;
  ASSERT_TRUE(test::parsed(R"(
[java]
main_class = "a.B"
user_vmoptions = '${APPDATA}\My App\my-app.vmoptions'
class_data_sharing = "auto"
[restart]
exit_codes = [3, -1]
max_restarts = 5
on_crash = true
delay_ms = 250
)", project));
  auto s = test::stringsOf(project);
  EXPECT_EQ(s[key::UserVmOptions], "${APPDATA}\\My App\\my-app.vmoptions");
  EXPECT_EQ(s[key::ClassDataSharing], "auto");
  EXPECT_EQ(s[key::RestartExitCodes], "3,-1");
  EXPECT_EQ(s[key::MaxRestarts], "5");
  EXPECT_EQ(s[key::RestartOnCrash], "1");
  EXPECT_EQ(s[key::RestartDelayMs], "250");

  auto e = test::errorsOf("[restart]\nexit_codes = [3, \"x\"]\n[java]\nclass_data_sharing = \"on\"\n"
                          "[keys]\nrestart_exit_codes = \"3;4\"\n");
  std::vector<std::string> expected = {
      "app.toml:2: restart.exit_codes: exit codes are integers, like [3, 4]",
      "app.toml:4: java.class_data_sharing: \"on\" is not a class-data sharing mode: give \"auto\" or \"off\"",
      "app.toml:6: keys.restart_exit_codes: exit codes are a list of integers, like [3, 4]",
  };
  EXPECT_EQ(e, expected);
}

}  // namespace
}  // namespace tessel

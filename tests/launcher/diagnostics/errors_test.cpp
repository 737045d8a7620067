#include <gtest/gtest.h>

#include <string>

#include "diagnostics/errors.h"
#include "util/bounded_text.h"
#include "test_support.h"

namespace tessel {
namespace {

TEST(Placeholder, OnlyTheFirstIsReplacedAndTextWithoutOneStays) {
  char out[64];
  fillPlaceholder(out, sizeof(out), "code: {0} and {0}", "16");
  EXPECT_STREQ(out, "code: 16 and {0}");
  fillPlaceholder(out, sizeof(out), "no placeholder", "16");
  EXPECT_STREQ(out, "no placeholder");
  fillPlaceholder(out, sizeof(out), "{0}", nullptr);
  EXPECT_STREQ(out, "{0}");
  wchar_t wide[64];
  fillPlaceholderW(wide, 64, L"at {0}.", L"C:\\jre");
  EXPECT_STREQ(wide, L"at C:\\jre.");
}

TEST(Placeholder, LongArgumentIsCutNotOverrun) {
  char out[16];
  out[15] = 'x';
  fillPlaceholder(out, sizeof(out), "ab{0}cd", "0123456789012345678901234567890");
  EXPECT_EQ(std::string(out).size(), 15u);
  EXPECT_EQ(std::string(out).substr(0, 2), "ab");
}

TEST(ShownText, LogLineStaysWholeWhenTheMessageIsLong) {
  std::wstring message(10000, L'm');
  wchar_t out[kPathCapacity];
  composeShownTextW(out, kPathCapacity, message.c_str(), L"C:\\temp\\cvn_nlog_1");
  std::wstring shown(out);
  ASSERT_EQ(shown.size(), kPathCapacity - 1);
  const std::wstring tail = L"\n\nLog: C:\\temp\\cvn_nlog_1";
  EXPECT_EQ(shown.substr(shown.size() - tail.size()), tail);

  char narrow[64];
  composeShownText(narrow, sizeof(narrow), std::string(100, 'm').c_str(), L"C:\\log");
  EXPECT_EQ(std::string(narrow).substr(std::string(narrow).size() - 13), "\n\nLog: C:\\log");
}

TEST(ShownText, WithoutLogTheMessageIsShownAlone) {
  wchar_t out[32];
  composeShownTextW(out, 32, L"plain", nullptr);
  EXPECT_STREQ(out, L"plain");
}

}  // namespace
}  // namespace tessel

#include <gtest/gtest.h>

#include <string>

#include "diagnostics/errors.h"
#include "util/bounded_text.h"
#include "test_support.h"

namespace tessel {
namespace {

TEST(Placeholder, OnlyTheFirstIsReplacedAndTextWithoutOneStays) {
  wchar_t out[64];
  fillPlaceholderW(out, 64, L"code: {0} and {0}", L"16");
  EXPECT_STREQ(out, L"code: 16 and {0}");
  fillPlaceholderW(out, 64, L"no placeholder", L"16");
  EXPECT_STREQ(out, L"no placeholder");
  fillPlaceholderW(out, 64, L"{0}", nullptr);
  EXPECT_STREQ(out, L"{0}");
  wchar_t wide[64];
  fillPlaceholderW(wide, 64, L"at {0}.", L"C:\\jre");
  EXPECT_STREQ(wide, L"at C:\\jre.");
}

TEST(Placeholder, LongArgumentIsCutNotOverrun) {
  wchar_t out[16];
  out[15] = 'x';
  fillPlaceholderW(out, 16, L"ab{0}cd", L"0123456789012345678901234567890");
  EXPECT_EQ(std::wstring(out).size(), 15u);
  EXPECT_EQ(std::wstring(out).substr(0, 2), L"ab");
}

TEST(ShownText, LogLineStaysWholeWhenTheMessageIsLong) {
  std::wstring message(10000, L'm');
  wchar_t out[kPathCapacity];
  composeShownTextW(out, kPathCapacity, message.c_str(), L"C:\\temp\\cvn_nlog_1");
  std::wstring shown(out);
  ASSERT_EQ(shown.size(), kPathCapacity - 1);
  const std::wstring tail = L"\n\nLog: C:\\temp\\cvn_nlog_1";
  EXPECT_EQ(shown.substr(shown.size() - tail.size()), tail);

}

TEST(ShownText, WithoutLogTheMessageIsShownAlone) {
  wchar_t out[32];
  composeShownTextW(out, 32, L"plain", nullptr);
  EXPECT_STREQ(out, L"plain");
}

void registeredTexts(int32_t key, wchar_t* out, size_t capacity) {
  copyText(out, capacity, key == 1005 ? L"\u8D77\u52D5 {0}" : L"");
}

TEST(MessageTexts, BuiltInUntilASourceIsRegisteredAndWhereItsTextIsEmpty) {
  wchar_t text[64];
  setMessageTextSource(nullptr);
  messageTextW(1009, text, 64);
  EXPECT_STREQ(text, L"An internal error occurred (error code: {0})");

  setMessageTextSource(registeredTexts);
  messageTextW(1005, text, 64);
  EXPECT_STREQ(text, L"\u8D77\u52D5 {0}");
  messageTextW(1009, text, 64);
  EXPECT_STREQ(text, L"An internal error occurred (error code: {0})") << "never an empty box";
  wchar_t small[4] = {L'x', L'x', L'x', L'x'};
  messageTextW(1009, small, 4);
  EXPECT_STREQ(small, L"An ");
  setMessageTextSource(nullptr);
}

}  // namespace
}  // namespace tessel

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "argument_list.h"

namespace tessel {
namespace {

struct SplitCase {
  const wchar_t* line;
  std::vector<std::wstring> expected;
};

TEST(SplitCommandLine, FollowsTheQuotingRules) {
  const SplitCase cases[] = {
      {L"a b", {L"a", L"b"}},
      {L"a  b", {L"a", L"b"}},
      {L"\"a b\" c", {L"a b", L"c"}},
      {L"-Dx=\"a b\"", {L"-Dx=a b"}},
      {L"'it is'", {L"it is"}},
      {L"\"a'b\"", {L"a'b"}},
      {L"'a\"b'", {L"a\"b"}},
      {L"\"a b\"c", {L"a b", L"c"}},
      {L"\"\"", {L""}},
      {L"\"\" x", {L"", L"x"}},
      {L"\"abc", {L"abc"}},
      {L"", {}},
      {L"   ", {}},
      {L"a ", {L"a"}},
      {L"a\tb", {L"a\tb"}},  // only the blank separates
      {L"\"a b\"  c", {L"a b", L"c"}},
      {L"x'y z'w", {L"xy z", L"w"}},
      {L"a\\\"b c\"", {L"a\\b c"}},  // no escape character
  };
  for (const SplitCase& c : cases) {
    ArgumentList arguments;
    splitCommandLine(c.line, arguments);
    EXPECT_EQ(arguments, c.expected) << "line: " << std::string(c.line, c.line + wcslen(c.line));
  }
}

TEST(SplitCommandLine, ProgramComesFirstWithoutQuotes) {
  ArgumentList arguments;
  splitCommandLine(L"\"C:\\Program Files\\app.exe\" -x", arguments);
  ASSERT_EQ(arguments.size(), 2u);
  EXPECT_EQ(arguments[0], L"C:\\Program Files\\app.exe");
  EXPECT_EQ(arguments[1], L"-x");
}

TEST(SplitCommandLine, AppendsToWhatIsThere) {
  ArgumentList arguments{L"first"};
  splitCommandLine(L"second", arguments);
  EXPECT_EQ(arguments, (ArgumentList{L"first", L"second"}));
}

TEST(TakeQuotedArgument, ReturnsWhereSplittingGoesOn) {
  ArgumentList arguments;
  const wchar_t* text = L"ab\"c d\" e";
  const wchar_t* next = takeQuotedArgument(arguments, text + 2, text, L'"');
  EXPECT_EQ(arguments, (ArgumentList{L"abc d"}));
  EXPECT_EQ(next, text + 8) << "one blank after the closing quote is skipped";
  const wchar_t* open = L"\"xyz";
  next = takeQuotedArgument(arguments, open, open, L'"');
  EXPECT_EQ(*next, 0);
  EXPECT_EQ(arguments.back(), L"xyz");
}

}  // namespace
}  // namespace tessel

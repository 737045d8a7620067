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

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

void expectWindowsSplit(const wchar_t* text, const std::vector<std::wstring>& expected) {
  ArgumentList arguments;
  splitWindowsArguments(text, arguments);
  EXPECT_EQ(arguments, expected) << "text: " << narrow(text);
}

// The examples of the C runtime's documentation, and what users typed.
TEST(WindowsArguments, FollowTheCRuntimeRules) {
  expectWindowsSplit(LR"("abc" d e)", {L"abc", L"d", L"e"});
  expectWindowsSplit(LR"(a\\b d"e f"g h)", {LR"(a\\b)", L"de fg", L"h"});
  expectWindowsSplit(LR"(a\\\"b c d)", {LR"(a\"b)", L"c", L"d"});
  expectWindowsSplit(LR"(a\\\\"b c" d e)", {LR"(a\\b c)", L"d", L"e"});
  expectWindowsSplit(LR"(a"b"" c d)", {LR"(ab" c d)"});
  expectWindowsSplit(LR"x(-e "(println (str \"sum=\" 42))" O'Neil.txt b.txt)x",
                     {L"-e", LR"x((println (str "sum=" 42)))x", L"O'Neil.txt", L"b.txt"});
  expectWindowsSplit(L"'it is'", {L"'it", L"is'"});
  expectWindowsSplit(L"\"C:\\My Files\\\" next", {L"C:\\My Files\" next"});
  expectWindowsSplit(L"\"C:\\My Files\\\\\" next", {L"C:\\My Files\\", L"next"});
  expectWindowsSplit(L"\"\" x", {L"", L"x"});
  expectWindowsSplit(L"\"unterminated text", {L"unterminated text"});
  expectWindowsSplit(L" \t a\tb  ", {L"a", L"b"});
  expectWindowsSplit(L"", {});
  expectWindowsSplit(L"trailing\\", {L"trailing\\"});
}

TEST(WindowsArguments, ProgramNameHasNoEscapes) {
  ArgumentList arguments;
  splitCommandLine(L"\"C:\\Program Files\\O'Neil\\app.exe\" -q \"a b\"", ArgumentRules::Windows,
                   arguments);
  EXPECT_EQ(arguments, (ArgumentList{L"C:\\Program Files\\O'Neil\\app.exe", L"-q", L"a b"}));
  arguments.clear();
  splitCommandLine(L"C:\\it's\\app.exe x", ArgumentRules::Windows, arguments);
  EXPECT_EQ(arguments, (ArgumentList{L"C:\\it's\\app.exe", L"x"}));
  EXPECT_STREQ(argumentsAfterProgram(L"\"C:\\a b\\app.exe\"  \t-x y"), L"-x y");
  EXPECT_STREQ(argumentsAfterProgram(L"app.exe"), L"");
  arguments.clear();
  splitCommandLine(L"app.exe 'a b'", ArgumentRules::Launcher, arguments);
  EXPECT_EQ(arguments, (ArgumentList{L"app.exe", L"a b"})) << "the launcher's own rule";
}

}  // namespace
}  // namespace tessel

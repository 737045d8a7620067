// The start-up steps of the real launcher: an application is built from the template with a
// configuration block, started as its own process, and judged by its log.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "block_writer.h"
#include "test_support.h"

namespace tessel {
namespace {

std::wstring windowsPath(const char* unixPath) {
  std::wstring out = L"Z:";
  for (const char* p = unixPath; *p; ++p) out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
  return out;
}

std::string readAll(const std::wstring& path) {
  std::ifstream in(std::string(path.begin(), path.end()), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class StartedLauncher : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    dir_ = std::wstring(base) + L"tessel_start_test_" + std::to_wstring(GetCurrentProcessId());
    for (const wchar_t* sub : {L"", L"\\app", L"\\elsewhere", L"\\tmp"})
      CreateDirectoryW((dir_ + sub).c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::wstring& name : variables_) SetEnvironmentVariableW(name.c_str(), nullptr);
    test::removeTree(dir_);
  }

  // Sets a variable that the started launcher inherits, until the test ends.
  void setVariable(const std::wstring& name, const wchar_t* value) {
    SetEnvironmentVariableW(name.c_str(), value);
    variables_.push_back(name);
  }

  void buildApp(const std::vector<std::pair<int32_t, std::string>>& strings) {
    std::string bytes = readAll(windowsPath(TESSEL_TEMPLATE_EXE));
    ASSERT_FALSE(bytes.empty()) << "no template at " << TESSEL_TEMPLATE_EXE;
    BlockContents block;
    block.strings = strings;
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    std::vector<uint8_t> serialized = serializeBlock(block);
    data.insert(data.end(), serialized.begin(), serialized.end());
    std::vector<uint8_t> trailer = trailerBytes(data.size());
    data.insert(data.end(), trailer.begin(), trailer.end());
    std::ofstream out(narrow(appExe()), std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    ASSERT_TRUE(out.good());
  }

  // Starts the application from the "elsewhere" directory with TMP pointing at our own
  // directory (where the log goes); waits at most a minute.
  void run(const std::wstring& arguments) {
    setVariable(L"TMP", (dir_ + L"\\tmp").c_str());
    std::wstring command = L"\"" + appExe() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               (dir_ + L"\\elsewhere").c_str(), &startup, &info));
    test::awaitExit(info);
  }

  // The text of the run's log file (the one that starts with the header), or empty.
  std::string log() const {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir_ + L"\\tmp\\*").c_str(), &data);
    std::string found;
    if (find == INVALID_HANDLE_VALUE) return found;
    do {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::string text = readAll(dir_ + L"\\tmp\\" + data.cFileName);
      if (text.rfind("Started executable", 0) == 0) found += text;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return found;
  }

  std::wstring appExe() const { return dir_ + L"\\app\\app.exe"; }
  static std::string narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

  std::wstring dir_;
  std::vector<std::wstring> variables_;
};

TEST_F(StartedLauncher, DotWorkingDirectoryMovesToTheLauncherDirectory) {
  buildApp({{146, "."}});
  setVariable(L"TESSEL_LOG", L"yes");
  run(L"");
  const std::string text = log();
  EXPECT_NE(text.find("change working directory to " + narrow(dir_) + "\\app\r\n"),
            std::string::npos)
      << text;
}

TEST_F(StartedLauncher, WorkingDirectoryLogsItsExpansion) {
  const std::wstring huge = L"TSLHUGE_" + std::to_wstring(GetCurrentProcessId());
  setVariable(huge, std::wstring(7000, L'h').c_str());
  buildApp({{146, "${TESSEL_EXEDIR}.${" + narrow(huge) + "}"}});
  setVariable(L"TESSEL_LOG", L"yes");
  run(L"");
  const std::string text = log();
  const std::string appDir = narrow(dir_) + "\\app\\";
  EXPECT_NE(text.find("expanding2 ${TESSEL_EXEDIR} to " + appDir + " in " + appDir + ".${"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("ERROR: ${" + narrow(huge) + "} not expanded"), std::string::npos) << text;
}

TEST_F(StartedLauncher, LogOptionOnlyAsFirstArgumentInItsSpelling) {
  buildApp({});
  setVariable(L"TESSEL_LOG", nullptr);
  setVariable(L"CORVANE_LOG", nullptr);
  run(L"x -create-tsl-log");
  run(L"-CREATE-TSL-LOG");
  EXPECT_EQ(log(), "") << "no log without the option in its place";
  run(L"/create-cvn-log x");
  const std::string text = log();
  EXPECT_NE(text.find("working directory unchanged"), std::string::npos) << text;
}

TEST_F(StartedLauncher, LanguageRestartKeepsTheWorkingDirectory) {
  buildApp({{146, "."}});
  setVariable(L"TESSEL_LOG", L"yes");
  run(L"__cvn_lang_restart");
  const std::string text = log();
  EXPECT_NE(text.find("Started executable"), std::string::npos);
  EXPECT_EQ(text.find("working directory"), std::string::npos) << text;
}

}  // namespace
}  // namespace tessel

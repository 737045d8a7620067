#include "files/expansion.h"

#include <windows.h>

#include <string>

#include "diagnostics/log.h"
#include "files/runtime_home.h"
#include "files/temp_dir.h"
#include "util/bounded_text.h"
#include "util/paths.h"
#include "variable_expansion.h"

namespace tessel {
namespace {

void logReplaced(const wchar_t* reference, const wchar_t* value, const wchar_t* text) {
  logLine("expanding2 %S to %S in %S.", reference, value, text);
}
void logReplaced(const char* reference, const char* value, const char* text) {
  logLine("expanding2 %s to %s in %s.", reference, value, text);
}
void logNoRoom(const wchar_t* reference, size_t capacity) {
  logError("%S not expanded: the text would exceed %d characters", reference,
           static_cast<int>(capacity - 1));
}
void logNoRoom(const char* reference, size_t capacity) {
  logError("%s not expanded: the text would exceed %d characters", reference,
           static_cast<int>(capacity - 1));
}

// Logs what the portable expansion does; replaceAll needs no more.
template <typename T>
class LoggingSource : public ExpansionSource<T> {
 public:
  const T* fixedValue(FixedVariable) override { return nullptr; }
  const T* environment() override { return nullptr; }
  void replaced(const T* reference, const T* value, const T* text) override {
    logReplaced(reference, value, text);
  }
  void noRoom(const T* reference, size_t capacity) override { logNoRoom(reference, capacity); }
};

// The launcher's directories and the process environment, wide.
class WideSource : public LoggingSource<wchar_t> {
 public:
  // The narrow directories are text in the file-API code page, not bytes to widen one by one.
  explicit WideSource(PathForm form)
      : form_(form), tempDir_(launchTempDir), home_(wideText(runtimeHome)) {
    // Text that becomes narrow names the directory by its narrow name, the 8.3 form where the
    // code page lacks a letter of the long one.
    if (form != PathForm::NarrowSafe) return;
    const std::string narrow = narrowLaunchTempDir();
    if (!narrow.empty()) tempDir_ = wideText(narrow.c_str());
  }
  ~WideSource() override {
    if (block_) FreeEnvironmentStringsW(block_);
  }
  const wchar_t* fixedValue(FixedVariable variable) override {
    switch (variable) {
      case FixedVariable::LauncherDir: return launcherDirectoryW(form_);
      case FixedVariable::LaunchTempDir: return tempDir_.c_str();
      case FixedVariable::Separator: return L";";
      case FixedVariable::RuntimeHome: return home_.c_str();
      case FixedVariable::SystemTempDir:
        if (form_ == PathForm::NarrowSafe) {
          char dir[kPathCapacity];
          tempPath(dir);
          systemTemp_ = wideText(dir);
        } else {
          wchar_t dir[kPathCapacity];
          tempPathW(dir);
          systemTemp_ = dir;
        }
        return systemTemp_.c_str();
    }
    return L"";
  }
  const wchar_t* environment() override {
    if (!block_) block_ = GetEnvironmentStringsW();
    return block_;
  }

 private:
  PathForm form_;
  std::wstring tempDir_;
  std::wstring home_;
  std::wstring systemTemp_;
  wchar_t* block_ = nullptr;
};

class NarrowSource : public LoggingSource<char> {
 public:
  ~NarrowSource() override {
    if (block_) FreeEnvironmentStringsA(block_);
  }
  const char* fixedValue(FixedVariable variable) override {
    switch (variable) {
      case FixedVariable::LauncherDir: return launcherDirectory();
      case FixedVariable::LaunchTempDir:
        tempDir_ = narrowLaunchTempDir();
        return tempDir_.c_str();
      case FixedVariable::Separator: return ";";
      case FixedVariable::RuntimeHome: return runtimeHome;
      case FixedVariable::SystemTempDir: tempPath(systemTemp_); return systemTemp_;
    }
    return "";
  }
  const char* environment() override {
    if (!block_) block_ = GetEnvironmentStrings();
    return block_;
  }

 private:
  char systemTemp_[kPathCapacity] = "";
  std::string tempDir_;
  char* block_ = nullptr;
};

}  // namespace

bool replaceAll(wchar_t* text, size_t capacity, const wchar_t* reference, const wchar_t* value) {
  LoggingSource<wchar_t> log;
  return replaceReferences(text, capacity, reference, value, &log);
}

bool replaceAll(wchar_t* text, size_t capacity, const wchar_t* reference, const char* value) {
  LoggingSource<wchar_t> log;
  return replaceReferences(text, capacity, reference, wideText(value).c_str(), &log);
}

bool replaceAll(char* text, size_t capacity, const char* reference, const char* value) {
  LoggingSource<char> log;
  return replaceReferences(text, capacity, reference, value, &log);
}

bool expandVariables(wchar_t* text, size_t capacity, PathForm form) {
  WideSource source(form);
  return expandReferences(text, capacity, source);
}

bool expandVariablesNarrow(char* text, size_t capacity) {
  NarrowSource source;
  return expandReferences(text, capacity, source);
}

}  // namespace tessel

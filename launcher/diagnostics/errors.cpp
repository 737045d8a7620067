#include "diagnostics/errors.h"

#include <cstdio>

#include "util/common_controls.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/handles.h"
#include "util/paths.h"
#include "text_match.h"
#include "config_keys.h"

namespace tessel {

bool showErrorDialogs = true;
std::atomic<HWND> messageOwnerWindow{nullptr};

void setMessageOwnerWindow(HWND window) noexcept { messageOwnerWindow = window; }
void clearErrorDialogs() noexcept { showErrorDialogs = false; }

namespace {

void (*beforeErrorShownHook)() = nullptr;
void (*beforeFatalExitHook)() = nullptr;
MessageTextSource messageTextSource = nullptr;

void builtInMessageW(int32_t key, wchar_t* out, size_t capacity) {
  if (capacity == 0) return;
  const char* text = defaultMessageText(key);
  size_t i = 0;
  // The built-in texts are ASCII.
  for (; text && text[i] && i + 1 < capacity; ++i)
    out[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
  out[i] = 0;
}

template <typename C>
void fillPlaceholderT(C* out, size_t capacity, const C* text, const C* argument) {
  static const C marker[] = {'{', '0', '}', 0};
  if (capacity == 0) return;
  out[0] = 0;
  const C* at = nullptr;
  if (argument) {
    for (const C* p = text; *p; ++p)
      if (p[0] == '{' && p[1] == '0' && p[2] == '}') {
        at = p;
        break;
      }
  }
  if (!at) {
    copyText(out, capacity, text);
    return;
  }
  size_t head = static_cast<size_t>(at - text);
  if (head >= capacity) head = capacity - 1;
  for (size_t i = 0; i < head; ++i) out[i] = text[i];
  out[head] = 0;
  appendText(out, capacity, argument);
  appendText(out, capacity, at + textLength(marker));
}

// Keeps the last line ("Log: path") whole: the message gives way.
template <typename C>
void composeT(C* out, size_t capacity, const C* message, const C* logLine) {
  if (capacity == 0) return;
  out[0] = 0;
  size_t tail = logLine ? textLength(logLine) : 0;
  if (tail >= capacity) {  // a path this long cannot be shown whole: show the message alone
    copyText(out, capacity, message);
    return;
  }
  copyText(out, capacity - tail, message);
  if (logLine) appendText(out, capacity, logLine);
}

void longLogPath(wchar_t* out, size_t capacity) {
  out[0] = 0;
  const wchar_t* path = logFilePath();
  if (!path) return;
  DWORD n = GetLongPathNameW(path, out, static_cast<DWORD>(capacity));
  if (n == 0 || n >= capacity) copyText(out, capacity, path);
}

}  // namespace

void setBeforeErrorShownHook(void (*hook)()) noexcept { beforeErrorShownHook = hook; }
void setBeforeFatalExitHook(void (*hook)()) noexcept { beforeFatalExitHook = hook; }
void setMessageTextSource(MessageTextSource source) noexcept { messageTextSource = source; }

void messageTextW(int32_t key, wchar_t* out, size_t capacity) {
  if (capacity == 0) return;
  out[0] = 0;
  if (messageTextSource) messageTextSource(key, out, capacity);
  // An empty box or line would not say why the start failed.
  if (!out[0]) builtInMessageW(key, out, capacity);
}

void fillPlaceholderW(wchar_t* out, size_t capacity, const wchar_t* text, const wchar_t* argument) {
  fillPlaceholderT(out, capacity, text, argument);
}
void fillPlaceholder(char* out, size_t capacity, const char* text, const char* argument) {
  fillPlaceholderT(out, capacity, text, argument);
}

void composeShownTextW(wchar_t* out, size_t capacity, const wchar_t* message,
                       const wchar_t* logPath) {
  if (!logPath || !*logPath) {
    composeT<wchar_t>(out, capacity, message, nullptr);
    return;
  }
  wchar_t tail[kPathCapacity + 16];
  formatText(tail, kPathCapacity + 16, L"\n\nLog: %s", logPath);
  composeT<wchar_t>(out, capacity, message, tail);
}

void showErrorW(const wchar_t* text) {
  if (beforeErrorShownHook) beforeErrorShownHook();
  wchar_t path[kPathCapacity];
  longLogPath(path, kPathCapacity);
  static wchar_t shown[kPathCapacity];
  composeShownTextW(shown, kPathCapacity, text, path);
  if (showErrorDialogs) {
    wchar_t caption[kPathCapacity];
    messageTextW(key::MsgCaption, caption, kPathCapacity);
    prepareCommonControls();
    MessageBoxW(messageOwnerWindow.load(), shown, caption, MB_OK | MB_ICONERROR);
  } else {
    // Standard error carries ANSI code page text.
    std::string narrow = convertWide(shown, textLength(shown), CP_ACP);
    std::fputs(narrow.c_str(), stderr);  // fputs: no printf engine linked for this
    std::fputc('\n', stderr);
    std::fflush(stderr);
  }
}

// Narrow texts are in the ANSI code page: shown through the wide box, so that the characters
// meant arrive whatever the message's own bytes would mean to a narrow box.
void showError(const char* text) { showErrorW(wideText(text).c_str()); }

void showMessageW(int32_t key, const wchar_t* argument) {
  static wchar_t text[kPathCapacity];
  static wchar_t filled[kPathCapacity];
  messageTextW(key, text, kPathCapacity);
  fillPlaceholderW(filled, kPathCapacity, text, argument);
  showErrorW(filled);
}

void showMessage(int32_t key, const char* argument) {
  showMessageW(key, argument ? wideText(argument).c_str() : nullptr);
}

void fatalExit(int code) {
  if (beforeFatalExitHook) beforeFatalExitHook();
  ExitProcess(static_cast<UINT>(code));
}

void fatalError(const char* text) {
  showError(text);
  fatalExit(1);
}

void fatalErrorW(const wchar_t* text) {
  showErrorW(text);
  fatalExit(1);
}

void fatalMessage(int32_t key, const char* argument) {
  showMessage(key, argument);
  fatalExit(1);
}

void fatalMessageW(int32_t key, const wchar_t* argument) {
  showMessageW(key, argument);
  fatalExit(1);
}

void fatalMessageDetailW(int32_t key, const wchar_t* argument, const wchar_t* detail) {
  if (!detail || !*detail) fatalMessageW(key, argument);
  static wchar_t text[kPathCapacity];
  static wchar_t filled[kPathCapacity];
  messageTextW(key, text, kPathCapacity);
  fillPlaceholderW(filled, kPathCapacity, text, argument);
  appendText(filled, kPathCapacity, L"\n\n");
  appendText(filled, kPathCapacity, detail);
  showErrorW(filled);
  fatalExit(1);
}

}  // namespace tessel

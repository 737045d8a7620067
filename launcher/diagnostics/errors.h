// Error texts for the user (message box or standard error) and the fatal exit. Only these
// operations end the process early.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace tessel {

// True: errors in a message box; false: on standard error. Only ever goes to false.
extern bool showErrorDialogs;
// Owner of error message boxes (the native splash window while it exists). The splash thread
// sets it, any thread showing an error reads it.
extern std::atomic<HWND> messageOwnerWindow;

void setMessageOwnerWindow(HWND window) noexcept;
void clearErrorDialogs() noexcept;

// What the layers above do around an error, registered once by the entry point: hide the
// splash before an error is shown; remove the per-launch temporary directory before a fatal
// exit. Nothing is called while none is registered.
void setBeforeErrorShownHook(void (*hook)()) noexcept;
void setBeforeFatalExitHook(void (*hook)()) noexcept;

// Where message texts (keys 1000-1020) come from: the configuration registers its tables when
// it loads. With none registered (before the block is read) the built-in English texts show.
using MessageTextSource = void (*)(int32_t key, wchar_t* out, size_t capacity);
void setMessageTextSource(MessageTextSource source) noexcept;
// The message key's text from the registered source (the built-in one where that is empty),
// cut to the capacity.
void messageTextW(int32_t key, wchar_t* out, size_t capacity);

// Shows a text (with "Log: <path>" appended while logging); returns when it was seen. Narrow
// texts and arguments are ANSI code page text; every text is shown through the wide box.
void showErrorW(const wchar_t* text);
void showError(const char* text);
// Shows a message key's text with its first "{0}" replaced by the argument (when given).
void showMessageW(int32_t key, const wchar_t* argument);
void showMessage(int32_t key, const char* argument);

// Runs the before-fatal-exit hook and ends the process with the code.
[[noreturn]] void fatalExit(int code);
[[noreturn]] void fatalError(const char* text);
[[noreturn]] void fatalErrorW(const wchar_t* text);
[[noreturn]] void fatalMessage(int32_t key, const char* argument);
[[noreturn]] void fatalMessageW(int32_t key, const wchar_t* argument);
// As fatalMessageW, with `detail` (what exactly failed) as a paragraph of its own below the
// message when it is not empty.
[[noreturn]] void fatalMessageDetailW(int32_t key, const wchar_t* argument, const wchar_t* detail);

// The shown text for a message and an optional log path: the message is cut so that the
// "Log:" line always stays whole within `capacity`. Exposed for tests.
void composeShownTextW(wchar_t* out, size_t capacity, const wchar_t* message,
                       const wchar_t* logPath);
// The message text with its first "{0}" replaced, cut to `capacity`. Exposed for tests.
void fillPlaceholderW(wchar_t* out, size_t capacity, const wchar_t* text, const wchar_t* argument);
void fillPlaceholder(char* out, size_t capacity, const char* text, const char* argument);

}  // namespace tessel

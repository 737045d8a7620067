// Error texts for the user (message box or standard error), the fatal exit and the removal
// of the per-launch temporary directory. Only these operations end the process early.
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

// Shows a text (with "Log: <path>" appended while logging); returns when it was seen.
void showErrorW(const wchar_t* text);
void showError(const char* text);
// Shows a message key's text with its first "{0}" replaced by the argument (when given).
void showMessageW(int32_t key, const wchar_t* argument);
void showMessage(int32_t key, const char* argument);

// Removes the per-launch temporary directory and ends the process with the code.
[[noreturn]] void fatalExit(int code);
[[noreturn]] void fatalError(const char* text);
[[noreturn]] void fatalMessage(int32_t key, const char* argument);
[[noreturn]] void fatalMessageW(int32_t key, const wchar_t* argument);

// Deletes the contents of a directory; with `recurse`, also one level of subdirectories.
// Relative paths that begin with "." are never touched.
void emptyDirectory(const char* path, bool recurse);

// The shown text for a message and an optional log path: the message is cut so that the
// "Log:" line always stays whole within `capacity`. Exposed for tests.
void composeShownTextW(wchar_t* out, size_t capacity, const wchar_t* message,
                       const wchar_t* logPath);
void composeShownText(char* out, size_t capacity, const char* message, const wchar_t* logPath);
// The message text with its first "{0}" replaced, cut to `capacity`. Exposed for tests.
void fillPlaceholderW(wchar_t* out, size_t capacity, const wchar_t* text, const wchar_t* argument);
void fillPlaceholder(char* out, size_t capacity, const char* text, const char* argument);

}  // namespace tessel

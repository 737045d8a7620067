// The configuration tables and their accessors. Filled once by loadConfiguration; read-only
// afterwards, from any thread. An absent key reads as empty text or 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "config/keyed_texts.h"

namespace tessel {

extern KeyedTexts<std::string> LauncherConfig;
extern KeyedTexts<std::wstring> LauncherMessages;

// Copies the value (at most capacity-1 bytes, always terminated); returns the bytes copied.
// A cut value is logged as an error.
size_t configString(int32_t key, char* buffer, size_t capacity);
// Values are stored as Latin-1: each byte is the UTF-16 unit of the same number. The one way
// from a stored value to text; never read stored bytes as code page text.
// False (the text cut, terminated) when it does not fit.
bool storedTextW(const char* stored, wchar_t* out, size_t capacity);
// The value as wide text (storedTextW), cut to the capacity.
void configStringW(int32_t key, wchar_t* buffer, size_t capacity);
// The whole value as wide text; empty when absent.
std::wstring configTextW(int32_t key);
// A message text for the user (keys 1000-1020): the wide text of the locale section that
// matches the user's locale, else the wide text of the block's messages, else the narrow
// record widened byte by byte; cut to the capacity.
void configMessageW(int32_t key, wchar_t* buffer, size_t capacity);
// A heap copy of the value (empty when absent).
std::unique_ptr<char[]> configStringCopy(int32_t key);
// strtol-like decimal value; 0 when absent or without leading digits.
int32_t configInt(int32_t key);
// "r,g,b" as a Windows colour value (red in the low byte).
uint32_t configColor(int32_t key);
// The value itself, or nullptr when absent (no copy; valid while the configuration is unchanged,
// which after loading is the process's life).
const std::string* configValue(int32_t key);

// Test support: forget everything loaded.
void clearConfiguration();

}  // namespace tessel

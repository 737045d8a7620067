// Bounded copies and formatting into fixed buffers. Every function keeps the buffer
// terminated and never writes past `capacity`; the result says whether the text fit whole.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <string>

#include "value_rules.h"

namespace tessel {

constexpr size_t kPathCapacity = limit::kValueCapacity;  // every path and configuration value buffer

// Copy; on overflow the text is cut and false returned.
bool copyText(char* dst, size_t capacity, const char* src) noexcept;
bool copyText(wchar_t* dst, size_t capacity, const wchar_t* src) noexcept;
// Append to the terminated text already in dst.
bool appendText(char* dst, size_t capacity, const char* src) noexcept;
bool appendText(wchar_t* dst, size_t capacity, const wchar_t* src) noexcept;
// Copy or append only when the whole text fits; otherwise dst is left unchanged.
bool copyWhole(char* dst, size_t capacity, const char* src) noexcept;
bool copyWhole(wchar_t* dst, size_t capacity, const wchar_t* src) noexcept;
bool appendWhole(char* dst, size_t capacity, const char* src) noexcept;
bool appendWhole(wchar_t* dst, size_t capacity, const wchar_t* src) noexcept;
// printf-style formatting with the C runtime's rules ("%S" wide, "%I64d"); on overflow the text
// is cut and false returned. Wide arguments are converted to the ANSI code page ("?" for the
// characters it lacks), never cut at the first character the "C" locale cannot hold.
bool formatText(char* dst, size_t capacity, const char* format, ...) noexcept
    __attribute__((format(ms_printf, 3, 4)));
bool formatTextV(char* dst, size_t capacity, const char* format, va_list args) noexcept;
// The same with the result in `codePage` (CP_UTF8 for the log): "%s" arguments are read as ANSI
// code page text and "%S" arguments as UTF-16, and both are converted.
bool formatTextInCodePage(char* dst, size_t capacity, unsigned codePage, const char* format,
                          va_list args) noexcept;
bool formatText(wchar_t* dst, size_t capacity, const wchar_t* format, ...) noexcept;
bool formatTextV(wchar_t* dst, size_t capacity, const wchar_t* format, va_list args) noexcept;

// Wide text in a code page (CP_ACP, CP_UTF8, ...). Characters the code page lacks become "?",
// never a look-alike (no best-fit mapping: "\u03a9mega" must not name a folder "Omega");
// `lossy` tells whether that happened.
std::string convertWide(const wchar_t* text, size_t length, unsigned codePage, bool* lossy = nullptr);

}  // namespace tessel

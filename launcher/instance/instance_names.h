// Names of the kernel objects and registry value that identify an executable's instances.
#pragma once
#include <cstddef>

namespace tessel {

constexpr size_t kInstanceNameCapacity = 6000;
// Counting mode stops looking for a free number here; that name is then kept even if taken.
constexpr int kLastInstanceNumber = 100000;

// Copies src into dst (at least as long as src) with every "\" and blank turned into "_".
void instanceObjectName(char* dst, const char* src) noexcept;
// "Global\" for the global namespace, else "Local\".
const char* instanceNamespacePrefix(bool global) noexcept;
// The longest kernel object name, namespace prefix included (MAX_PATH with its terminator).
constexpr size_t kObjectNameLimit = 259;

// prefix + object name of `absoluteExe` (+ the number when number >= 0); false (and an empty
// result) when it does not fit the capacity. A name over kObjectNameLimit gets the stable short
// form of fitNameToLimit for its path part, and *shortened (when given) is set.
bool instanceSemaphoreNameFor(char* out, size_t capacity, bool global, const char* absoluteExe,
                              int number, bool* shortened = nullptr) noexcept;

}  // namespace tessel

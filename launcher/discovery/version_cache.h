// The per-user cache of runtime versions in HKEY_CURRENT_USER, one key per java.exe, trusted
// only while the executable's last-write time is unchanged.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tessel {

// The version stored for an executable that ran but failed; never trusted.
constexpr const char* kFailedRunVersion = "1.0.0";

// "SOFTWARE\brightmoor\tessel\jvms\" + the path with "/" for "\"; a path too long for the
// registry (255 characters for one key name, and less than MAX_PATH for the whole key path,
// as the narrow functions of older launchers took it) gets the stable short form of
// fitNameToLimitW (and a log line). False when it does not fit.
bool versionCacheKey(wchar_t* out, size_t capacity, const wchar_t* executable);
// True when a trusted entry exists: same 8-byte last-write time, a readable version that is
// none of "1.7.", "1.6.", "1.5.", "1.0.0", not empty and holds no double quote.
bool readCachedVersion(const wchar_t* executable, uint64_t lastWrite, char* version,
                       size_t capacity);
// Creates or overwrites the entry; failures are silent.
void writeCachedVersion(const wchar_t* executable, uint64_t lastWrite, const char* version);

}  // namespace tessel

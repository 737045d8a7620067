// A file only the current user can read: the way a secret (a signing password) is handed to
// another program without putting it on a command line every process list shows.
#pragma once
#include <string>

#ifdef _WIN32
#include <windows.h>

#include <cstdint>
#include <vector>
#endif

namespace tessel::pe {

#ifdef _WIN32
// A security descriptor whose access list admits the current user alone and inherits nothing
// from the directory. The descriptor points into `acl`: the object stays where it was made.
struct CurrentUserOnly {
  std::vector<uint8_t> acl;
  SECURITY_DESCRIPTOR descriptor{};
  SECURITY_ATTRIBUTES attributes{};
  CurrentUserOnly() = default;
  CurrentUserOnly(const CurrentUserOnly&) = delete;
  CurrentUserOnly& operator=(const CurrentUserOnly&) = delete;
};
bool makeCurrentUserOnly(CurrentUserOnly& out);
#endif

// Creates `path` (it must not exist) readable and writable by the current user only - mode
// 0600, on Windows the access list above - and writes `text`. `created` says whether the
// file now exists and is the caller's to remove, also when writing failed.
bool writePrivateFile(const std::string& path, const std::string& text, bool& created);

}  // namespace tessel::pe

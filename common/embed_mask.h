// The one-byte mask that scrambles embedded file contents. The build tool applies it when it
// writes the records and the launcher when it extracts them; both must use this constant.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tessel {

constexpr uint8_t kEmbeddedFileMask = 0x5A;

inline void applyEmbeddedMask(uint8_t* bytes, size_t count) noexcept {
  for (size_t i = 0; i < count; ++i) bytes[i] ^= kEmbeddedFileMask;
}

}  // namespace tessel

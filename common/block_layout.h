// Layout of the configuration block appended behind the last PE section, shared by the
// launcher (reader) and the build tool (writer). Portable: no Windows header.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tessel {

constexpr uint32_t kBlockMagic = 0xE8E413D5u;                   // stored little-endian: D5 13 E4 E8
constexpr uint8_t kTrailerMagic[4] = {0xE8, 0xE4, 0x13, 0xD5};  // the magic in big-endian order
constexpr uint32_t kTrailerAlignment = 8;                       // file size after the trailer

// PE header offsets used to find the end of the last section's raw data.
constexpr uint32_t kPeOffsetField = 60;      // e_lfanew
constexpr uint32_t kPeSectionCount = 6;      // from the PE signature
constexpr uint32_t kPeOptionalSize = 20;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSectionRawSize = 16;     // within a section header
constexpr uint32_t kSectionRawOffset = 20;

// Start of the last section header, T = H + S + 40*N - 16, computed in 64 bits so that damaged
// header fields cannot wrap; negative when the fields make no sense.
inline int64_t lastSectionHeaderOffset(uint32_t peOffset, int16_t sectionCount,
                                       int16_t optionalSize) noexcept {
  return static_cast<int64_t>(peOffset) + optionalSize +
         static_cast<int64_t>(kSectionHeaderSize) * sectionCount - 16;
}

// Where the block starts (R + P) as a 64-bit offset; never wraps.
inline uint64_t blockStartOffset(uint32_t rawSize, uint32_t rawOffset) noexcept {
  return static_cast<uint64_t>(rawSize) + rawOffset;
}

struct PeBlockPosition {
  uint32_t peOffset = 0;
  int16_t sectionCount = 0;
  int16_t optionalSize = 0;
  int64_t lastSectionHeader = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
  uint64_t blockStart = 0;
};

// Walks the PE headers of an in-memory image. False when a field lies outside the data.
bool locateBlock(const uint8_t* data, size_t size, PeBlockPosition& out) noexcept;

}  // namespace tessel

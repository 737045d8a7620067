#include "block_layout.h"

#include "byte_order.h"

namespace tessel {

bool locateBlock(const uint8_t* data, size_t size, PeBlockPosition& out) noexcept {
  if (size < kPeOffsetField + 4) return false;
  out.peOffset = loadLe32(data + kPeOffsetField);
  const uint64_t h = out.peOffset;
  if (h + kPeOptionalSize + 2 > size) return false;
  out.sectionCount = static_cast<int16_t>(loadLe16(data + h + kPeSectionCount));
  out.optionalSize = static_cast<int16_t>(loadLe16(data + h + kPeOptionalSize));
  out.lastSectionHeader = lastSectionHeaderOffset(out.peOffset, out.sectionCount, out.optionalSize);
  if (out.lastSectionHeader < 0) return false;
  const uint64_t t = static_cast<uint64_t>(out.lastSectionHeader);
  if (t + kSectionRawOffset + 4 > size) return false;
  out.rawSize = loadLe32(data + t + kSectionRawSize);
  out.rawOffset = loadLe32(data + t + kSectionRawOffset);
  out.blockStart = blockStartOffset(out.rawSize, out.rawOffset);
  return true;
}

}  // namespace tessel

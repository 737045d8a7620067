#include "template_image.h"

#include "block_layout.h"
#include "byte_order.h"

namespace tessel {

bool checkTemplate(const std::vector<uint8_t>& image, std::string& why) {
  if (image.size() < kPeOffsetField + 4 || image[0] != 'M' || image[1] != 'Z') {
    why = "not a Windows executable (no MZ header)";
    return false;
  }
  const uint64_t pe = loadLe32(image.data() + kPeOffsetField);
  if (pe + 4 > image.size() || image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 ||
      image[pe + 3] != 0) {
    why = "not a Windows executable (no PE signature)";
    return false;
  }
  PeBlockPosition position;
  if (!locateBlock(image.data(), image.size(), position) || position.sectionCount <= 0) {
    why = "the PE headers are damaged (the section table lies outside the file)";
    return false;
  }
  const uint64_t size = image.size();
  if (position.blockStart < size) {
    why = "the file has " + std::to_string(size - position.blockStart) +
          " bytes after the end of its last section (offset " +
          std::to_string(position.blockStart) +
          "): the template is not stripped (link with -s) or already carries a configuration block";
    return false;
  }
  if (position.blockStart > size) {
    why = "its last section ends at offset " + std::to_string(position.blockStart) +
          ", beyond the end of the file (" + std::to_string(size) + " bytes): the template is damaged";
    return false;
  }
  return true;
}

}  // namespace tessel

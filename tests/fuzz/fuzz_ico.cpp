// The .ico reader on arbitrary bytes, and the icon group built from what it accepts.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "pe/identity.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel::pe;
  std::vector<IconImage> images;
  std::string error;
  if (!parseIco(std::vector<uint8_t>(data, data + size), images, error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  size_t total = 0;
  for (const IconImage& image : images) total += image.data.size();
  FUZZ_CHECK(total <= size);
  std::vector<Resource> list;
  putIconGroup(list, ResourceId::number(1), images);
  shareIconGroup(list, ResourceId::named("ID_SPLASH_ICON"), ResourceId::number(1));
  const Resource* group = findResource(list, ResourceId::number(kRtGroupIcon), ResourceId::number(1));
  FUZZ_CHECK(group != nullptr);
  const std::vector<uint16_t> ids = iconGroupIds(*group);
  FUZZ_CHECK(ids.size() == images.size());
  for (size_t i = 0; i < ids.size(); ++i) {
    const Resource* icon = findResource(list, ResourceId::number(kRtIcon), ResourceId::number(ids[i]));
    FUZZ_CHECK(icon != nullptr && icon->data == images[i].data);
  }
  return 0;
}

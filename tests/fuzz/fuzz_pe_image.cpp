// The tool's PE reader and resource reader on arbitrary bytes: no crash, no read past the
// image, no allocation beyond the input's size. A resource list that was read can be written
// into a new section and reads back the same.
#include <cstddef>
#include <cstdint>
#include <map>
#include <tuple>

#include "fuzz_check.h"
#include "pe/identity.h"
#include "pe/identity_options.h"
#include "pe/pe_image.h"
#include "pe/resources.h"

namespace {

using namespace tessel::pe;

// What the built tree keeps of a list: the last resource for each type, name and language.
std::map<std::tuple<std::string, std::string, uint16_t>, const Resource*> keyed(
    const std::vector<Resource>& list) {
  std::map<std::tuple<std::string, std::string, uint16_t>, const Resource*> out;
  auto text = [](const ResourceId& id) {
    return id.isName ? "n:" + std::string(id.name.begin(), id.name.end()) : std::to_string(id.id);
  };
  for (const Resource& r : list) out[{text(r.type), text(r.name), r.language}] = &r;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Image image;
  std::string error;
  if (!parseImage(std::vector<uint8_t>(data, data + size), image, error)) return 0;
  (void)isSigned(image);
  computeChecksum(image.bytes, checksumOffset(image));

  std::vector<Resource> resources;
  if (!readResources(image, resources, error)) return 0;
  size_t total = 0;
  for (const Resource& r : resources) total += r.data.size();
  FUZZ_CHECK(total <= size);
  summarizeResources(resources);
  for (const Resource& r : resources) {
    if (!r.type.isName && r.type.id == kRtVersion) readVersionStrings(r.data);
    if (!r.type.isName && r.type.id == kRtGroupIcon) iconGroupIds(r);
  }

  if (!writeResources(image, resources, error)) return 0;
  Image again;
  FUZZ_CHECK(parseImage(image.bytes, again, error));
  std::vector<Resource> reread;
  FUZZ_CHECK(readResources(again, reread, error));
  const auto before = keyed(resources), after = keyed(reread);
  FUZZ_CHECK(before.size() == after.size());
  for (auto b = before.begin(), a = after.begin(); b != before.end(); ++b, ++a) {
    FUZZ_CHECK(b->first == a->first);
    FUZZ_CHECK(b->second->data == a->second->data);
    FUZZ_CHECK(b->second->codePage == a->second->codePage);
  }
  return 0;
}

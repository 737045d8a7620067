// The resource tree of a PE image: reading it into a flat list, editing, and building a new
// resource section. Portable C++.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pe_image.h"

namespace tessel::pe {

// A resource type or name: a number, or a string (upper-case by convention).
struct ResourceId {
  bool isName = false;
  uint16_t id = 0;
  std::u16string name;
  static ResourceId number(uint16_t n) { return ResourceId{false, n, {}}; }
  static ResourceId named(const std::string& ascii) {
    return ResourceId{true, 0, std::u16string(ascii.begin(), ascii.end())};
  }
  bool operator==(const ResourceId& o) const {
    return isName == o.isName && (isName ? name == o.name : id == o.id);
  }
  std::string text() const;  // "10000" or "ID_SPLASH_ICON"
};

struct Resource {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0;
  uint32_t codePage = 0;
  std::vector<uint8_t> data;
};

// Standard types.
constexpr uint16_t kRtIcon = 3;
constexpr uint16_t kRtBitmap = 2;
constexpr uint16_t kRtRcData = 10;
constexpr uint16_t kRtGroupIcon = 14;
constexpr uint16_t kRtVersion = 16;
constexpr uint16_t kRtManifest = 24;

// Reads every resource of the image; an image without resources gives an empty list.
bool readResources(const Image& image, std::vector<Resource>& out, std::string& error);
// Builds a resource section whose data RVAs assume it is loaded at `sectionRva`.
std::vector<uint8_t> buildResourceSection(const std::vector<Resource>& resources,
                                          uint32_t sectionRva);
// Replaces the image's resources: a new section behind the last one, the resource directory
// pointed at it. The old section's bytes stay where they are, unused.
bool writeResources(Image& image, const std::vector<Resource>& resources, std::string& error);

// Editing helpers on the flat list.
void removeResources(std::vector<Resource>& list, uint16_t type);
void removeResource(std::vector<Resource>& list, const ResourceId& type, const ResourceId& name);
void putResource(std::vector<Resource>& list, Resource resource);  // replaces same type+name
const Resource* findResource(const std::vector<Resource>& list, const ResourceId& type,
                             const ResourceId& name);

}  // namespace tessel::pe

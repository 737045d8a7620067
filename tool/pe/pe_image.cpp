#include "pe_image.h"

#include <algorithm>

#include "byte_order.h"

namespace tessel::pe {
namespace {

constexpr uint16_t kPe32Plus = 0x20B;
constexpr size_t kDataDirectoryStart = 112;  // within the PE32+ optional header

uint64_t alignUp(uint64_t value, uint32_t alignment) {
  if (alignment == 0) return value;
  return (value + alignment - 1) / alignment * alignment;
}

// Offsets and sizes of the result stay below this (the launcher's own limit as well).
constexpr uint64_t kMaxImageBytes = 0x7FFFFFFFull;

}  // namespace

bool parseImage(std::vector<uint8_t> bytes, Image& image, std::string& error) {
  image = Image{};
  if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z') {
    error = "not a Windows executable (no MZ header)";
    return false;
  }
  image.peOffset = loadLe32(&bytes[60]);
  const uint64_t pe = image.peOffset;
  if (pe + 24 > bytes.size() || loadLe32(&bytes[pe]) != 0x00004550u) {
    error = "no PE signature";
    return false;
  }
  const uint16_t sectionCount = loadLe16(&bytes[pe + 6]);
  image.optionalSize = loadLe16(&bytes[pe + 20]);
  image.optionalHeader = pe + 24;
  if (image.optionalHeader + image.optionalSize > bytes.size() || image.optionalSize < 240) {
    error = "optional header truncated";
    return false;
  }
  const uint8_t* opt = &bytes[image.optionalHeader];
  if (loadLe16(opt) != kPe32Plus) {
    error = "not a 64-bit (PE32+) executable";
    return false;
  }
  image.sectionAlignment = loadLe32(opt + 32);
  image.fileAlignment = loadLe32(opt + 36);
  image.sizeOfHeaders = loadLe32(opt + 60);
  const uint64_t table = image.optionalHeader + image.optionalSize;
  if (table + 40ull * sectionCount > bytes.size()) {
    error = "section table truncated";
    return false;
  }
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const size_t at = table + 40ull * i;
    Section s;
    const char* name = reinterpret_cast<const char*>(&bytes[at]);
    size_t len = 0;
    while (len < 8 && name[len]) ++len;
    s.name.assign(name, len);
    s.virtualSize = loadLe32(&bytes[at + 8]);
    s.virtualAddress = loadLe32(&bytes[at + 12]);
    s.rawSize = loadLe32(&bytes[at + 16]);
    s.rawOffset = loadLe32(&bytes[at + 20]);
    s.characteristics = loadLe32(&bytes[at + 36]);
    s.headerOffset = at;
    if (s.rawSize && static_cast<uint64_t>(s.rawOffset) + s.rawSize > bytes.size()) {
      error = "section " + s.name + " runs past the end of the file";
      return false;
    }
    image.sections.push_back(s);
  }
  if (image.sections.empty()) {
    error = "no sections";
    return false;
  }
  image.bytes = std::move(bytes);
  return true;
}

uint64_t endOfSections(const Image& image) {
  // The launcher looks behind the last section header's raw data, so that is what counts.
  const Section& last = image.sections.back();
  return static_cast<uint64_t>(last.rawOffset) + last.rawSize;
}

bool dataDirectory(const Image& image, int index, uint32_t& rva, uint32_t& size) {
  const size_t at = image.optionalHeader + kDataDirectoryStart + 8 * static_cast<size_t>(index);
  if (at + 8 > image.optionalHeader + image.optionalSize) return false;
  rva = loadLe32(&image.bytes[at]);
  size = loadLe32(&image.bytes[at + 4]);
  return true;
}

void setDataDirectory(Image& image, int index, uint32_t rva, uint32_t size) {
  const size_t at = image.optionalHeader + kDataDirectoryStart + 8 * static_cast<size_t>(index);
  storeLe32(&image.bytes[at], rva);
  storeLe32(&image.bytes[at + 4], size);
}

bool rvaToOffset(const Image& image, uint32_t rva, uint32_t& offset) {
  for (const Section& s : image.sections) {
    if (rva >= s.virtualAddress && rva < static_cast<uint64_t>(s.virtualAddress) + s.rawSize) {
      offset = s.rawOffset + (rva - s.virtualAddress);
      return true;
    }
  }
  return false;
}

uint64_t nextSectionRva(const Image& image) {
  uint64_t end = 0;
  for (const Section& s : image.sections) {
    uint64_t e = static_cast<uint64_t>(s.virtualAddress) +
                 (s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize);
    if (e > end) end = e;
  }
  return alignUp(end, image.sectionAlignment);
}

bool appendSection(Image& image, const std::string& name, const std::vector<uint8_t>& data,
                   uint32_t characteristics, std::string& error) {
  const size_t table = image.optionalHeader + image.optionalSize;
  const size_t newHeader = table + 40 * image.sections.size();
  uint64_t firstRaw = image.sizeOfHeaders;
  for (const Section& s : image.sections)
    if (s.rawSize && s.rawOffset < firstRaw) firstRaw = s.rawOffset;
  if (newHeader + 40 > firstRaw) {
    error = "the executable's header has no room for another section";
    return false;
  }
  if (image.sections.size() >= 0xFFFF) {
    error = "the executable has no room for another section";
    return false;
  }
  // Alignments are powers of two, file alignment at most 64 KB; others would place the new
  // section arbitrarily far away.
  auto powerOfTwo = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!powerOfTwo(image.fileAlignment) || image.fileAlignment > 0x10000 ||
      !powerOfTwo(image.sectionAlignment)) {
    error = "the executable is damaged: file alignment " + std::to_string(image.fileAlignment) +
            ", section alignment " + std::to_string(image.sectionAlignment);
    return false;
  }
  if (image.sizeOfHeaders > image.bytes.size()) {
    error = "the executable is damaged: its headers claim " + std::to_string(image.sizeOfHeaders) +
            " bytes, the file has " + std::to_string(image.bytes.size());
    return false;
  }
  // Behind the headers and every section's raw data, wherever the last header points: a last
  // section without raw data must not put the new one over the headers.
  uint64_t end = image.sizeOfHeaders;
  for (const Section& s : image.sections)
    if (s.rawSize) end = std::max<uint64_t>(end, static_cast<uint64_t>(s.rawOffset) + s.rawSize);
  const uint64_t rva = nextSectionRva(image);
  const uint64_t rawOffset = alignUp(end, image.fileAlignment);
  const uint64_t rawSize = alignUp(data.size(), image.fileAlignment);
  if (rawOffset + rawSize > kMaxImageBytes) {
    error = "the executable would exceed 2 GB";
    return false;
  }
  const uint64_t sizeOfImage = alignUp(rva + data.size(), image.sectionAlignment);
  if (sizeOfImage > kMaxImageBytes) {
    error = "the executable's sections would exceed 2 GB of address space";
    return false;
  }
  image.bytes.resize(rawOffset + rawSize, 0);
  std::copy(data.begin(), data.end(), image.bytes.begin() + static_cast<long>(rawOffset));

  uint8_t* h = &image.bytes[newHeader];
  std::fill(h, h + 40, 0);
  for (size_t i = 0; i < name.size() && i < 8; ++i) h[i] = static_cast<uint8_t>(name[i]);
  storeLe32(h + 8, static_cast<uint32_t>(data.size()));
  storeLe32(h + 12, static_cast<uint32_t>(rva));
  storeLe32(h + 16, static_cast<uint32_t>(rawSize));
  storeLe32(h + 20, static_cast<uint32_t>(rawOffset));
  storeLe32(h + 36, characteristics);

  Section s;
  s.name = name.substr(0, 8);
  s.virtualSize = static_cast<uint32_t>(data.size());
  s.virtualAddress = static_cast<uint32_t>(rva);
  s.rawSize = static_cast<uint32_t>(rawSize);
  s.rawOffset = static_cast<uint32_t>(rawOffset);
  s.characteristics = characteristics;
  s.headerOffset = newHeader;
  image.sections.push_back(s);

  storeLe16(&image.bytes[image.peOffset + 6], static_cast<uint16_t>(image.sections.size()));
  storeLe32(&image.bytes[image.optionalHeader + 56], static_cast<uint32_t>(sizeOfImage));
  if (characteristics & 0x40) {  // initialised data counts towards SizeOfInitializedData
    uint32_t init = loadLe32(&image.bytes[image.optionalHeader + 8]);
    storeLe32(&image.bytes[image.optionalHeader + 8], init + static_cast<uint32_t>(rawSize));
  }
  return true;
}

size_t checksumOffset(const Image& image) { return image.optionalHeader + 64; }

uint32_t computeChecksum(const std::vector<const std::vector<uint8_t>*>& pieces, size_t checksumAt) {
  // Words are summed without carrying and folded once at the end: the same one's-complement
  // sum as folding after every word, for files far beyond 4 GB.
  uint64_t sum = 0;
  uint64_t pos = 0;
  auto counted = [checksumAt](uint64_t at) { return at - checksumAt >= 4; };
  for (const std::vector<uint8_t>* piece : pieces) {
    const uint8_t* p = piece->data();
    const size_t n = piece->size();
    size_t i = 0;
    if ((pos & 1) && n > 0) {  // the high byte of a word the previous piece began
      if (counted(pos)) sum += static_cast<uint64_t>(p[0]) << 8;
      i = 1;
    }
    for (; i + 1 < n; i += 2)
      if (counted(pos + i)) sum += p[i] | (static_cast<uint32_t>(p[i + 1]) << 8);
    if (i < n && counted(pos + i)) sum += p[i];
    pos += n;
  }
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + pos);
}

uint32_t computeChecksum(const std::vector<uint8_t>& bytes, size_t checksumAt) {
  return computeChecksum(std::vector<const std::vector<uint8_t>*>{&bytes}, checksumAt);
}

void updateChecksum(std::vector<uint8_t>& bytes, const Image& image) {
  const size_t at = checksumOffset(image);
  storeLe32(&bytes[at], 0);
  storeLe32(&bytes[at], computeChecksum(bytes, at));
}

}  // namespace tessel::pe

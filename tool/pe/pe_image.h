// A PE32+ image held in memory, with just enough structure to rewrite its resources: the
// section table, the data directories, sizes, alignment and the checksum. Portable C++.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tessel::pe {

struct Section {
  std::string name;
  uint32_t virtualSize = 0;
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
  uint32_t characteristics = 0;
  size_t headerOffset = 0;  // where its 40-byte header lives in the file
};

struct Image {
  std::vector<uint8_t> bytes;
  uint32_t peOffset = 0;
  size_t optionalHeader = 0;  // file offset of the optional header
  uint16_t optionalSize = 0;
  uint32_t fileAlignment = 0;
  uint32_t sectionAlignment = 0;
  uint32_t sizeOfHeaders = 0;
  std::vector<Section> sections;
};

// Data directory indices used here.
constexpr int kResourceDirectory = 2;
constexpr int kSecurityDirectory = 4;

// Parses a 64-bit PE image; false with a reason when it is not one or is damaged.
bool parseImage(std::vector<uint8_t> bytes, Image& image, std::string& error);
// The end of the last section's raw data (where an appended block starts).
uint64_t endOfSections(const Image& image);
bool dataDirectory(const Image& image, int index, uint32_t& rva, uint32_t& size);
void setDataDirectory(Image& image, int index, uint32_t rva, uint32_t size);
// The file offset of an RVA inside a section's raw data, or false.
bool rvaToOffset(const Image& image, uint32_t rva, uint32_t& offset);
// Appends a section behind the headers and the raw data of every section (the file is cut
// there first).
// False when the header has no room for another section header.
bool appendSection(Image& image, const std::string& name, const std::vector<uint8_t>& data,
                   uint32_t characteristics, std::string& error);
// The RVA the next appended section would get (beyond 32 bits when the sections reach that far).
uint64_t nextSectionRva(const Image& image);
// Recomputes the optional header's checksum over the whole file.
void updateChecksum(std::vector<uint8_t>& bytes, const Image& image);
uint32_t computeChecksum(const std::vector<uint8_t>& bytes, size_t checksumOffset);
// The checksum of a file given as consecutive pieces (the field itself counts as zero).
uint32_t computeChecksum(const std::vector<const std::vector<uint8_t>*>& pieces, size_t checksumOffset);
size_t checksumOffset(const Image& image);

}  // namespace tessel::pe

// One entry of a zip archive (a jar), found through the central directory and read stored or
// deflated. Every length in the archive is checked against the archive and against the
// caller's limit before anything is read or written.
#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tessel::jar {

// Reads exactly `length` bytes at `offset` into `out`; false when it cannot.
using ReadAt = std::function<bool(uint64_t offset, size_t length, uint8_t* out)>;

struct ZipSource {
  uint64_t size = 0;
  ReadAt read;
};

enum class ZipStatus { Found, NotFound, Damaged, Unsupported, TooLarge };

// Finds `name` in the central directory (letter case ignored for ASCII, as the runtime finds
// a jar's manifest) and returns its content, which must not exceed `maxSize` bytes. `why`
// explains every status but Found.
ZipStatus readZipEntry(const ZipSource& zip, const std::string& name, size_t maxSize,
                       std::vector<uint8_t>& content, std::string& why);

// A source over bytes in memory (tests, small archives).
ZipSource memoryZip(const std::vector<uint8_t>& bytes);
// A source over a file, read piece by piece; false with `why` when it cannot be opened. The
// file stays open as long as the returned source lives.
bool fileZip(const std::filesystem::path& path, ZipSource& zip, std::string& why);

}  // namespace tessel::jar

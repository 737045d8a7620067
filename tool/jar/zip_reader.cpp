#include "zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "byte_order.h"

namespace tessel::jar {
namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;
constexpr size_t kMaxComment = 0xFFFF;
// A central directory this large belongs to no jar a launcher starts.
constexpr uint64_t kMaxDirectory = 64u << 20;

bool sameName(const uint8_t* stored, size_t length, const std::string& name) {
  if (length != name.size()) return false;
  for (size_t i = 0; i < length; ++i) {
    unsigned char a = stored[i], b = static_cast<unsigned char>(name[i]);
    if (a >= 'A' && a <= 'Z') a = static_cast<unsigned char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<unsigned char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

int seekTo(FILE* file, uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET);
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET);
#endif
}

ZipStatus fail(ZipStatus status, std::string& why, const std::string& text) {
  why = text;
  return status;
}

bool inflateRaw(const std::vector<uint8_t>& packed, std::vector<uint8_t>& out) {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  stream.next_in = const_cast<Bytef*>(packed.data());
  stream.avail_in = static_cast<uInt>(packed.size());
  // The output buffer has exactly the declared size; zlib writes no further.
  uint8_t spare = 0;
  stream.next_out = out.empty() ? &spare : out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  int result = inflate(&stream, Z_FINISH);
  const bool complete = result == Z_STREAM_END && stream.total_out == out.size();
  inflateEnd(&stream);
  return complete;
}

}  // namespace

ZipStatus readZipEntry(const ZipSource& zip, const std::string& name, size_t maxSize,
                       std::vector<uint8_t>& content, std::string& why) {
  content.clear();
  if (zip.size < kEndSize) return fail(ZipStatus::Damaged, why, "too short to be a zip archive");

  // The end record sits within the last 22 + 65535 bytes (its comment is at most that long).
  const size_t tailSize = static_cast<size_t>(std::min<uint64_t>(zip.size, kEndSize + kMaxComment));
  const uint64_t tailStart = zip.size - tailSize;
  std::vector<uint8_t> tail(tailSize);
  if (!zip.read(tailStart, tailSize, tail.data()))
    return fail(ZipStatus::Damaged, why, "cannot read the end of the archive");
  size_t end = tailSize - kEndSize + 1;
  bool found = false;
  while (end-- > 0) {
    if (loadLe32(&tail[end]) != kEndSignature) continue;
    // A signature inside a comment would claim a comment running past the file.
    if (end + kEndSize + loadLe16(&tail[end + 20]) <= tailSize) {
      found = true;
      break;
    }
  }
  if (!found) return fail(ZipStatus::Damaged, why, "no zip end-of-directory record");
  const uint8_t* record = &tail[end];
  const uint64_t endOffset = tailStart + end;
  const uint16_t disk = loadLe16(record + 4), directoryDisk = loadLe16(record + 6);
  const uint16_t entries = loadLe16(record + 10);
  const uint32_t directorySize = loadLe32(record + 12), directoryOffset = loadLe32(record + 16);
  if (disk != 0 || directoryDisk != 0)
    return fail(ZipStatus::Unsupported, why, "a zip archive split over several files");
  if (entries == 0xFFFF || directorySize == 0xFFFFFFFFu || directoryOffset == 0xFFFFFFFFu)
    return fail(ZipStatus::Unsupported, why, "a ZIP64 archive");
  if (static_cast<uint64_t>(directoryOffset) + directorySize > endOffset)
    return fail(ZipStatus::Damaged, why, "the central directory runs past its end record");
  if (directorySize > kMaxDirectory)
    return fail(ZipStatus::TooLarge, why, "a central directory of more than 64 MB");

  std::vector<uint8_t> directory(directorySize);
  if (directorySize && !zip.read(directoryOffset, directorySize, directory.data()))
    return fail(ZipStatus::Damaged, why, "cannot read the central directory");
  size_t at = 0;
  const uint8_t* entry = nullptr;
  for (uint32_t i = 0; i < entries; ++i) {
    if (directorySize - at < kCentralSize || loadLe32(&directory[at]) != kCentralSignature)
      return fail(ZipStatus::Damaged, why, "a damaged central directory entry");
    const uint8_t* header = &directory[at];
    const size_t nameLength = loadLe16(header + 28);
    const size_t extra = static_cast<size_t>(loadLe16(header + 30)) + loadLe16(header + 32);
    if (directorySize - at - kCentralSize < nameLength + extra)
      return fail(ZipStatus::Damaged, why, "a central directory entry runs past the directory");
    if (sameName(header + kCentralSize, nameLength, name)) {
      entry = header;
      break;
    }
    at += kCentralSize + nameLength + extra;
  }
  if (!entry) return fail(ZipStatus::NotFound, why, "no " + name + " in the archive");

  const uint16_t flags = loadLe16(entry + 8), method = loadLe16(entry + 10);
  const uint32_t crc = loadLe32(entry + 16);
  const uint32_t packedSize = loadLe32(entry + 20), size = loadLe32(entry + 24);
  const uint32_t localOffset = loadLe32(entry + 42);
  if (flags & 1) return fail(ZipStatus::Unsupported, why, name + " is encrypted");
  if (method != 0 && method != 8)
    return fail(ZipStatus::Unsupported, why,
                name + " uses compression method " + std::to_string(method) + " (only stored and deflated are read)");
  if (size == 0xFFFFFFFFu || packedSize == 0xFFFFFFFFu || localOffset == 0xFFFFFFFFu)
    return fail(ZipStatus::Unsupported, why, name + " has ZIP64 sizes");
  if (size > maxSize)
    return fail(ZipStatus::TooLarge, why,
                name + " has " + std::to_string(size) + " bytes, more than the " + std::to_string(maxSize) + " read");
  if (method == 0 && packedSize != size)
    return fail(ZipStatus::Damaged, why, name + " is stored with two different sizes");
  // Deflate never grows data by more than a few bytes per 16 KB block.
  if (packedSize > static_cast<uint64_t>(size) + size / 8 + 1024)
    return fail(ZipStatus::Damaged, why, name + " declares more compressed than plain bytes");

  uint8_t local[kLocalSize];
  if (static_cast<uint64_t>(localOffset) + kLocalSize > directoryOffset ||
      !zip.read(localOffset, kLocalSize, local) || loadLe32(local) != kLocalSignature)
    return fail(ZipStatus::Damaged, why, "the local header of " + name + " is missing");
  const uint64_t dataOffset =
      static_cast<uint64_t>(localOffset) + kLocalSize + loadLe16(local + 26) + loadLe16(local + 28);
  if (dataOffset + packedSize > directoryOffset)
    return fail(ZipStatus::Damaged, why, "the data of " + name + " runs into the central directory");
  std::vector<uint8_t> packed(packedSize);
  if (packedSize && !zip.read(dataOffset, packedSize, packed.data()))
    return fail(ZipStatus::Damaged, why, "cannot read the data of " + name);
  if (method == 0) {
    content = std::move(packed);
  } else {
    content.assign(size, 0);
    if (!inflateRaw(packed, content)) {
      content.clear();
      return fail(ZipStatus::Damaged, why, "the compressed data of " + name + " is damaged");
    }
  }
  if (crc32(0L, content.data(), static_cast<uInt>(content.size())) != crc) {
    content.clear();
    return fail(ZipStatus::Damaged, why, "the checksum of " + name + " does not match");
  }
  return ZipStatus::Found;
}

ZipSource memoryZip(const std::vector<uint8_t>& bytes) {
  ZipSource zip;
  zip.size = bytes.size();
  zip.read = [&bytes](uint64_t offset, size_t length, uint8_t* out) {
    if (offset > bytes.size() || length > bytes.size() - offset) return false;
    std::memcpy(out, bytes.data() + offset, length);
    return true;
  };
  return zip;
}

bool fileZip(const std::filesystem::path& path, ZipSource& zip, std::string& why) {
#ifdef _WIN32
  std::shared_ptr<FILE> file(_wfopen(path.c_str(), L"rb"), [](FILE* f) { if (f) std::fclose(f); });
#else
  std::shared_ptr<FILE> file(std::fopen(path.c_str(), "rb"), [](FILE* f) { if (f) std::fclose(f); });
#endif
  if (!file) {
    why = std::strerror(errno);
    return false;
  }
  std::error_code failure;
  const uintmax_t size = std::filesystem::file_size(path, failure);
  if (failure) {
    why = failure.message();
    return false;
  }
  zip.size = size;
  zip.read = [file](uint64_t offset, size_t length, uint8_t* out) {
    if (seekTo(file.get(), offset) != 0) return false;
    return std::fread(out, 1, length, file.get()) == length;
  };
  return true;
}

}  // namespace tessel::jar

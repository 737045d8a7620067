#include "jar_manifest.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <vector>

#include "byte_order.h"
#include "file_io.h"

namespace tessel {
namespace {

constexpr uint32_t kEndOfDirectory = 0x06054b50;
constexpr uint32_t kDirectoryEntry = 0x02014b50;
constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kMaxComment = 0xFFFF;
// Far beyond any real manifest or jar directory; a larger claim is a damaged file.
constexpr uint64_t kMaxManifest = 1u << 20;
constexpr uint64_t kMaxDirectory = 64u << 20;
const char* const kManifestName = "META-INF/MANIFEST.MF";

bool readAt(std::ifstream& in, uint64_t offset, uint64_t size, std::vector<uint8_t>& out) {
  out.assign(static_cast<size_t>(size), 0);
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  return in && (size == 0 || in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size)));
}

bool sameNameIgnoringCase(const uint8_t* name, size_t length, const std::string& want) {
  if (length != want.size()) return false;
  for (size_t i = 0; i < length; ++i)
    if (std::toupper(name[i]) != std::toupper(static_cast<unsigned char>(want[i]))) return false;
  return true;
}

bool inflateRaw(const std::vector<uint8_t>& packed, uint64_t expected, std::string& out) {
  out.assign(static_cast<size_t>(expected), '\0');
  z_stream z = {};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(packed.data());
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = reinterpret_cast<Bytef*>(&out[0]);
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&z, Z_FINISH);
  const bool whole = rc == Z_STREAM_END && z.total_out == expected;
  inflateEnd(&z);
  return whole;
}

}  // namespace

bool readJarManifest(const std::string& path, std::string& manifest, std::string& why) {
  std::ifstream in(toPath(path), std::ios::binary | std::ios::ate);
  if (!in) {
    why = "cannot be read";
    return false;
  }
  const uint64_t size = static_cast<uint64_t>(in.tellg());
  // The end record sits in the last 22 bytes plus at most a 64 KB comment.
  const uint64_t tail = std::min<uint64_t>(size, kEndRecordSize + kMaxComment);
  std::vector<uint8_t> bytes;
  if (tail < kEndRecordSize || !readAt(in, size - tail, tail, bytes)) {
    why = "not a jar (zip) file";
    return false;
  }
  size_t end = bytes.size() - kEndRecordSize + 1;
  bool found = false;
  while (end-- > 0)
    if (loadLe32(&bytes[end]) == kEndOfDirectory) {
      found = true;
      break;
    }
  if (!found) {
    why = "not a jar (zip) file: no end of central directory";
    return false;
  }
  const uint64_t directorySize = loadLe32(&bytes[end + 12]);
  const uint64_t directoryOffset = loadLe32(&bytes[end + 16]);
  if (directoryOffset == 0xFFFFFFFFu || directorySize == 0xFFFFFFFFu) {
    why = "a zip64 archive, which tessel init does not read";
    return false;
  }
  if (directoryOffset + directorySize > size || directorySize > kMaxDirectory ||
      !readAt(in, directoryOffset, directorySize, bytes)) {
    why = "damaged: the central directory lies outside the file";
    return false;
  }
  for (size_t at = 0; at + 46 <= bytes.size();) {
    if (loadLe32(&bytes[at]) != kDirectoryEntry) break;
    const uint16_t method = loadLe16(&bytes[at + 10]);
    const uint64_t packedSize = loadLe32(&bytes[at + 20]);
    const uint64_t fullSize = loadLe32(&bytes[at + 24]);
    const size_t nameLength = loadLe16(&bytes[at + 28]);
    const size_t extra = loadLe16(&bytes[at + 30]) + static_cast<size_t>(loadLe16(&bytes[at + 32]));
    const uint64_t local = loadLe32(&bytes[at + 42]);
    if (at + 46 + nameLength > bytes.size()) break;
    if (!sameNameIgnoringCase(&bytes[at + 46], nameLength, kManifestName)) {
      at += 46 + nameLength + extra;
      continue;
    }
    std::vector<uint8_t> header, packed;
    if (fullSize > kMaxManifest || packedSize > kMaxManifest || local + 30 > size ||
        !readAt(in, local, 30, header) || loadLe32(&header[0]) != kLocalHeader) {
      why = "damaged: the manifest's entry is unreadable";
      return false;
    }
    const uint64_t data = local + 30 + loadLe16(&header[26]) + loadLe16(&header[28]);
    if (data + packedSize > size || !readAt(in, data, packedSize, packed)) {
      why = "damaged: the manifest's data lies outside the file";
      return false;
    }
    if (method == 0 && packedSize == fullSize) {
      manifest.assign(packed.begin(), packed.end());
      return true;
    }
    if (method == 8 && inflateRaw(packed, fullSize, manifest)) return true;
    why = "damaged or unsupported compression of " + std::string(kManifestName);
    return false;
  }
  why = "holds no " + std::string(kManifestName);
  return false;
}

std::string manifestAttribute(const std::string& manifest, const std::string& name) {
  // Lines end in CR LF, LF or CR; a line starting with one space continues the one before.
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < manifest.size()) {
    size_t end = manifest.find_first_of("\r\n", at);
    if (end == std::string::npos) end = manifest.size();
    std::string line = manifest.substr(at, end - at);
    if (line.empty()) break;  // the main section ends at the first blank line
    if (line[0] == ' ' && !lines.empty()) lines.back() += line.substr(1);
    else lines.push_back(line);
    at = end;
    if (at < manifest.size() && manifest[at] == '\r') ++at;
    if (at < manifest.size() && manifest[at] == '\n') ++at;
  }
  for (const std::string& line : lines) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < colon && same; ++i)
      same = std::tolower(static_cast<unsigned char>(line[i])) ==
             std::tolower(static_cast<unsigned char>(name[i]));
    if (!same) continue;
    std::string value = line.substr(colon + 1);
    const size_t first = value.find_first_not_of(' ');
    value = first == std::string::npos ? "" : value.substr(first);
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return value;
  }
  return "";
}

}  // namespace tessel

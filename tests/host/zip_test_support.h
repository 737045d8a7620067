// Zip archives (jars) written in memory for the tests of the tool's jar readers.
#pragma once
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessel::test {

struct Entry {
  std::string name, content;
  bool deflate;
};

// A zip archive written the way jar tools write them, stored or deflated entries.
inline std::vector<uint8_t> zipFile(const std::vector<Entry>& entries, const std::string& comment = "") {
  std::vector<uint8_t> out, directory;
  auto put16 = [](std::vector<uint8_t>& v, uint16_t x) { v.push_back(x & 0xFF); v.push_back(x >> 8); };
  auto put32 = [&](std::vector<uint8_t>& v, uint32_t x) { put16(v, x & 0xFFFF); put16(v, x >> 16); };
  for (const Entry& e : entries) {
    std::vector<uint8_t> data(e.content.begin(), e.content.end());
    if (e.deflate) {
      z_stream z = {};
      deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
      std::vector<uint8_t> packed(e.content.size() + 64);
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(e.content.data()));
      z.avail_in = static_cast<uInt>(e.content.size());
      z.next_out = packed.data();
      z.avail_out = static_cast<uInt>(packed.size());
      deflate(&z, Z_FINISH);
      packed.resize(z.total_out);
      deflateEnd(&z);
      data = packed;
    }
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.content.data()), static_cast<uInt>(e.content.size())));
    const uint32_t local = static_cast<uint32_t>(out.size());
    put32(out, 0x04034b50); put16(out, 20); put16(out, 0); put16(out, e.deflate ? 8 : 0);
    put32(out, 0); put32(out, crc); put32(out, static_cast<uint32_t>(data.size()));
    put32(out, static_cast<uint32_t>(e.content.size())); put16(out, static_cast<uint16_t>(e.name.size()));
    put16(out, 0);
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.insert(out.end(), data.begin(), data.end());
    put32(directory, 0x02014b50); put16(directory, 20); put16(directory, 20); put16(directory, 0);
    put16(directory, e.deflate ? 8 : 0); put32(directory, 0); put32(directory, crc);
    put32(directory, static_cast<uint32_t>(data.size())); put32(directory, static_cast<uint32_t>(e.content.size()));
    put16(directory, static_cast<uint16_t>(e.name.size())); put16(directory, 0); put16(directory, 0);
    put16(directory, 0); put16(directory, 0); put32(directory, 0); put32(directory, local);
    directory.insert(directory.end(), e.name.begin(), e.name.end());
  }
  const uint32_t directoryAt = static_cast<uint32_t>(out.size());
  out.insert(out.end(), directory.begin(), directory.end());
  put32(out, 0x06054b50); put16(out, 0); put16(out, 0);
  put16(out, static_cast<uint16_t>(entries.size())); put16(out, static_cast<uint16_t>(entries.size()));
  put32(out, static_cast<uint32_t>(directory.size())); put32(out, directoryAt);
  put16(out, static_cast<uint16_t>(comment.size()));
  out.insert(out.end(), comment.begin(), comment.end());
  return out;
}

}  // namespace tessel::test

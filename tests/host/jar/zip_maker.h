// Zip archives made byte by byte for the jar tests: stored or deflated entries, with the
// offsets of every header so that tests can make them lie.
#pragma once
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tessel::jar::test {

struct Entry {
  std::string name;
  std::string content;
  bool deflate = false;
};

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

inline std::string rawDeflate(const std::string& text) {
  z_stream s{};
  deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&s, text.size()), '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  s.avail_in = static_cast<uInt>(text.size());
  s.next_out = reinterpret_cast<Bytef*>(&out[0]);
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

// Offsets of interest in the archive written by makeZip.
struct Layout {
  std::vector<size_t> local;    // local header of each entry
  std::vector<size_t> central;  // central header of each entry
  size_t end = 0;               // end record
};

inline std::vector<uint8_t> makeZip(const std::vector<Entry>& entries, Layout* layout = nullptr,
                             const std::string& comment = "") {
  std::vector<uint8_t> out;
  Layout l;
  std::vector<std::string> packed;
  std::vector<uint32_t> crcs;
  for (const Entry& e : entries) {
    packed.push_back(e.deflate ? rawDeflate(e.content) : e.content);
    crcs.push_back(static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.content.data()), static_cast<uInt>(e.content.size()))));
    l.local.push_back(out.size());
    put32(out, 0x04034b50);
    put16(out, 20);
    put16(out, 0);
    put16(out, e.deflate ? 8 : 0);
    put32(out, 0);
    put32(out, crcs.back());
    put32(out, static_cast<uint32_t>(packed.back().size()));
    put32(out, static_cast<uint32_t>(e.content.size()));
    put16(out, static_cast<uint32_t>(e.name.size()));
    put16(out, 0);
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.insert(out.end(), packed.back().begin(), packed.back().end());
  }
  const size_t directory = out.size();
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    l.central.push_back(out.size());
    put32(out, 0x02014b50);
    put16(out, 20);
    put16(out, 20);
    put16(out, 0);
    put16(out, e.deflate ? 8 : 0);
    put32(out, 0);
    put32(out, crcs[i]);
    put32(out, static_cast<uint32_t>(packed[i].size()));
    put32(out, static_cast<uint32_t>(e.content.size()));
    put16(out, static_cast<uint32_t>(e.name.size()));
    put16(out, 0);
    put16(out, 0);
    put16(out, 0);
    put16(out, 0);
    put32(out, 0);
    put32(out, static_cast<uint32_t>(l.local[i]));
    out.insert(out.end(), e.name.begin(), e.name.end());
  }
  l.end = out.size();
  put32(out, 0x06054b50);
  put16(out, 0);
  put16(out, 0);
  put16(out, static_cast<uint32_t>(entries.size()));
  put16(out, static_cast<uint32_t>(entries.size()));
  put32(out, static_cast<uint32_t>(l.end - directory));
  put32(out, static_cast<uint32_t>(directory));
  put16(out, static_cast<uint32_t>(comment.size()));
  out.insert(out.end(), comment.begin(), comment.end());
  if (layout) *layout = l;
  return out;
}

}  // namespace tessel::jar::test

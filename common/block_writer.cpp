#include "block_writer.h"

#include <algorithm>

#include "block_layout.h"
#include "byte_order.h"
#include "embed_mask.h"

namespace tessel {
namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t b[4];
  storeLe32(b, v);
  out.insert(out.end(), b, b + 4);
}

void put64(std::vector<uint8_t>& out, uint64_t v) {
  uint8_t b[8];
  storeLe64(b, v);
  out.insert(out.end(), b, b + 8);
}

void putString(std::vector<uint8_t>& out, const std::string& s) {
  put32(out, static_cast<uint32_t>(s.size()));
  out.insert(out.end(), s.begin(), s.end());
}

void putWString(std::vector<uint8_t>& out, const std::u16string& s) {
  put32(out, static_cast<uint32_t>(s.size() * 2));
  for (char16_t c : s) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
}

void putWideRecords(std::vector<uint8_t>& out,
                    const std::vector<std::pair<int32_t, std::u16string>>& records) {
  put32(out, static_cast<uint32_t>(records.size()));
  for (const auto& r : records) {
    put32(out, static_cast<uint32_t>(r.first));
    putWString(out, r.second);
  }
}

}  // namespace

std::vector<uint8_t> serializeBlock(const BlockContents& block, uint64_t embeddedBytes) {
  std::vector<uint8_t> out;
  put32(out, kBlockMagic);
  put32(out, 0);
  put32(out, 0);
  const size_t lengthAt = out.size();
  put64(out, 0);
  put32(out, static_cast<uint32_t>(block.strings.size()));
  for (const auto& r : block.strings) {
    put32(out, static_cast<uint32_t>(r.first));
    putString(out, r.second);
  }
  putWideRecords(out, block.messages);
  put32(out, static_cast<uint32_t>(block.sections.size()));
  for (const LocaleSection& s : block.sections) {
    putString(out, s.tag);
    putWideRecords(out, s.records);
  }
  storeLe64(&out[lengthAt], out.size() - lengthAt + embeddedBytes);
  return out;
}

void appendEmbeddedRecord(std::vector<uint8_t>& out, const std::vector<uint8_t>& content) {
  put64(out, content.size());
  const size_t at = out.size();
  out.insert(out.end(), content.begin(), content.end());
  applyEmbeddedMask(out.data() + at, content.size());
}

std::vector<uint8_t> trailerBytes(uint64_t sizeBefore) {
  std::vector<uint8_t> out(kTrailerMagic, kTrailerMagic + 4);
  while ((sizeBefore + out.size()) % kTrailerAlignment != 0) out.push_back(0);
  return out;
}

bool utf8ToUtf16(const std::string& in, std::u16string& out) {
  out.clear();
  size_t i = 0;
  while (i < in.size()) {
    uint8_t c = static_cast<uint8_t>(in[i]);
    uint32_t cp;
    size_t extra;
    if (c < 0x80) { cp = c; extra = 0; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
    else return false;
    for (size_t k = 1; k <= extra; ++k) {
      if (i + k >= in.size()) return false;
      uint8_t d = static_cast<uint8_t>(in[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    i += extra + 1;
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return true;
}

std::string utf16ToUtf8(const std::u16string& in) {
  std::string out;
  for (size_t i = 0; i < in.size(); ++i) {
    uint32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

const std::string* findBlockString(const BlockContents& block, int32_t key) {
  for (const auto& record : block.strings)
    if (record.first == key) return &record.second;
  return nullptr;
}

bool putBlockString(BlockContents& block, int32_t key, const std::string& value, bool replace) {
  auto& strings = block.strings;
  auto at = std::lower_bound(strings.begin(), strings.end(), key,
                             [](const auto& record, int32_t k) { return record.first < k; });
  if (at != strings.end() && at->first == key) {
    if (!replace) return false;
    at->second = value;
    return true;
  }
  strings.insert(at, {key, value});
  return true;
}

std::string latin1ToUtf8(const std::string& latin1) {
  std::string out;
  for (unsigned char c : latin1) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool utf8ToLatin1(const std::string& utf8, std::string& out, bool replace, bool* replaced) {
  std::u16string wide;
  if (replaced) *replaced = false;
  if (!utf8ToUtf16(utf8, wide)) return false;
  out.clear();
  for (char16_t c : wide) {
    if (c > 0xFF) {
      if (!replace) return false;
      if (replaced) *replaced = true;
      c = '?';
    }
    out.push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace tessel

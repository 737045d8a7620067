#include "identity.h"

#include <algorithm>
#include <climits>
#include <set>

#include "block_writer.h"
#include "byte_order.h"

namespace tessel::pe {

bool parseIco(const std::vector<uint8_t>& file, std::vector<IconImage>& images, std::string& error) {
  images.clear();
  if (file.size() < 6 || loadLe16(&file[0]) != 0 || loadLe16(&file[2]) != 1) {
    error = "not an icon file (bad ICONDIR header)";
    return false;
  }
  const uint16_t count = loadLe16(&file[4]);
  if (count == 0) {
    error = "the icon file holds no images";
    return false;
  }
  if (6ull + 16ull * count > file.size()) {
    error = "truncated: the directory lists " + std::to_string(count) + " images";
    return false;
  }
  uint64_t total = 0;
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* e = &file[6 + 16 * i];
    IconImage img;
    img.width = e[0];
    img.height = e[1];
    img.colorCount = e[2];
    img.planes = loadLe16(e + 4);
    img.bitCount = loadLe16(e + 6);
    const uint32_t size = loadLe32(e + 8);
    const uint32_t offset = loadLe32(e + 12);
    if (size < 40 || static_cast<uint64_t>(offset) + size > file.size()) {
      error = "image " + std::to_string(i + 1) + " claims " + std::to_string(size) +
              " bytes at offset " + std::to_string(offset) + ", beyond the file's " +
              std::to_string(file.size()) + " bytes";
      return false;
    }
    // Entries that share or overlap their bytes would multiply the file in memory.
    total += size;
    if (total > file.size()) {
      error = "the directory's images overlap: together they claim more than the file's " +
              std::to_string(file.size()) + " bytes";
      return false;
    }
    img.data.assign(file.begin() + offset, file.begin() + offset + size);
    if (isPng(img.data) && !checkPngChunks(img.data.data(), img.data.size(), error)) {
      error = "image " + std::to_string(i + 1) + ": " + error;
      return false;
    }
    images.push_back(std::move(img));
  }
  return true;
}

bool isPng(const std::vector<uint8_t>& file) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return file.size() >= 8 && std::equal(kSignature, kSignature + 8, file.begin());
}

namespace {

uint32_t pngCrc(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

}  // namespace

bool checkPngChunks(const uint8_t* data, size_t size, std::string& error) {
  size_t at = 8;  // behind the signature
  bool imageData = false;
  while (at < size) {
    if (size - at < 12) {
      error = "truncated PNG: a chunk at offset " + std::to_string(at) + " is cut off";
      return false;
    }
    const uint32_t length = loadBe32(data + at);
    const std::string type(data + at + 4, data + at + 8);
    if (length > size - at - 12) {
      error = "truncated PNG: the " + type + " chunk at offset " + std::to_string(at) + " claims " +
              std::to_string(length) + " bytes, more than the file holds";
      return false;
    }
    if (pngCrc(data + at + 4, 4 + length) != loadBe32(data + at + 8 + length)) {
      error = "damaged PNG: the " + type + " chunk at offset " + std::to_string(at) + " fails its checksum";
      return false;
    }
    at += 12 + length;
    if (type == "IDAT" && length > 0) imageData = true;
    if (type == "IEND") {
      if (!imageData) error = "damaged PNG: no image data (IDAT) before IEND";
      else if (at != size) error = "damaged PNG: " + std::to_string(size - at) + " bytes after IEND";
      return imageData && at == size;
    }
  }
  error = imageData ? "truncated PNG: no IEND chunk at the end" : "truncated PNG: no image data (IDAT)";
  return false;
}

bool iconFromPng(const std::vector<uint8_t>& file, std::vector<IconImage>& images, std::string& error) {
  images.clear();
  // The signature, then the IHDR chunk: length 13, type, width and height (big-endian).
  if (!isPng(file) || file.size() < 33 || loadBe32(&file[8]) != 13 ||
      std::string(file.begin() + 12, file.begin() + 16) != "IHDR") {
    error = "not a PNG image (no IHDR header)";
    return false;
  }
  const uint32_t width = loadBe32(&file[16]), height = loadBe32(&file[20]);
  if (width == 0 || height == 0 || width > 256 || height > 256) {
    error = "a PNG icon must be from 1x1 to 256x256 pixels, not " + std::to_string(width) + "x" +
            std::to_string(height);
    return false;
  }
  if (!checkPngChunks(file.data(), file.size(), error)) return false;
  IconImage img;
  img.width = static_cast<uint8_t>(width == 256 ? 0 : width);  // 0 stands for 256
  img.height = static_cast<uint8_t>(height == 256 ? 0 : height);
  img.planes = 1;
  img.bitCount = 32;
  img.data = file;
  images.push_back(std::move(img));
  return true;
}

std::vector<uint16_t> iconGroupIds(const Resource& group) {
  std::vector<uint16_t> ids;
  const auto& d = group.data;
  if (d.size() < 6) return ids;
  uint16_t count = loadLe16(&d[4]);
  for (uint16_t i = 0; i < count && 6u + 14u * (i + 1u) <= d.size(); ++i)
    ids.push_back(loadLe16(&d[6 + 14 * i + 12]));
  return ids;
}

namespace {

// Removes the icon group `group` and the icons no other group uses.
void dropIconGroup(std::vector<Resource>& list, const ResourceId& group) {
  const ResourceId groupType = ResourceId::number(kRtGroupIcon);
  const ResourceId iconType = ResourceId::number(kRtIcon);
  std::set<uint16_t> stillUsed;
  for (const Resource& r : list)
    if (r.type == groupType && !(r.name == group))
      for (uint16_t id : iconGroupIds(r)) stillUsed.insert(id);
  if (const Resource* old = findResource(list, groupType, group))
    for (uint16_t id : iconGroupIds(*old))
      if (!stillUsed.count(id)) removeResource(list, iconType, ResourceId::number(id));
  removeResource(list, groupType, group);
}

}  // namespace

void shareIconGroup(std::vector<Resource>& list, const ResourceId& group, const ResourceId& from) {
  const ResourceId groupType = ResourceId::number(kRtGroupIcon);
  const Resource* source = findResource(list, groupType, from);
  if (!source) return;
  Resource copy = *source;
  copy.name = group;
  dropIconGroup(list, group);
  list.push_back(std::move(copy));
}

void putIconGroup(std::vector<Resource>& list, const ResourceId& group,
                  const std::vector<IconImage>& images) {
  const ResourceId groupType = ResourceId::number(kRtGroupIcon);
  const ResourceId iconType = ResourceId::number(kRtIcon);
  dropIconGroup(list, group);

  uint16_t nextId = 1;
  for (const Resource& r : list)
    if (r.type == iconType && !r.name.isName && r.name.id >= nextId) nextId = r.name.id + 1;

  Resource g;
  g.type = groupType;
  g.name = group;
  g.language = 0x0409;
  g.data.resize(6 + 14 * images.size());
  storeLe16(&g.data[2], 1);
  storeLe16(&g.data[4], static_cast<uint16_t>(images.size()));
  for (size_t i = 0; i < images.size(); ++i) {
    const IconImage& img = images[i];
    uint8_t* e = &g.data[6 + 14 * i];
    e[0] = img.width;
    e[1] = img.height;
    e[2] = img.colorCount;
    storeLe16(e + 4, img.planes);
    storeLe16(e + 6, img.bitCount);
    storeLe32(e + 8, static_cast<uint32_t>(img.data.size()));
    storeLe16(e + 12, nextId);
    Resource icon;
    icon.type = iconType;
    icon.name = ResourceId::number(nextId);
    icon.language = 0x0409;
    icon.data = img.data;
    list.push_back(std::move(icon));
    ++nextId;
  }
  list.push_back(std::move(g));
}

bool parseBmp(const std::vector<uint8_t>& file, BitmapInfo& info, std::vector<uint8_t>& dib,
              std::string& error) {
  if (file.size() < 26 || file[0] != 'B' || file[1] != 'M') {
    error = "not a BMP file (no BM header)";
    return false;
  }
  const uint32_t declared = loadLe32(&file[2]);
  const uint32_t bitsAt = loadLe32(&file[10]);
  const uint32_t headerSize = loadLe32(&file[14]);
  if (declared > file.size()) {
    error = "truncated: the header declares " + std::to_string(declared) + " bytes, the file has " +
            std::to_string(file.size());
    return false;
  }
  if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
      headerSize != 108 && headerSize != 124) {
    error = "unsupported bitmap header size " + std::to_string(headerSize);
    return false;
  }
  if (14ull + headerSize > file.size() || bitsAt > file.size() || bitsAt < 14 + headerSize) {
    error = "truncated or inconsistent: pixel data offset " + std::to_string(bitsAt);
    return false;
  }
  uint64_t width, height;
  uint16_t bits;
  if (headerSize == 12) {
    width = loadLe16(&file[18]);
    height = loadLe16(&file[20]);
    bits = loadLe16(&file[24]);
    if (width == 0 || height == 0) {
      error = "invalid bitmap size " + std::to_string(width) + "x" + std::to_string(height);
      return false;
    }
  } else {
    const int32_t w = static_cast<int32_t>(loadLe32(&file[18]));
    const int32_t h = static_cast<int32_t>(loadLe32(&file[22]));
    if (w <= 0 || h == 0 || h == INT32_MIN) {
      error = "invalid bitmap size " + std::to_string(w) + "x" + std::to_string(h);
      return false;
    }
    width = static_cast<uint64_t>(w);
    height = static_cast<uint64_t>(h < 0 ? -static_cast<int64_t>(h) : h);
    bits = loadLe16(&file[28]);
    const uint32_t compression = loadLe32(&file[30]);
    if (compression != 0 && compression != 3) {
      error = "compressed bitmaps are not supported";
      return false;
    }
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    error = "unsupported bit depth " + std::to_string(bits);
    return false;
  }
  if (width > 16384 || height > 16384) {
    error = "bitmap too large: " + std::to_string(width) + "x" + std::to_string(height);
    return false;
  }
  const uint64_t stride = ((width * bits + 31) / 32) * 4;
  if (bitsAt + stride * height > file.size()) {
    error = "truncated: " + std::to_string(width) + "x" + std::to_string(height) + " at " +
            std::to_string(bits) + " bits needs " + std::to_string(bitsAt + stride * height) +
            " bytes, the file has " + std::to_string(file.size());
    return false;
  }
  info.width = static_cast<int32_t>(width);
  info.height = static_cast<int32_t>(height);
  info.bitCount = bits;
  dib.assign(file.begin() + 14, file.end());
  return true;
}

bool imageSize(const std::vector<uint8_t>& f, int32_t& width, int32_t& height) {
  if (f.size() >= 24 && f[0] == 0x89 && f[1] == 'P' && f[2] == 'N' && f[3] == 'G') {
    // PNG sizes are big-endian and at most 2^31 - 1.
    const uint32_t w = loadBe32(&f[16]), h = loadBe32(&f[20]);
    if (w > INT32_MAX || h > INT32_MAX) return false;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return width > 0 && height > 0;
  }
  if (f.size() >= 10 && f[0] == 'G' && f[1] == 'I' && f[2] == 'F') {
    width = loadLe16(&f[6]);
    height = loadLe16(&f[8]);
    return width > 0 && height > 0;
  }
  if (f.size() >= 26 && f[0] == 'B' && f[1] == 'M') {
    width = static_cast<int32_t>(loadLe32(&f[18]));
    const int32_t h = static_cast<int32_t>(loadLe32(&f[22]));
    if (h == INT32_MIN) return false;  // no positive height for a top-down image
    height = h < 0 ? -h : h;
    return width > 0 && height > 0;
  }
  return false;
}

bool manifestLevel(const std::string& xml, std::string& level) {
  const size_t tag = xml.find("<requestedExecutionLevel");
  if (tag == std::string::npos) return false;
  const size_t tagEnd = xml.find('>', tag);
  const size_t at = xml.find("level=\"", tag);
  if (at == std::string::npos || at > tagEnd) return false;
  const size_t end = xml.find('"', at + 7);
  if (end == std::string::npos || end > tagEnd) return false;
  level = xml.substr(at + 7, end - at - 7);
  return true;
}

bool setManifestLevel(std::string& xml, const std::string& level) {
  std::string old;
  if (!manifestLevel(xml, old)) return false;
  const size_t at = xml.find("level=\"", xml.find("<requestedExecutionLevel")) + 7;
  xml.replace(at, old.size(), level);
  return true;
}

bool parseVersion(const std::string& text, uint16_t out[4]) {
  uint32_t parts[4] = {0, 0, 0, 0};
  int index = 0;
  size_t i = 0;
  if (text.empty()) return false;
  while (i <= text.size()) {
    if (index >= 4) return false;
    size_t start = i;
    uint32_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + static_cast<uint32_t>(text[i] - '0');
      if (value > 65535) return false;
      ++i;
    }
    if (i == start) return false;
    parts[index++] = value;
    if (i == text.size()) break;
    if (text[i] != '.') return false;
    ++i;
  }
  for (int k = 0; k < 4; ++k) out[k] = static_cast<uint16_t>(parts[k]);
  return true;
}

namespace {

void pad4(std::vector<uint8_t>& v) {
  while (v.size() % 4) v.push_back(0);
}

void putKey(std::vector<uint8_t>& v, const std::u16string& key) {
  for (char16_t c : key) {
    v.push_back(static_cast<uint8_t>(c));
    v.push_back(static_cast<uint8_t>(c >> 8));
  }
  v.push_back(0);
  v.push_back(0);
}

// One version block: length, value length, type, key, value, children; 32-bit aligned.
std::vector<uint8_t> block(const std::u16string& key, const std::vector<uint8_t>& value,
                           uint16_t valueLength, bool text,
                           const std::vector<std::vector<uint8_t>>& children) {
  std::vector<uint8_t> v(6, 0);
  putKey(v, key);
  pad4(v);
  v.insert(v.end(), value.begin(), value.end());
  for (const auto& c : children) {
    pad4(v);
    v.insert(v.end(), c.begin(), c.end());
  }
  storeLe16(&v[0], static_cast<uint16_t>(v.size()));
  storeLe16(&v[2], valueLength);
  storeLe16(&v[4], text ? 1 : 0);
  return v;
}

std::vector<uint8_t> stringBlock(const std::u16string& key, const std::u16string& value) {
  std::vector<uint8_t> bytes;
  putKey(bytes, value);
  return block(key, bytes, static_cast<uint16_t>(value.size() + 1), true, {});
}

}  // namespace

std::vector<uint8_t> buildVersionResource(const VersionInfo& info) {
  std::vector<uint8_t> fixed(52, 0);
  storeLe32(&fixed[0], 0xFEEF04BDu);
  storeLe32(&fixed[4], 0x00010000u);
  storeLe32(&fixed[8], (uint32_t(info.fileVersion[0]) << 16) | info.fileVersion[1]);
  storeLe32(&fixed[12], (uint32_t(info.fileVersion[2]) << 16) | info.fileVersion[3]);
  storeLe32(&fixed[16], (uint32_t(info.productVersion[0]) << 16) | info.productVersion[1]);
  storeLe32(&fixed[20], (uint32_t(info.productVersion[2]) << 16) | info.productVersion[3]);
  storeLe32(&fixed[24], 0x3F);       // file flags mask
  storeLe32(&fixed[32], 0x00040004); // VOS_NT_WINDOWS32
  storeLe32(&fixed[36], 1);          // VFT_APP

  std::vector<std::vector<uint8_t>> strings;
  auto add = [&](const char* key, const std::u16string& value) {
    if (!value.empty()) {
      std::string k(key);
      strings.push_back(stringBlock(std::u16string(k.begin(), k.end()), value));
    }
  };
  add("CompanyName", info.company);
  add("FileDescription", info.description);
  add("FileVersion", info.fileVersionText);
  add("InternalName", info.internalName);
  add("LegalCopyright", info.copyright);
  add("OriginalFilename", info.originalFilename);
  add("ProductName", info.productName);
  add("ProductVersion", info.productVersionText);

  std::vector<uint8_t> table = block(u"040904B0", {}, 0, true, strings);
  std::vector<uint8_t> stringInfo = block(u"StringFileInfo", {}, 0, true, {table});
  std::vector<uint8_t> translation(4);
  storeLe16(&translation[0], 0x0409);
  storeLe16(&translation[2], 1200);
  std::vector<uint8_t> var = block(u"Translation", translation, 4, false, {});
  std::vector<uint8_t> varInfo = block(u"VarFileInfo", {}, 0, true, {var});
  return block(u"VS_VERSION_INFO", fixed, 52, false, {stringInfo, varInfo});
}

std::vector<std::pair<std::string, std::string>> readVersionStrings(const std::vector<uint8_t>& d) {
  // Walks the blocks generically: every text block with a value is a string entry.
  std::vector<std::pair<std::string, std::string>> out;
  struct Walker {
    const std::vector<uint8_t>& d;
    std::vector<std::pair<std::string, std::string>>& out;
    void walk(size_t at, size_t end, int depth) {
      while (at + 6 <= end && depth < 8) {
        uint16_t len = loadLe16(&d[at]);
        uint16_t valueLen = loadLe16(&d[at + 2]);
        uint16_t type = loadLe16(&d[at + 4]);
        if (len < 6 || at + len > end) return;
        size_t p = at + 6;
        std::u16string wideKey;
        while (p + 1 < at + len && (d[p] || d[p + 1])) {
          wideKey.push_back(loadLe16(&d[p]));
          p += 2;
        }
        const std::string key = utf16ToUtf8(wideKey);
        p += 2;
        p = (p + 3) & ~size_t(3);
        if (type == 1 && valueLen > 0 && p < at + len) {
          std::u16string value;
          for (size_t q = p; q + 1 < at + len && (d[q] || d[q + 1]); q += 2) value.push_back(loadLe16(&d[q]));
          out.emplace_back(key, utf16ToUtf8(value));
        } else {
          size_t children = type == 1 ? p : ((p + valueLen + 3) & ~size_t(3));
          if (key == "VS_VERSION_INFO") children = (p + valueLen + 3) & ~size_t(3);
          walk(children, at + len, depth + 1);
        }
        at = (at + len + 3) & ~size_t(3);
      }
    }
  } walker{d, out};
  walker.walk(0, d.size(), 0);
  return out;
}

namespace {

// The supportedOS ids; Windows 11 shares the id of Windows 10.
struct OsId { const char* id; const char* name; };
constexpr OsId kOsIds[] = {
    {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "Windows 7"},
    {"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "Windows 8"},
    {"{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "Windows 8.1"},
    {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "Windows 10/11"},
};

}  // namespace

std::vector<std::string> supportedOsNames(const std::string& xml) {
  std::vector<std::string> names;
  for (const OsId& os : kOsIds)
    if (xml.find(std::string("<supportedOS Id=\"") + os.id + "\"") != std::string::npos)
      names.push_back(os.name);
  return names;
}

bool buildManifest(const std::string& level, const std::string& dpi, bool utf8CodePage,
                   std::string& xml, std::string& error) {
  static const char* levels[] = {"asInvoker", "highestAvailable", "requireAdministrator"};
  if (std::find(std::begin(levels), std::end(levels), level) == std::end(levels)) {
    error = "execution level must be asInvoker, highestAvailable or requireAdministrator, not \"" +
            level + "\"";
    return false;
  }
  std::string dpiAware, dpiAwareness;
  if (dpi.empty() || dpi == "unaware") {
  } else if (dpi == "system" || dpi == "true") {
    dpiAware = "true";
  } else if (dpi == "permonitor") {
    dpiAware = "true/pm";
    dpiAwareness = "PerMonitor";
  } else if (dpi == "permonitorv2") {
    dpiAware = "true/pm";
    dpiAwareness = "PerMonitorV2, PerMonitor";
  } else {
    error = "dpi awareness must be unaware, system, permonitor or permonitorv2, not \"" + dpi + "\"";
    return false;
  }
  xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
        "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
        "    <security>\n"
        "      <requestedPrivileges>\n"
        "        <requestedExecutionLevel level=\"" + level + "\" uiAccess=\"false\"/>\n"
        "      </requestedPrivileges>\n"
        "    </security>\n"
        "  </trustInfo>\n";
  if (!dpiAware.empty() || utf8CodePage) {
    xml += "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
           "    <windowsSettings>\n";
    if (!dpiAware.empty())
      xml += "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">" +
             dpiAware + "</dpiAware>\n";
    if (!dpiAwareness.empty())
      xml += "      <dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">" +
             dpiAwareness + "</dpiAwareness>\n";
    // Windows 10 1903 and later: the process's ANSI code page is UTF-8.
    if (utf8CodePage)
      xml += "      <activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">"
             "UTF-8</activeCodePage>\n";
    xml += "    </windowsSettings>\n  </application>\n";
  }
  xml += "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\n"
         "    <application>\n";
  for (const OsId& os : kOsIds) xml += std::string("      <supportedOS Id=\"") + os.id + "\"/>\n";
  xml += "    </application>\n"
         "  </compatibility>\n";
  xml += "  <dependency>\n"
         "    <dependentAssembly>\n"
         "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
         "version=\"6.0.0.0\"\n"
         "                        processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" "
         "language=\"*\"/>\n"
         "    </dependentAssembly>\n"
         "  </dependency>\n"
         "</assembly>\n";
  return true;
}

}  // namespace tessel::pe

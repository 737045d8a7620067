#include "resources.h"

#include <algorithm>
#include <map>
#include <set>

#include "byte_order.h"

namespace tessel::pe {
namespace {

constexpr int kMaxDepth = 3;
constexpr size_t kMaxResources = 100000;

struct Reader {
  const Image& image;
  uint32_t base;         // file offset of the resource directory
  uint32_t limit;        // end of the section's raw data
  uint32_t baseRva;
  std::vector<Resource>& out;
  std::string& error;
  std::set<uint32_t> visited;  // directory offsets seen: a loop in the tree is damage
  uint64_t copied = 0;          // bytes of resource data read so far

  bool inRange(uint64_t offset, uint64_t size) const {
    return offset + size <= limit && offset >= base;
  }

  bool readId(uint32_t raw, ResourceId& id) {
    if (raw & 0x80000000u) {
      uint64_t at = base + static_cast<uint64_t>(raw & 0x7FFFFFFFu);
      if (!inRange(at, 2)) return fail("resource name outside the section");
      uint16_t len = loadLe16(&image.bytes[at]);
      if (!inRange(at + 2, 2ull * len)) return fail("resource name outside the section");
      id.isName = true;
      id.name.clear();
      for (uint16_t i = 0; i < len; ++i)
        id.name.push_back(static_cast<char16_t>(loadLe16(&image.bytes[at + 2 + 2 * i])));
    } else {
      id.isName = false;
      id.id = static_cast<uint16_t>(raw);
    }
    return true;
  }

  bool fail(const char* why) {
    error = why;
    return false;
  }

  bool walk(uint32_t dirOffset, int depth, Resource& path) {
    uint64_t at = base + static_cast<uint64_t>(dirOffset);
    if (!inRange(at, 16)) return fail("resource directory outside the section");
    if (!visited.insert(dirOffset).second) return fail("resource directory loops");
    uint32_t count = static_cast<uint32_t>(loadLe16(&image.bytes[at + 12])) +
                     loadLe16(&image.bytes[at + 14]);
    if (!inRange(at + 16, 8ull * count)) return fail("resource entries outside the section");
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t e = at + 16 + 8ull * i;
      uint32_t nameRaw = loadLe32(&image.bytes[e]);
      uint32_t target = loadLe32(&image.bytes[e + 4]);
      if (depth == 0 && !readId(nameRaw, path.type)) return false;
      if (depth == 1 && !readId(nameRaw, path.name)) return false;
      if (depth == 2) path.language = static_cast<uint16_t>(nameRaw);
      if (target & 0x80000000u) {
        if (depth + 1 >= kMaxDepth) return fail("resource tree too deep");
        if (!walk(target & 0x7FFFFFFFu, depth + 1, path)) return false;
        continue;
      }
      if (depth != 2) return fail("resource data at an unexpected level");
      uint64_t d = base + static_cast<uint64_t>(target);
      if (!inRange(d, 16)) return fail("resource data entry outside the section");
      uint32_t dataRva = loadLe32(&image.bytes[d]);
      uint32_t size = loadLe32(&image.bytes[d + 4]);
      uint32_t offset = 0;
      if (!rvaToOffset(image, dataRva, offset) ||
          static_cast<uint64_t>(offset) + size > image.bytes.size())
        return fail("resource data outside the file");
      if (out.size() >= kMaxResources) return fail("too many resources");
      // Entries that share their data would multiply the file in memory.
      copied += size;
      if (copied > image.bytes.size()) return fail("resource data entries overlap");
      Resource r = path;
      r.codePage = loadLe32(&image.bytes[d + 8]);
      r.data.assign(image.bytes.begin() + offset, image.bytes.begin() + offset + size);
      out.push_back(std::move(r));
    }
    return true;
  }
};

// Named entries first, in order of their names; then numbered ones in ascending order.
bool idLess(const ResourceId& a, const ResourceId& b) {
  if (a.isName != b.isName) return a.isName;
  if (a.isName) return a.name < b.name;
  return a.id < b.id;
}

struct IdLess {
  bool operator()(const ResourceId& a, const ResourceId& b) const { return idLess(a, b); }
};

void put16(std::vector<uint8_t>& v, size_t at, uint16_t x) { storeLe16(&v[at], x); }
void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) { storeLe32(&v[at], x); }

}  // namespace

std::string ResourceId::text() const {
  if (!isName) return std::to_string(id);
  std::string s;
  for (char16_t c : name) s.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return s;
}

bool readResources(const Image& image, std::vector<Resource>& out, std::string& error) {
  out.clear();
  uint32_t rva = 0, size = 0;
  if (!dataDirectory(image, kResourceDirectory, rva, size) || rva == 0) return true;
  uint32_t offset = 0;
  if (!rvaToOffset(image, rva, offset)) {
    error = "resource directory outside every section";
    return false;
  }
  uint32_t limit = 0;
  for (const Section& s : image.sections)
    if (rva >= s.virtualAddress && rva < static_cast<uint64_t>(s.virtualAddress) + s.rawSize)
      limit = s.rawOffset + s.rawSize;
  Reader reader{image, offset, limit, rva, out, error, {}};
  Resource path;
  return reader.walk(0, 0, path);
}

std::vector<uint8_t> buildResourceSection(const std::vector<Resource>& resources,
                                          uint32_t sectionRva) {
  using LangMap = std::map<uint16_t, const Resource*>;
  using NameMap = std::map<ResourceId, LangMap, IdLess>;
  std::map<ResourceId, NameMap, IdLess> tree;
  for (const Resource& r : resources) tree[r.type][r.name][r.language] = &r;

  // Sizes of the three directory levels, then strings, data entries and data.
  size_t dirBytes = 16 + 8 * tree.size();
  size_t leafCount = 0;
  std::vector<const ResourceId*> names;
  for (auto& t : tree) {
    if (t.first.isName) names.push_back(&t.first);
    dirBytes += 16 + 8 * t.second.size();
    for (auto& n : t.second) {
      if (n.first.isName) names.push_back(&n.first);
      dirBytes += 16 + 8 * n.second.size();
      leafCount += n.second.size();
    }
  }
  size_t stringBytes = 0;
  for (const ResourceId* id : names) stringBytes += 2 + 2 * id->name.size();
  const size_t stringsAt = dirBytes;
  const size_t entriesAt = (stringsAt + stringBytes + 3) & ~size_t(3);
  size_t dataAt = (entriesAt + 16 * leafCount + 7) & ~size_t(7);
  size_t total = dataAt;
  for (const Resource& r : resources) total = ((total + r.data.size()) + 7) & ~size_t(7);
  std::vector<uint8_t> out(total, 0);

  size_t nextDir = 0, nextString = stringsAt, nextEntry = entriesAt, nextData = dataAt;
  auto writeName = [&](const ResourceId& id) -> uint32_t {
    if (!id.isName) return id.id;
    size_t at = nextString;
    put16(out, at, static_cast<uint16_t>(id.name.size()));
    for (size_t i = 0; i < id.name.size(); ++i) put16(out, at + 2 + 2 * i, id.name[i]);
    nextString += 2 + 2 * id.name.size();
    return 0x80000000u | static_cast<uint32_t>(at);
  };
  auto openDir = [&](size_t named, size_t numbered) {
    size_t at = nextDir;
    put16(out, at + 12, static_cast<uint16_t>(named));
    put16(out, at + 14, static_cast<uint16_t>(numbered));
    nextDir += 16 + 8 * (named + numbered);
    return at;
  };
  auto countNamed = [](const auto& map) {
    size_t n = 0;
    for (auto& kv : map) n += kv.first.isName ? 1 : 0;
    return n;
  };

  // Breadth first keeps each level's directories together, as resource compilers do.
  size_t root = openDir(countNamed(tree), tree.size() - countNamed(tree));
  std::vector<size_t> typeDirs;
  for (auto& t : tree) typeDirs.push_back(openDir(countNamed(t.second), t.second.size() - countNamed(t.second)));
  std::vector<size_t> nameDirs;
  for (auto& t : tree)
    for (auto& n : t.second) nameDirs.push_back(openDir(0, n.second.size()));

  size_t ti = 0, ni = 0;
  for (auto& t : tree) {
    size_t entry = root + 16 + 8 * ti;
    put32(out, entry, writeName(t.first));
    put32(out, entry + 4, 0x80000000u | static_cast<uint32_t>(typeDirs[ti]));
    size_t nj = 0;
    for (auto& n : t.second) {
      size_t nameEntry = typeDirs[ti] + 16 + 8 * nj;
      put32(out, nameEntry, writeName(n.first));
      put32(out, nameEntry + 4, 0x80000000u | static_cast<uint32_t>(nameDirs[ni]));
      size_t lj = 0;
      for (auto& l : n.second) {
        size_t langEntry = nameDirs[ni] + 16 + 8 * lj;
        put32(out, langEntry, l.first);
        put32(out, langEntry + 4, static_cast<uint32_t>(nextEntry));
        const Resource& r = *l.second;
        put32(out, nextEntry, sectionRva + static_cast<uint32_t>(nextData));
        put32(out, nextEntry + 4, static_cast<uint32_t>(r.data.size()));
        put32(out, nextEntry + 8, r.codePage);
        std::copy(r.data.begin(), r.data.end(), out.begin() + static_cast<long>(nextData));
        nextData = (nextData + r.data.size() + 7) & ~size_t(7);
        nextEntry += 16;
        ++lj;
      }
      ++nj;
      ++ni;
    }
    ++ti;
  }
  return out;
}

bool writeResources(Image& image, const std::vector<Resource>& resources, std::string& error) {
  const uint64_t rva = nextSectionRva(image);
  if (rva > 0x7FFFFFFFu) {
    error = "the executable's sections would exceed 2 GB of address space";
    return false;
  }
  std::vector<uint8_t> section = buildResourceSection(resources, static_cast<uint32_t>(rva));
  // Initialised, readable data.
  if (!appendSection(image, ".rsrc", section, 0x40000040u, error)) return false;
  setDataDirectory(image, kResourceDirectory, static_cast<uint32_t>(rva),
                   static_cast<uint32_t>(section.size()));
  return true;
}

void removeResources(std::vector<Resource>& list, uint16_t type) {
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const Resource& r) { return !r.type.isName && r.type.id == type; }),
             list.end());
}

void removeResource(std::vector<Resource>& list, const ResourceId& type, const ResourceId& name) {
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const Resource& r) { return r.type == type && r.name == name; }),
             list.end());
}

void putResource(std::vector<Resource>& list, Resource resource) {
  removeResource(list, resource.type, resource.name);
  list.push_back(std::move(resource));
}

const Resource* findResource(const std::vector<Resource>& list, const ResourceId& type,
                             const ResourceId& name) {
  for (const Resource& r : list)
    if (r.type == type && r.name == name) return &r;
  return nullptr;
}

}  // namespace tessel::pe

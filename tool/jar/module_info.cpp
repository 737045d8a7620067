#include "module_info.h"

#include <fstream>
#include <iterator>

#include "zip_reader.h"

namespace tessel::jar {
namespace {

constexpr size_t kMaxDescriptor = 1u << 20;

// Big-endian reads with one bound check each; a failed read leaves the cursor failed.
class Cursor {
 public:
  explicit Cursor(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  size_t at() const { return at_; }
  uint32_t u1() { return take(1) ? bytes_[at_ - 1] : 0; }
  uint32_t u2() { return take(2) ? (static_cast<uint32_t>(bytes_[at_ - 2]) << 8) | bytes_[at_ - 1] : 0; }
  uint32_t u4() {
    uint32_t high = u2();
    return (high << 16) | u2();
  }
  bool skip(size_t n) { return take(n); }

 private:
  bool take(size_t n) {
    if (!ok_ || bytes_.size() - at_ < n) {
      ok_ = false;
      return false;
    }
    at_ += n;
    return true;
  }
  const std::vector<uint8_t>& bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

struct PoolEntry {
  uint8_t tag = 0;
  uint32_t ref = 0;      // Class, Module, Package: index of their name
  size_t text = 0;       // Utf8: offset and length of the bytes
  size_t length = 0;
};

bool skipMembers(Cursor& c) {
  const uint32_t count = c.u2();
  for (uint32_t i = 0; i < count && c.ok(); ++i) {
    c.skip(6);
    const uint32_t attributes = c.u2();
    for (uint32_t a = 0; a < attributes && c.ok(); ++a) {
      c.skip(2);
      c.skip(c.u4());
    }
  }
  return c.ok();
}

}  // namespace

bool parseModuleInfo(const std::vector<uint8_t>& bytes, ModuleInfo& info, std::string& why) {
  info = ModuleInfo();
  Cursor c(bytes);
  if (c.u4() != 0xCAFEBABEu) {
    why = "not a class file";
    return false;
  }
  c.skip(4);
  const uint32_t poolCount = c.u2();
  std::vector<PoolEntry> pool(poolCount ? poolCount : 1);
  for (uint32_t i = 1; i < poolCount && c.ok(); ++i) {
    PoolEntry& e = pool[i];
    e.tag = static_cast<uint8_t>(c.u1());
    switch (e.tag) {
      case 1:
        e.length = c.u2();
        e.text = c.at();
        c.skip(e.length);
        break;
      case 7: case 19: case 20: e.ref = c.u2(); break;
      case 8: case 16: c.skip(2); break;
      case 15: c.skip(3); break;
      case 3: case 4: case 9: case 10: case 11: case 12: case 17: case 18: c.skip(4); break;
      case 5: case 6:
        c.skip(8);
        ++i;  // eight-byte constants take two slots
        break;
      default:
        why = "unknown constant pool tag " + std::to_string(e.tag);
        return false;
    }
  }
  auto utf8 = [&](uint32_t index, std::string& out) {
    if (index == 0 || index >= pool.size() || pool[index].tag != 1) return false;
    out.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pool[index].text),
               bytes.begin() + static_cast<std::ptrdiff_t>(pool[index].text + pool[index].length));
    return true;
  };
  auto named = [&](uint32_t index, uint8_t tag, std::string& out) {
    return index > 0 && index < pool.size() && pool[index].tag == tag && utf8(pool[index].ref, out);
  };
  c.skip(6);             // access flags, this class, super class
  c.skip(2u * c.u2());   // interfaces
  if (!c.ok() || !skipMembers(c) || !skipMembers(c)) {
    why = "a truncated class file";
    return false;
  }
  const uint32_t attributes = c.u2();
  for (uint32_t a = 0; a < attributes && c.ok(); ++a) {
    std::string name;
    const bool known = utf8(c.u2(), name);
    const uint32_t length = c.u4();
    const size_t start = c.at();
    if (!c.skip(length)) break;
    if (!known || length < 2) continue;
    const uint32_t index = (static_cast<uint32_t>(bytes[start]) << 8) | bytes[start + 1];
    if (name == "Module" && !named(index, 19, info.name)) {
      why = "a Module attribute without a module name";
      return false;
    }
    if (name == "ModuleMainClass") {
      if (!named(index, 7, info.mainClass)) {
        why = "a ModuleMainClass attribute without a class";
        return false;
      }
      for (char& ch : info.mainClass)
        if (ch == '/') ch = '.';
    }
  }
  if (!c.ok()) {
    why = "a truncated class file";
    return false;
  }
  if (info.name.empty()) {
    why = "no Module attribute: not a module descriptor";
    return false;
  }
  return true;
}

namespace {

bool fromJar(const std::filesystem::path& jar, const std::string& name, ModuleInfo& info) {
  ZipSource zip;
  std::string why;
  std::vector<uint8_t> bytes;
  if (!fileZip(jar, zip, why) ||
      readZipEntry(zip, "module-info.class", kMaxDescriptor, bytes, why) != ZipStatus::Found)
    return false;
  return parseModuleInfo(bytes, info, why) && info.name == name;
}

bool fromDirectory(const std::filesystem::path& dir, const std::string& name, ModuleInfo& info) {
  std::error_code failure;
  const std::filesystem::path descriptor = dir / "module-info.class";
  if (!std::filesystem::is_regular_file(descriptor, failure)) return false;
  if (std::filesystem::file_size(descriptor, failure) > kMaxDescriptor || failure) return false;
  std::ifstream in(descriptor, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string why;
  return parseModuleInfo(bytes, info, why) && info.name == name;
}

}  // namespace

bool findModule(const std::filesystem::path& entry, const std::string& name, ModuleInfo& info) {
  std::error_code failure;
  if (std::filesystem::is_regular_file(entry, failure)) return fromJar(entry, name, info);
  if (!std::filesystem::is_directory(entry, failure)) return false;
  if (fromDirectory(entry, name, info)) return true;
  for (std::filesystem::directory_iterator it(entry, failure), end; !failure && it != end;
       it.increment(failure)) {
    const std::filesystem::path& path = it->path();
    if (it->is_regular_file(failure) && path.extension() == ".jar") {
      if (fromJar(path, name, info)) return true;
    } else if (it->is_directory(failure) && fromDirectory(path, name, info)) {
      return true;
    }
  }
  return false;
}

}  // namespace tessel::jar

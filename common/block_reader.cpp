#include "block_reader.h"

#include <cstring>

#include "block_layout.h"
#include "byte_order.h"

namespace tessel {

const char* blockStatusText(BlockStatus status) noexcept {
  switch (status) {
    case BlockStatus::Ok: return "";
    case BlockStatus::Magic: return "Internal Error: magic";
    case BlockStatus::ReadInt: return "Internal Error: readInt";
    case BlockStatus::ReadLong: return "Internal Error: readLong";
    case BlockStatus::ReadShort: return "Internal Error: readShort";
    case BlockStatus::ReadString: return "Internal Error: readString";
    case BlockStatus::ReadWString: return "Internal Error: readWString";
  }
  return "";
}

namespace {
bool readExact(ByteSource& in, void* dst, uint32_t n) noexcept {
  uint32_t got = 0;
  return in.read(dst, n, got) && got == n;
}
}  // namespace

bool readLe64(ByteSource& in, int64_t& value) noexcept {
  uint8_t b[8];
  if (!readExact(in, b, 8)) return false;
  value = static_cast<int64_t>(loadLe64(b));
  return true;
}

bool readLe32(ByteSource& in, int32_t& value) noexcept {
  uint8_t b[4];
  if (!readExact(in, b, 4)) return false;
  value = static_cast<int32_t>(loadLe32(b));
  return true;
}

bool readLe16(ByteSource& in, int16_t& value) noexcept {
  uint8_t b[2];
  if (!readExact(in, b, 2)) return false;
  value = static_cast<int16_t>(loadLe16(b));
  return true;
}

StringRead readBlockString(ByteSource& in, std::string& value) {
  int32_t length = 0;
  if (!readLe32(in, length)) return StringRead::LengthFailed;
  if (length < 0 || static_cast<uint64_t>(length) > in.remaining()) return StringRead::PayloadFailed;
  value.assign(static_cast<size_t>(length), '\0');
  if (length > 0 && !readExact(in, &value[0], static_cast<uint32_t>(length)))
    return StringRead::PayloadFailed;
  return StringRead::Ok;
}

StringRead readBlockWString(ByteSource& in, std::u16string& value) {
  int32_t length = 0;
  if (!readLe32(in, length)) return StringRead::LengthFailed;
  if (length < 0 || (length & 1) != 0 || static_cast<uint64_t>(length) > in.remaining())
    return StringRead::PayloadFailed;
  std::string bytes(static_cast<size_t>(length), '\0');
  if (length > 0 && !readExact(in, &bytes[0], static_cast<uint32_t>(length)))
    return StringRead::PayloadFailed;
  value.resize(bytes.size() / 2);
  for (size_t i = 0; i < value.size(); ++i)
    value[i] = static_cast<char16_t>(loadLe16(reinterpret_cast<const uint8_t*>(&bytes[2 * i])));
  return StringRead::Ok;
}

namespace {
BlockStatus stringStatus(StringRead r) {
  return r == StringRead::LengthFailed ? BlockStatus::ReadInt : BlockStatus::ReadString;
}
BlockStatus wideStatus(StringRead r) {
  return r == StringRead::LengthFailed ? BlockStatus::ReadInt : BlockStatus::ReadWString;
}

BlockStatus readWideRecords(ByteSource& in, int32_t count,
                            std::vector<std::pair<int32_t, std::u16string>>& out) {
  for (int32_t i = 0; i < count; ++i) {
    int32_t key = 0;
    if (!readLe32(in, key)) return BlockStatus::ReadInt;
    std::u16string text;
    StringRead r = readBlockWString(in, text);
    if (r != StringRead::Ok) return wideStatus(r);
    out.emplace_back(key, std::move(text));
  }
  return BlockStatus::Ok;
}
}  // namespace

BlockStatus readBlock(ByteSource& in, BlockContents& out, const BlockReadHooks& hooks) {
  int32_t magic = 0;
  if (!readLe32(in, magic)) return BlockStatus::ReadInt;
  if (static_cast<uint32_t>(magic) != kBlockMagic) return BlockStatus::Magic;
  int32_t reserved = 0;
  int64_t length = 0;
  if (!readLe32(in, reserved) || !readLe32(in, reserved)) return BlockStatus::ReadInt;
  if (!readLe64(in, length)) return BlockStatus::ReadLong;

  int32_t count = 0;
  if (!readLe32(in, count)) return BlockStatus::ReadInt;
  for (int32_t i = 0; i < count; ++i) {
    int32_t key = 0;
    if (!readLe32(in, key)) return BlockStatus::ReadInt;
    std::string value;
    StringRead r = readBlockString(in, value);
    if (r != StringRead::Ok) return stringStatus(r);
    out.strings.emplace_back(key, std::move(value));
  }

  if (!readLe32(in, count)) return BlockStatus::ReadInt;
  BlockStatus s = readWideRecords(in, count, out.messages);
  if (s != BlockStatus::Ok) return s;

  if (hooks.beforeSections) hooks.beforeSections(hooks.context);

  int32_t sections = 0;
  if (!readLe32(in, sections)) return BlockStatus::ReadInt;
  for (int32_t i = 0; i < sections; ++i) {
    LocaleSection section;
    StringRead r = readBlockString(in, section.tag);
    if (r != StringRead::Ok) return stringStatus(r);
    if (!readLe32(in, count)) return BlockStatus::ReadInt;
    s = readWideRecords(in, count, section.records);
    if (s != BlockStatus::Ok) return s;
    out.sections.push_back(std::move(section));
  }
  return BlockStatus::Ok;
}

bool localeTagMatches(const std::string& tag, const char* locale) noexcept {
  return std::strncmp(tag.c_str(), locale, tag.size()) == 0 && std::strlen(locale) >= tag.size();
}

bool MemorySource::read(void* dst, uint32_t n, uint32_t& delivered) noexcept {
  size_t left = size_ - pos_;
  size_t take = n < left ? n : left;
  if (take) std::memcpy(dst, data_ + pos_, take);
  pos_ += take;
  delivered = static_cast<uint32_t>(take);
  return true;
}

}  // namespace tessel

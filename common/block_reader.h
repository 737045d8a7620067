// Reader of the configuration block, shared by the launcher (over its own executable file)
// and the build tool's inspect command (over a memory image). Every length and count is
// checked against the bytes that remain, so damaged input ends in a status, never in a
// huge allocation or a read past the data.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tessel {

// A sequential byte stream. read() delivers up to n bytes and reports how many it delivered.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual bool read(void* dst, uint32_t n, uint32_t& delivered) noexcept = 0;
  // Bytes left before the end of the data (an upper bound is fine).
  virtual uint64_t remaining() const noexcept = 0;
};

// Which primitive failed; the launcher maps each to its fixed text.
enum class BlockStatus { Ok, Magic, ReadInt, ReadLong, ReadShort, ReadString, ReadWString };

const char* blockStatusText(BlockStatus status) noexcept;  // "Internal Error: readInt", ...

// Primitive readers; false when the source delivers fewer bytes than needed.
bool readLe64(ByteSource& in, int64_t& value) noexcept;
bool readLe32(ByteSource& in, int32_t& value) noexcept;
bool readLe16(ByteSource& in, int16_t& value) noexcept;
// Length-prefixed strings. A negative length, a length beyond the remaining data or (for wide
// strings) an odd length is refused before anything is allocated.
enum class StringRead { Ok, LengthFailed, PayloadFailed };
StringRead readBlockString(ByteSource& in, std::string& value);
StringRead readBlockWString(ByteSource& in, std::u16string& value);

struct LocaleSection {
  std::string tag;
  std::vector<std::pair<int32_t, std::u16string>> records;
};

struct BlockContents {
  std::vector<std::pair<int32_t, std::string>> strings;      // file order
  std::vector<std::pair<int32_t, std::u16string>> messages;  // file order
  std::vector<LocaleSection> sections;
};

// Receives the block as it is read; lets the launcher detect its locale after the message
// records and before the locale sections, as the order of its log requires.
struct BlockReadHooks {
  void (*beforeSections)(void* context) = nullptr;
  void* context = nullptr;
};

// Reads fields 1 to 9 from the current position of the source.
BlockStatus readBlock(ByteSource& in, BlockContents& out, const BlockReadHooks& hooks = {});

// True when a locale section tag applies to the locale: the tag is a prefix of the locale.
bool localeTagMatches(const std::string& tag, const char* locale) noexcept;

// A ByteSource over memory.
class MemorySource : public ByteSource {
 public:
  MemorySource(const uint8_t* data, size_t size) noexcept : data_(data), size_(size) {}
  bool read(void* dst, uint32_t n, uint32_t& delivered) noexcept override;
  uint64_t remaining() const noexcept override { return size_ - pos_; }
  size_t position() const noexcept { return pos_; }
  void seek(size_t pos) noexcept { pos_ = pos < size_ ? pos : size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace tessel

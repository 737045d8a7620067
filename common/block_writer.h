// Writer of the configuration block and the embedded file records (used by the build tool).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "block_reader.h"

namespace tessel {

// Serialises fields 1 to 9. The length field counts from its own start to the end of field 9
// plus `embeddedBytes` (the size of the file records that will follow).
std::vector<uint8_t> serializeBlock(const BlockContents& block, uint64_t embeddedBytes = 0);

// One embedded file record: 64-bit size, then the masked content.
void appendEmbeddedRecord(std::vector<uint8_t>& out, const std::vector<uint8_t>& content);
// The size of that record.
inline uint64_t embeddedRecordSize(uint64_t contentSize) { return 8 + contentSize; }

// The trailer: the magic in big-endian order, then zero bytes up to the next multiple of the
// trailer alignment of the whole file (given the file size before the trailer).
std::vector<uint8_t> trailerBytes(uint64_t sizeBefore);

// The string record of `key`, or nullptr.
const std::string* findBlockString(const BlockContents& block, int32_t key);
// Sets the string record of `key` where ascending key order puts it; an existing record is
// replaced only when `replace` is set. True when the block changed.
bool putBlockString(BlockContents& block, int32_t key, const std::string& value, bool replace = true);

// UTF-8 text as the narrow bytes the launcher reads: it widens each byte to the code unit of
// the same value, so narrow values are Latin-1. Characters beyond U+00FF become '?' when
// `replace` is set (and `replaced` tells), and fail otherwise; malformed UTF-8 fails.
bool utf8ToLatin1(const std::string& utf8, std::string& out, bool replace = false,
                  bool* replaced = nullptr);
// The other way: a stored value's Latin-1 bytes as UTF-8, for a path the build machine opens.
std::string latin1ToUtf8(const std::string& latin1);

// A UTF-8 text as UTF-16; false when the UTF-8 is malformed.
bool utf8ToUtf16(const std::string& in, std::u16string& out);
std::string utf16ToUtf8(const std::u16string& in);

}  // namespace tessel

// Feeds arbitrary bytes to the PE walk and the block reader: no crash, no read past the data,
// no allocation beyond the input's size. A block that reads completely writes back into
// bytes that read the same.
#include <cstddef>
#include <cstdint>

#include "block_layout.h"
#include "block_reader.h"
#include "block_writer.h"
#include "fuzz_check.h"

namespace {

void roundTrip(const tessel::BlockContents& block) {
  const std::vector<uint8_t> bytes = tessel::serializeBlock(block);
  tessel::MemorySource source(bytes.data(), bytes.size());
  tessel::BlockContents back;
  FUZZ_CHECK(tessel::readBlock(source, back) == tessel::BlockStatus::Ok);
  FUZZ_CHECK(back.strings == block.strings && back.messages == block.messages);
  FUZZ_CHECK(back.sections.size() == block.sections.size());
  for (size_t i = 0; i < back.sections.size(); ++i)
    FUZZ_CHECK(back.sections[i].tag == block.sections[i].tag &&
               back.sections[i].records == block.sections[i].records);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessel::PeBlockPosition position;
  tessel::MemorySource source(data, size);
  if (tessel::locateBlock(data, size, position) && position.blockStart < size)
    source.seek(static_cast<size_t>(position.blockStart));
  tessel::BlockContents block;
  if (tessel::readBlock(source, block) == tessel::BlockStatus::Ok) roundTrip(block);
  // Also read from the very start, where most mutations land.
  tessel::MemorySource whole(data, size);
  tessel::BlockContents again;
  if (tessel::readBlock(whole, again) == tessel::BlockStatus::Ok) roundTrip(again);
  return 0;
}

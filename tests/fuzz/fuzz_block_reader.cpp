// Feeds arbitrary bytes to the PE walk and the block reader: no crash, no read past the data,
// no allocation beyond the input's size.
#include <cstddef>
#include <cstdint>

#include "block_layout.h"
#include "block_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessel::PeBlockPosition position;
  tessel::MemorySource source(data, size);
  if (tessel::locateBlock(data, size, position) && position.blockStart < size)
    source.seek(static_cast<size_t>(position.blockStart));
  tessel::BlockContents block;
  tessel::readBlock(source, block);
  // Also read from the very start, where most mutations land.
  tessel::MemorySource whole(data, size);
  tessel::BlockContents again;
  tessel::readBlock(whole, again);
  return 0;
}

// The .bmp reader on arbitrary bytes: what it accepts has a sane size and enough pixel data.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "pe/identity.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel::pe;
  BitmapInfo info;
  std::vector<uint8_t> dib;
  std::string error;
  if (!parseBmp(std::vector<uint8_t>(data, data + size), info, dib, error)) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  FUZZ_CHECK(info.width > 0 && info.width <= 16384);
  FUZZ_CHECK(info.height > 0 && info.height <= 16384);
  FUZZ_CHECK(dib.size() + 14 == size);
  const uint64_t stride = ((static_cast<uint64_t>(info.width) * info.bitCount + 31) / 32) * 4;
  FUZZ_CHECK(stride * static_cast<uint64_t>(info.height) <= size);
  return 0;
}

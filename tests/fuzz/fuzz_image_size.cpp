// The size probe for the runtime splash image (PNG, GIF or BMP) on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "pe/identity.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int32_t width = 0, height = 0;
  if (tessel::pe::imageSize(std::vector<uint8_t>(data, data + size), width, height))
    FUZZ_CHECK(width > 0 && height > 0);
  return 0;
}

// The location-file reader: the first line whole or nothing, never past the buffer. The
// memory line source the parsers are tested with must read as fgets reads a file, so both
// are read side by side. Input: capacity byte, then the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "line_source.h"
#include "location_file.h"

namespace {

void compareWithFgets(const char* data, size_t size, size_t capacity) {
  if (size == 0) return;  // fmemopen refuses an empty buffer
  FILE* file = fmemopen(const_cast<char*>(data), size, "r");
  FUZZ_CHECK(file != nullptr);
  tessel::MemoryLineSource source(data, size);
  std::unique_ptr<char[]> a(new char[capacity]);
  std::unique_ptr<char[]> b(new char[capacity]);
  for (;;) {
    FUZZ_CHECK(source.more() == (std::ftell(file) < static_cast<long>(size)));
    bool fromFile = std::fgets(a.get(), static_cast<int>(capacity), file) != nullptr;
    bool fromMemory = source.readLine(b.get(), capacity);
    FUZZ_CHECK(fromFile == fromMemory);
    if (!fromFile) break;
    FUZZ_CHECK(std::strcmp(a.get(), b.get()) == 0);
  }
  std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // Small buffers reach the cut-line cases; the launcher's own size too.
  const size_t capacity = data[0] == 255 ? 6000 : 2 + data[0] % 64;
  const char* text = reinterpret_cast<const char*>(data + 1);
  const size_t length = size - 1;
  // The memory source reads only the given bytes: a copy without a terminator shows a read past.
  std::unique_ptr<char[]> copy(new char[length ? length : 1]);
  if (length) std::memcpy(copy.get(), text, length);

  std::unique_ptr<char[]> line(new char[capacity]);
  tessel::MemoryLineSource source(copy.get(), length);
  const tessel::LocationLine read = tessel::readLocationLine(source, line.get(), capacity);
  const std::string first(copy.get(), std::find(copy.get(), copy.get() + length, '\n'));
  const std::string firstText(first.c_str());  // up to a NUL, as the C text ends there
  switch (read) {
    case tessel::LocationLine::Empty:
      FUZZ_CHECK(length == 0 && line[0] == 0);
      break;
    case tessel::LocationLine::TooLong:
      FUZZ_CHECK(line[0] == 0 && first.size() >= capacity - 1);
      break;
    case tessel::LocationLine::Read: {
      const size_t n = std::strlen(line.get());
      FUZZ_CHECK(n < capacity);
      FUZZ_CHECK(n == 0 || (line[n - 1] != '\n' && line[n - 1] != '\r'));
      std::string expected = firstText;
      while (!expected.empty() && (expected.back() == '\r' || expected.back() == '\n'))
        expected.pop_back();
      FUZZ_CHECK(line.get() == expected);
      break;
    }
  }
  compareWithFgets(copy.get(), length, capacity);
  return 0;
}

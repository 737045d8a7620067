// Copying bytes between the current positions of two files, in 6000-byte chunks.
#pragma once
#include <windows.h>

#include <cstdint>

namespace tessel {

// Copies `count` bytes as they are. 0 ok, 1 read failure, 2 write failure.
int copyFileBytes(HANDLE source, HANDLE target, int64_t count);
// The same for embedded content, which is stored masked: the copy is unmasked.
int copyUnmaskedBytes(HANDLE source, HANDLE target, int64_t count);

}  // namespace tessel

#include "files/file_copy.h"

#include "diagnostics/log.h"
#include "embed_mask.h"

namespace tessel {

namespace {

enum class Content { AsStored, Masked };

int copyBytes(HANDLE source, HANDLE target, int64_t count, Content content) {
  constexpr DWORD kChunk = 6000;
  static_assert(kChunk == 6000, "the chunk size is part of the format's behaviour");
  uint8_t buffer[kChunk];
  int64_t copied = 0;
  while (copied < count) {
    DWORD want = static_cast<DWORD>(count - copied < kChunk ? count - copied : kChunk);
    DWORD got = 0;
    BOOL ok = ReadFile(source, buffer, want, &got, nullptr);
    DWORD error = ok ? 0 : GetLastError();
    if (!ok || got == 0) {
      logError("ReadFile failed %d %d %I64d", static_cast<int>(got), static_cast<int>(error),
               copied);
      return 1;
    }
    if (content == Content::Masked) applyEmbeddedMask(buffer, got);
    DWORD done = 0;
    while (done < got) {
      DWORD wrote = 0;
      if (!WriteFile(target, buffer + done, got - done, &wrote, nullptr) || wrote == 0) {
        DWORD werr = GetLastError();
        logError("WriteFile failed %d %d", static_cast<int>(got - done), static_cast<int>(werr));
        return 2;
      }
      done += wrote;
    }
    copied += got;
  }
  return 0;
}

}  // namespace

int copyFileBytes(HANDLE source, HANDLE target, int64_t count) {
  return copyBytes(source, target, count, Content::AsStored);
}

int copyUnmaskedBytes(HANDLE source, HANDLE target, int64_t count) {
  return copyBytes(source, target, count, Content::Masked);
}

}  // namespace tessel

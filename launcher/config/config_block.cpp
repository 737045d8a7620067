#include "config/config_block.h"

#include <cstring>
#include <string>

#include "block_layout.h"
#include "block_reader.h"
#include "config/config_access.h"
#include "config/locale.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/paths.h"

namespace tessel {

uint32_t blockEndPosition = 0;
uint32_t unextractedPosition = 0;

namespace {

// The block reader's view of an open file; remembers the last read's outcome for the log.
class FileSource : public ByteSource {
 public:
  explicit FileSource(HANDLE file) : file_(file) {
    LARGE_INTEGER size{}, zero{}, pos{};
    GetFileSizeEx(file, &size);
    SetFilePointerEx(file, zero, &pos, FILE_CURRENT);
    size_ = static_cast<uint64_t>(size.QuadPart);
    pos_ = static_cast<uint64_t>(pos.QuadPart);
  }
  bool read(void* dst, uint32_t n, uint32_t& delivered) noexcept override {
    DWORD got = 0;
    BOOL ok = ReadFile(file_, dst, n, &got, nullptr);
    lastError = ok ? 0 : GetLastError();
    lastDelivered = got;
    delivered = got;
    pos_ += got;
    return ok != 0;
  }
  uint64_t remaining() const noexcept override { return pos_ < size_ ? size_ - pos_ : 0; }
  HANDLE file() const noexcept { return file_; }
  DWORD lastError = 0;
  DWORD lastDelivered = 0;

 private:
  HANDLE file_;
  uint64_t size_ = 0;
  uint64_t pos_ = 0;
};

// Ends the process with the read failure's fixed text; a file that stops short without the
// trailer every build writes was cut off (a failed copy or download), and the text says so.
[[noreturn]] void failWithText(const wchar_t* fixedText, HANDLE file) {
  if (launcherFileIsComplete(file)) fatalErrorW(fixedText);
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  static wchar_t text[kPathCapacity];
  formatText(text, kPathCapacity,
             L"%s\n\n%s is incomplete: it ends after %I64d bytes, before the end of the "
             L"application's data. Copy or download it again.",
             fixedText, launcherPathW(), static_cast<long long>(size.QuadPart));
  logError("the executable ends after %I64d bytes without its trailer",
           static_cast<long long>(size.QuadPart));
  fatalErrorW(text);
}

// The fixed texts of failed reads are ASCII.
std::wstring asciiText(const char* text) { return std::wstring(text, text + std::strlen(text)); }

[[noreturn]] void failRead(BlockStatus status, const FileSource& source) {
  switch (status) {
    case BlockStatus::ReadInt:
      logLine("error %d %d\n", static_cast<int>(source.lastError),
              static_cast<int>(source.lastDelivered));
      break;
    case BlockStatus::ReadLong:
    case BlockStatus::ReadShort:
      logLine("error %d\n", static_cast<int>(source.lastError));
      break;
    default:
      break;
  }
  failWithText(asciiText(blockStatusText(status)).c_str(), source.file());
}

bool seekTo(HANDLE file, uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != 0;
}

}  // namespace

bool launcherFileIsComplete(HANDLE file) {
  LARGE_INTEGER size{}, position{}, zero{};
  if (!GetFileSizeEx(file, &size) || !SetFilePointerEx(file, zero, &position, FILE_CURRENT))
    return true;  // nothing to judge by: not called incomplete
  // The trailer: the magic, then up to seven zero bytes to a multiple of the alignment.
  uint8_t tail[4 + kTrailerAlignment];
  const int64_t want = size.QuadPart < static_cast<int64_t>(sizeof tail) ? size.QuadPart
                                                                          : sizeof tail;
  LARGE_INTEGER from;
  from.QuadPart = size.QuadPart - want;
  DWORD got = 0;
  bool complete = false;
  if (SetFilePointerEx(file, from, nullptr, FILE_BEGIN) &&
      ReadFile(file, tail, static_cast<DWORD>(want), &got, nullptr) && got == want) {
    int end = static_cast<int>(got);
    const int zeros = static_cast<int>(kTrailerAlignment) - 1;  // at most
    while (end > 0 && tail[end - 1] == 0 && static_cast<int>(got) - end < zeros) --end;
    complete = end >= 4 && std::memcmp(tail + end - 4, kTrailerMagic, 4) == 0;
  }
  SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
  return complete;
}

[[noreturn]] void failIncompleteRead(const wchar_t* fixedText, HANDLE file) {
  failWithText(fixedText, file);
}

int64_t readLong(HANDLE file) {
  FileSource source(file);
  int64_t v = 0;
  if (!readLe64(source, v)) failRead(BlockStatus::ReadLong, source);
  return v;
}

int32_t readInt(HANDLE file) {
  FileSource source(file);
  int32_t v = 0;
  if (!readLe32(source, v)) failRead(BlockStatus::ReadInt, source);
  return v;
}

int16_t readShort(HANDLE file) {
  FileSource source(file);
  int16_t v = 0;
  if (!readLe16(source, v)) failRead(BlockStatus::ReadShort, source);
  return v;
}

unique_hfile openLauncherFile() {
  const wchar_t* path = launcherPathW();
  unique_hfile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    DWORD error = GetLastError();  // before the log's own file calls replace it
    logError("Could not open %S (last error %d)", path, static_cast<int>(error));
    fatalError("Error opening media file. Please move this file to an ascii-only path like c:\\");
  }
  return file;
}

void seekToConfigBlock(HANDLE file) {
  seekTo(file, kPeOffsetField);
  uint32_t h = static_cast<uint32_t>(readInt(file));
  seekTo(file, static_cast<uint64_t>(h) + kPeSectionCount);
  int16_t n = readShort(file);
  logLine("number of sections: %d", n);
  seekTo(file, static_cast<uint64_t>(h) + kPeOptionalSize);
  int16_t s = readShort(file);
  logLine("size of optional headers: %d", s);
  // 64-bit arithmetic: damaged fields must not wrap to a plausible offset.
  int64_t t = lastSectionHeaderOffset(h, n, s);
  logLine("resSectionTableStart: %I64d", t);
  if (t < 0) {
    logLine("error %d %d\n", 0, 0);
    fatalError(blockStatusText(BlockStatus::ReadInt));
  }
  seekTo(file, static_cast<uint64_t>(t) + kSectionRawSize);
  uint32_t r = static_cast<uint32_t>(readInt(file));
  uint32_t p = static_cast<uint32_t>(readInt(file));
  logLine("rawDataSize: %d, rawDataOffset: %d", static_cast<int>(r), static_cast<int>(p));
  // A start beyond the end of the file reads nothing there, which fails like a short read.
  seekTo(file, blockStartOffset(r, p));
}

namespace {

struct Loading {
  BlockContents* block;
  const ArgumentList* arguments;
  char* locale;
};

// The records are complete: store them before the locale is detected, as a reader of the log
// expects.
void storeRecords(void* context) {
  Loading& loading = *static_cast<Loading*>(context);
  for (auto& r : loading.block->strings) LauncherConfig[r.first] = std::move(r.second);
  for (auto& m : loading.block->messages)
    LauncherMessages[m.first] = std::wstring(m.second.begin(), m.second.end());
  loading.block->strings.clear();
  loading.block->messages.clear();
  detectLocale(loading.arguments, loading.locale);
  setLocaleParts(loading.locale);
}

}  // namespace

int loadConfigurationFrom(HANDLE file, const ArgumentList& arguments) {
  setMessageTextSource(configMessageW);
  seekToConfigBlock(file);
  FileSource source(file);
  BlockContents block;
  char launcherLocale[16] = "en";
  Loading loading{&block, &arguments, launcherLocale};
  BlockReadHooks hooks;
  hooks.beforeSections = storeRecords;
  hooks.context = &loading;
  BlockStatus status = readBlock(source, block, hooks);
  if (status != BlockStatus::Ok) failRead(status, source);
  for (const LocaleSection& section : block.sections) {
    if (!localeTagMatches(section.tag, launcherLocale)) continue;
    for (const auto& r : section.records)
      LauncherMessages[r.first] = std::wstring(r.second.begin(), r.second.end());
  }
  LARGE_INTEGER zero{}, pos{};
  SetFilePointerEx(file, zero, &pos, FILE_CURRENT);
  blockEndPosition = static_cast<uint32_t>(pos.QuadPart);
  int type = configInt(key::ExecutableType);
  if (type != 1 && type != 5) clearErrorDialogs();
  return type;
}

int loadConfiguration(const ArgumentList& arguments) {
  unique_hfile file = openLauncherFile();
  return loadConfigurationFrom(file.get(), arguments);
}

}  // namespace tessel

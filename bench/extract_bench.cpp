// Extraction of one large embedded file against a plain copy of a file of the same size.
// Prints the median of several runs of each and their ratio.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "block_writer.h"
#include "config/config_block.h"
#include "files/extract.h"
#include "util/handles.h"

using namespace tessel;

namespace {

double seconds() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

bool writeWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
  unique_hfile f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD wrote = 0;
  return f && WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) &&
         wrote == bytes.size();
}

// The same 6000-byte chunks as extraction, without the mask: separates chunking from unmasking.
bool chunkedCopy(const std::string& from, const std::string& to) {
  unique_hfile in(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr));
  unique_hfile out(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!in || !out) return false;
  static uint8_t buffer[6000];
  DWORD got = 0, wrote = 0;
  while (ReadFile(in.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
    if (!WriteFile(out.get(), buffer, got, &wrote, nullptr) || wrote != got) return false;
  return true;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  const size_t size = megabytes * 1024 * 1024;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string dir = std::string(temp) + "tessel_extract_bench_" +
                          std::to_string(GetCurrentProcessId());
  CreateDirectoryA(dir.c_str(), nullptr);

  std::vector<uint8_t> content(size);
  for (size_t i = 0; i < size; ++i) content[i] = static_cast<uint8_t>(i * 2654435761u >> 24);
  std::vector<uint8_t> record(300, 0);  // stands in for the image and the block
  appendEmbeddedRecord(record, content);
  const std::string records = dir + "\\records.bin", plain = dir + "\\plain.bin";
  const std::string extracted = dir + "\\extracted.bin", copied = dir + "\\copied.bin";
  if (!writeWhole(records, record) || !writeWhole(plain, content)) {
    std::fprintf(stderr, "cannot write the input files in %s\n", dir.c_str());
    return 1;
  }
  record.clear();
  record.shrink_to_fit();

  std::vector<double> extractTimes, copyTimes, chunkTimes;
  for (int run = 0; run < runs; ++run) {
    DeleteFileA(extracted.c_str());
    DeleteFileA(copied.c_str());
    unique_hfile source(CreateFileA(records.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER at;
    at.QuadPart = 300;
    SetFilePointerEx(source.get(), at, nullptr, FILE_BEGIN);
    double t0 = seconds();
    int result = extractEmbeddedFile(source.get(), extracted.c_str());
    double t1 = seconds();
    BOOL ok = CopyFileA(plain.c_str(), copied.c_str(), FALSE);
    double t2 = seconds();
    DeleteFileA(copied.c_str());
    ok = ok && chunkedCopy(plain, copied);
    double t3 = seconds();
    if (result != 0 || !ok) {
      std::fprintf(stderr, "run %d failed (extract %d, copy %d)\n", run, result, ok);
      return 1;
    }
    extractTimes.push_back(t1 - t0);
    copyTimes.push_back(t2 - t1);
    chunkTimes.push_back(t3 - t2);
  }
  const double e = median(extractTimes), c = median(copyTimes), k = median(chunkTimes);
  const double mb = static_cast<double>(size) / (1024.0 * 1024.0);
  std::printf("embedded file size     %.0f MB (%d runs, median)\n", mb, runs);
  std::printf("extraction             %.3f s  %.0f MB/s  (6000-byte chunks, unmasked)\n", e,
              mb / e);
  std::printf("plain copy (CopyFile)  %.3f s  %.0f MB/s\n", c, mb / c);
  std::printf("6000-byte chunk copy   %.3f s  %.0f MB/s  (no mask)\n", k, mb / k);
  std::printf("extraction / copy      %.2f (throughput ratio %.2f)\n", e / c, c / e);
  std::printf("extraction / chunks    %.2f\n", e / k);

  DeleteFileA(extracted.c_str());
  DeleteFileA(copied.c_str());
  DeleteFileA(records.c_str());
  DeleteFileA(plain.c_str());
  RemoveDirectoryA(dir.c_str());
  return 0;
}

// Helpers for the build tool's tests: a scratch directory and a minimal PE template.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <unistd.h>

#include "byte_order.h"

namespace tessel::test {

// A fresh directory removed with its files (one level) when the object goes.
class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/tessel-test-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~ScratchDir() {
    for (const std::string& f : files()) unlink((path_ + "/" + f).c_str());
    rmdir(path_.c_str());
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::string write(const std::string& name, const std::string& text) const {
    std::ofstream(file(name), std::ios::binary) << text;
    return file(name);
  }
  std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream(file(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file(name);
  }
  std::vector<std::string> files() const {
    std::vector<std::string> out;
    if (DIR* d = opendir(path_.c_str())) {
      while (dirent* e = readdir(d))
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") out.push_back(e->d_name);
      closedir(d);
    }
    return out;
  }

 private:
  std::string path_;
};

// A PE image with `sections` section headers whose last section's raw data ends the file.
inline std::vector<uint8_t> makeTemplate(uint16_t sections = 2, uint32_t lastRawSize = 512) {
  const uint32_t peOffset = 0x80;
  const uint16_t optionalSize = 240;
  const uint32_t table = peOffset + 24 + optionalSize;
  const uint32_t lastRawOffset = 0x400;
  std::vector<uint8_t> image(lastRawOffset + lastRawSize, 0);
  image[0] = 'M';
  image[1] = 'Z';
  storeLe32(&image[60], peOffset);
  image[peOffset] = 'P';
  image[peOffset + 1] = 'E';
  storeLe16(&image[peOffset + 6], sections);
  storeLe16(&image[peOffset + 20], optionalSize);
  const uint32_t last = table + 40u * (sections - 1u);
  storeLe32(&image[last + 16], lastRawSize);
  storeLe32(&image[last + 20], lastRawOffset);
  return image;
}

// A 24-bit bottom-up BMP of w x h pixels, all grey, with a zero-filled header.
inline std::vector<uint8_t> bmpFile(int32_t w, int32_t h) {
  const uint32_t stride = ((w * 24 + 31) / 32) * 4;
  std::vector<uint8_t> f(54 + stride * h, 0x7F);
  std::fill(f.begin(), f.begin() + 54, 0);
  f[0] = 'B';
  f[1] = 'M';
  storeLe32(&f[2], static_cast<uint32_t>(f.size()));
  storeLe32(&f[10], 54);
  storeLe32(&f[14], 40);
  storeLe32(&f[18], static_cast<uint32_t>(w));
  storeLe32(&f[22], static_cast<uint32_t>(h));
  storeLe16(&f[26], 1);
  storeLe16(&f[28], 24);
  return f;
}

inline std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace tessel::test

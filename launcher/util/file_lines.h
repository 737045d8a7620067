// A C runtime file read line by line for the portable line-based parsers.
#pragma once
#include <cstdio>
#include <memory>

#include "line_source.h"

namespace tessel {

struct FileCloser {
  void operator()(FILE* file) const noexcept { std::fclose(file); }
};
using unique_file = std::unique_ptr<FILE, FileCloser>;

// Reads with fgets; owns the file and closes it.
class FileLineSource : public LineSource {
 public:
  explicit FileLineSource(unique_file file) : file_(std::move(file)) {}
  bool readLine(char* line, size_t capacity) override {
    return capacity > 1 && std::fgets(line, static_cast<int>(capacity), file_.get()) != nullptr;
  }
  bool more() override {
    int c = std::fgetc(file_.get());
    if (c == EOF) return false;
    std::ungetc(c, file_.get());
    return true;
  }
  FILE* file() const { return file_.get(); }

 private:
  unique_file file_;
};

}  // namespace tessel

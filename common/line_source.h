// Text read line by line the way fgets reads it, from a file (the launcher) or from memory
// (tests and fuzzing), so that the parsers of line-based files need no file of their own.
#pragma once
#include <cstddef>
#include <string>

namespace tessel {

class LineSource {
 public:
  virtual ~LineSource() = default;
  // As fgets: at most capacity - 1 bytes, up to and including the first '\n', terminated.
  // False (and nothing read) at the end of the input. A NUL in the input ends the line's text.
  virtual bool readLine(char* line, size_t capacity) = 0;
  // True while bytes are left to read.
  virtual bool more() = 0;
};

// Lines of a text held in memory (not copied: it must outlive the source).
class MemoryLineSource : public LineSource {
 public:
  MemoryLineSource(const char* data, size_t size) : data_(data), size_(size) {}
  explicit MemoryLineSource(const std::string& text) : MemoryLineSource(text.data(), text.size()) {}
  bool readLine(char* line, size_t capacity) override;
  bool more() override { return at_ < size_; }

 private:
  const char* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace tessel

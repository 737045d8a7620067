// A small JSON emitter for `tessel inspect --json`: indented output, commas handled, strings
// escaped (quotes, backslashes, control characters; invalid UTF-8 becomes U+FFFD).
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tessel {

// The JSON string literal for UTF-8 text, quotes included.
std::string jsonString(const std::string& utf8);

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}
  void beginObject() { open('{'); }
  void endObject() { close('}'); }
  void beginArray() { open('['); }
  void endArray() { close(']'); }
  void key(const std::string& name);  // inside an object, before each value
  void value(const std::string& utf8);
  void value(const char* utf8) { value(std::string(utf8)); }
  void value(int64_t number);
  void value(bool flag);
  void null();
  // Ends the document with a line feed.
  void finish() { out_ << "\n"; }

 private:
  void open(char bracket);
  void close(char bracket);
  void beforeValue();
  void newline();

  std::ostream& out_;
  std::vector<bool> empty_;  // per open container: nothing written yet
  bool afterKey_ = false;
};

}  // namespace tessel

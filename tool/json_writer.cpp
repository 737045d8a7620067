#include "json_writer.h"

#include <cstdio>

namespace tessel {
namespace {

// Length of the valid UTF-8 sequence at `p` (1-4), or 0 when it is not valid.
size_t utf8SequenceLength(const unsigned char* p, size_t left) {
  unsigned char c = p[0];
  size_t n;
  uint32_t cp;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) { n = 2; cp = c & 0x1F; }
  else if ((c & 0xF0) == 0xE0) { n = 3; cp = c & 0x0F; }
  else if ((c & 0xF8) == 0xF0) { n = 4; cp = c & 0x07; }
  else return 0;
  if (n > left) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string jsonString(const std::string& utf8) {
  std::string out = "\"";
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char c = p[i];
    switch (c) {
      case '"': out += "\\\""; ++i; continue;
      case '\\': out += "\\\\"; ++i; continue;
      case '\n': out += "\\n"; ++i; continue;
      case '\r': out += "\\r"; ++i; continue;
      case '\t': out += "\\t"; ++i; continue;
      case '\b': out += "\\b"; ++i; continue;
      case '\f': out += "\\f"; ++i; continue;
      default: break;
    }
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof(buf), "\\u%04x", c);
      out += buf;
      ++i;
      continue;
    }
    size_t n = utf8SequenceLength(p + i, utf8.size() - i);
    if (n == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    out.append(utf8, i, n);
    i += n;
  }
  return out + "\"";
}

void JsonWriter::newline() {
  out_ << "\n";
  for (size_t i = 0; i < empty_.size(); ++i) out_ << "  ";
}

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (empty_.empty()) return;
  if (!empty_.back()) out_ << ",";
  empty_.back() = false;
  newline();
}

void JsonWriter::key(const std::string& name) {
  beforeValue();
  out_ << jsonString(name) << ": ";
  afterKey_ = true;
}

void JsonWriter::open(char bracket) {
  beforeValue();
  out_ << bracket;
  empty_.push_back(true);
}

void JsonWriter::close(char bracket) {
  bool wasEmpty = empty_.back();
  empty_.pop_back();
  if (!wasEmpty) newline();
  out_ << bracket;
}

void JsonWriter::value(const std::string& utf8) {
  beforeValue();
  out_ << jsonString(utf8);
}

void JsonWriter::value(int64_t number) {
  beforeValue();
  out_ << number;
}

void JsonWriter::value(bool flag) {
  beforeValue();
  out_ << (flag ? "true" : "false");
}

void JsonWriter::null() {
  beforeValue();
  out_ << "null";
}

}  // namespace tessel

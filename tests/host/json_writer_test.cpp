#include <gtest/gtest.h>

#include <sstream>

#include "json_writer.h"

namespace tessel {
namespace {

TEST(JsonWriter, EscapesWhatJsonRequires) {
  EXPECT_EQ(jsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(jsonString("l1\nl2\t\r\b\f"), "\"l1\\nl2\\t\\r\\b\\f\"");
  EXPECT_EQ(jsonString(std::string("\x01\x1f\x7f", 3)), "\"\\u0001\\u001f\\u007f\"");
  EXPECT_EQ(jsonString(std::string("nul\0x", 5)), "\"nul\\u0000x\"");
  EXPECT_EQ(jsonString("caf\xC3\xA9 \xE2\x9C\x93 \xF0\x9F\x98\x80"), "\"caf\xC3\xA9 \xE2\x9C\x93 \xF0\x9F\x98\x80\"");
  // Invalid UTF-8 (a stray byte, a surrogate, an overlong form) becomes U+FFFD.
  EXPECT_EQ(jsonString("\xE9x"), "\"\\ufffdx\"");
  EXPECT_EQ(jsonString("\xED\xA0\x80"), "\"\\ufffd\\ufffd\\ufffd\"");
  EXPECT_EQ(jsonString("\xC0\x80"), "\"\\ufffd\\ufffd\"");
}

TEST(JsonWriter, NestsWithCommas) {
  std::ostringstream out;
  JsonWriter json(out);
  json.beginObject();
  json.key("a");
  json.beginArray();
  json.value(static_cast<int64_t>(1));
  json.value(true);
  json.null();
  json.endArray();
  json.key("e");
  json.beginArray();
  json.endArray();
  json.endObject();
  EXPECT_EQ(out.str(), "{\n  \"a\": [\n    1,\n    true,\n    null\n  ],\n  \"e\": []\n}");
}

}  // namespace
}  // namespace tessel

#include <gtest/gtest.h>

#include <jni.h>

#include <string>

#include "splash/splash_control.h"

namespace tessel {
namespace {

// A Java string is a std::u16string here; the environment serves the three calls the copy uses.
int released;
jsize JNICALL length(JNIEnv*, jstring s) {
  return static_cast<jsize>(reinterpret_cast<std::u16string*>(s)->size());
}
const jchar* JNICALL chars(JNIEnv*, jstring s, jboolean*) {
  return reinterpret_cast<const jchar*>(reinterpret_cast<std::u16string*>(s)->c_str());
}
void JNICALL release(JNIEnv*, jstring, const jchar*) { ++released; }

struct StringEnv {
  JNINativeInterface_ table{};
  JNIEnv env{};
  StringEnv() {
    table.GetStringLength = length;
    table.GetStringChars = chars;
    table.ReleaseStringChars = release;
    env.functions = &table;
    released = 0;
  }
};

TEST(JavaString, CopyStopsAtAnEmbeddedZeroAndReleasesTheCharacters) {
  StringEnv java;
  std::u16string text = u"Loading \u00e9\u4e2d";
  auto copy = javaStringToWide(&java.env, reinterpret_cast<jstring>(&text));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::wstring(copy.get()), L"Loading \u00e9\u4e2d");
  copy.reset();

  std::u16string zero(u"ab\0cd", 5);
  copy = javaStringToWide(&java.env, reinterpret_cast<jstring>(&zero));
  EXPECT_EQ(std::wstring(copy.get(), 6), std::wstring(L"ab\0\0\0\0", 6));
  copy.reset();
  EXPECT_EQ(released, 2);

  EXPECT_EQ(javaStringToWide(&java.env, nullptr), nullptr);
  EXPECT_EQ(released, 2);
}

}  // namespace
}  // namespace tessel

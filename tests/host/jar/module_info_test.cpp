// Module descriptors made byte by byte: the name and main class found through the constant
// pool, every truncation refused, and the module found in a jar, an exploded module and a
// directory of those.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "module_info.h"
#include "../tool_test_support.h"
#include "zip_maker.h"

namespace tessel::jar {
namespace {

void u2(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
void u4(std::vector<uint8_t>& out, uint32_t v) {
  u2(out, v >> 16);
  u2(out, v & 0xFFFF);
}
void utf8(std::vector<uint8_t>& out, const std::string& text) {
  out.push_back(1);
  u2(out, static_cast<uint32_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

// module-info.class of `name`, with `mainClass` (internal form) unless empty.
std::vector<uint8_t> descriptor(const std::string& name, const std::string& mainClass) {
  std::vector<uint8_t> c;
  u4(c, 0xCAFEBABE);
  u2(c, 0);
  u2(c, 53);
  u2(c, 12);                                  // constants 1-11; the long takes two
  utf8(c, "module-info");                     // 1
  c.push_back(7), u2(c, 1);                   // 2 Class
  utf8(c, "Module");                          // 3
  utf8(c, name);                              // 4
  c.push_back(19), u2(c, 4);                  // 5 Module
  utf8(c, "ModuleMainClass");                 // 6
  utf8(c, mainClass.empty() ? "x" : mainClass);  // 7
  c.push_back(7), u2(c, 7);                   // 8 Class
  c.push_back(5), u4(c, 0), u4(c, 1);         // 9-10 Long
  utf8(c, "SourceFile");                      // 11
  u2(c, 0x8000);
  u2(c, 2);
  u2(c, 0);
  u2(c, 0);  // interfaces
  u2(c, 0);  // fields
  u2(c, 0);  // methods
  u2(c, mainClass.empty() ? 2 : 3);
  u2(c, 11), u4(c, 2), u2(c, 1);              // an attribute of no interest
  u2(c, 3), u4(c, 16), u2(c, 5);              // Module: name, then empty tables
  for (int i = 0; i < 7; ++i) u2(c, 0);
  if (!mainClass.empty()) u2(c, 6), u4(c, 2), u2(c, 8);
  return c;
}

TEST(ModuleInfo, NameAndDottedMainClass) {
  ModuleInfo info;
  std::string why;
  ASSERT_TRUE(parseModuleInfo(descriptor("com.example.app", "com/example/app/Main"), info, why)) << why;
  EXPECT_EQ(info.name, "com.example.app");
  EXPECT_EQ(info.mainClass, "com.example.app.Main");
  ASSERT_TRUE(parseModuleInfo(descriptor("m", ""), info, why)) << why;
  EXPECT_EQ(info.mainClass, "");
}

TEST(ModuleInfo, EveryTruncationAndWrongIndexIsRefused) {
  const std::vector<uint8_t> good = descriptor("com.example.app", "com/example/app/Main");
  for (size_t size = 0; size < good.size(); ++size) {
    ModuleInfo info;
    std::string why;
    EXPECT_FALSE(parseModuleInfo(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size)),
                                 info, why))
        << size;
  }
  std::vector<uint8_t> bad = good;
  bad[bad.size() - 1] = 4;  // ModuleMainClass pointing at a Utf8, not a Class
  ModuleInfo info;
  std::string why;
  EXPECT_FALSE(parseModuleInfo(bad, info, why));
  bad = good;
  bad[bad.size() - 1] = 200;  // beyond the pool
  EXPECT_FALSE(parseModuleInfo(bad, info, why));
  bad = good;
  bad[10] = 99;  // unknown tag of constant 1
  EXPECT_FALSE(parseModuleInfo(bad, info, why));
}

TEST(ModuleInfo, FoundInAJarAnExplodedModuleOrADirectoryOfThem) {
  tessel::test::ScratchDir dir;
  const std::vector<uint8_t> a = descriptor("mod.a", "a/Main");
  const std::vector<uint8_t> b = descriptor("mod.b", "b/Main");
  const std::string jarBytes(a.begin(), a.end());
  dir.write("a.jar", test::makeZip({{"a/Main.class", "x"}, {"module-info.class", jarBytes, true}}));
  mkdir(dir.file("b").c_str(), 0755);
  dir.write("b/module-info.class", b);
  ModuleInfo info;
  EXPECT_TRUE(findModule(dir.file("a.jar"), "mod.a", info));
  EXPECT_EQ(info.mainClass, "a.Main");
  EXPECT_FALSE(findModule(dir.file("a.jar"), "mod.b", info));
  EXPECT_TRUE(findModule(dir.file("b"), "mod.b", info));
  EXPECT_TRUE(findModule(dir.path(), "mod.b", info));
  EXPECT_EQ(info.mainClass, "b.Main");
  EXPECT_TRUE(findModule(dir.path(), "mod.a", info));
  EXPECT_FALSE(findModule(dir.path(), "mod.c", info));
  EXPECT_FALSE(findModule(dir.file("none"), "mod.a", info));
  unlink(dir.file("b/module-info.class").c_str());
  rmdir(dir.file("b").c_str());
}

}  // namespace
}  // namespace tessel::jar

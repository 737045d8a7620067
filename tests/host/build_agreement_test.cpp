// Many generated projects: each one the tool accepts must reach the launcher setting by
// setting (read back the way the launcher reads its block, and through inspect), whole within
// the launcher's buffer for the key; each one it refuses names the setting and writes nothing.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>

#include "block_layout.h"
#include "block_reader.h"
#include "build_command.h"
#include "config_keys.h"
#include "inspect_command.h"
#include "project_file.h"
#include "project_settings.h"
#include "tool_test_support.h"
#include "value_rules.h"

namespace tessel {
namespace {

struct Setting {
  std::string section, name;
  int32_t key = 0;
  std::string toml;      // the value as the project file writes it
  std::string stored;    // the block value the launcher must read; unused when refused
  bool acceptable = true;
};

class Generator {
 public:
  explicit Generator(uint32_t seed) : random_(seed) {}

  size_t below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }
  bool chance(int percent) { return below(100) < static_cast<size_t>(percent); }

  // Text of `length` characters; 'é' is two bytes of UTF-8 and one stored byte.
  void text(size_t length, std::string& toml, std::string& stored) {
    static const char* const kPieces[] = {"a", "Z", "0", " ", "-", ".", "\\\\", "\xC3\xA9", "%"};
    for (size_t i = 0; i < length; ++i) {
      const std::string piece = kPieces[below(sizeof kPieces / sizeof kPieces[0])];
      toml += piece;
      stored += piece == "\\\\" ? "\\" : piece == "\xC3\xA9" ? "\xE9" : piece;
    }
  }

  // Entries of a class path, module path or search sequence, some of them malformed.
  void entries(const char* types, bool classPath, Setting& s) {
    const size_t count = 1 + below(3);
    for (size_t i = 0; i < count; ++i) {
      std::string toml, stored;
      if (chance(15)) {
        toml = classPath ? "lib\\\\x.jar" : "Q.\\\\jre";  // no type letter
        stored = classPath ? "lib\\x.jar" : "Q.\\jre";
        s.acceptable = false;
      } else {
        const char type = types[below(std::char_traits<char>::length(types))];
        toml = stored = std::string(1, type);
        if (classPath) toml = stored += chance(50) ? "1" : "0";
        if (classPath || (type != 'Y' && type != 'S')) text(1 + below(12), toml, stored);
      }
      s.toml += toml + ";";
      s.stored += stored + ";";
    }
  }

  Setting value(const ProjectSetting& setting) {
    Setting s{setting.section, setting.name, setting.key, "", "", true};
    const KeyInfo* info = findKey(setting.key);
    const ValueRule rule = valueRule(setting.key);
    switch (info->type) {
      case KeyType::Flag:
        s.stored = chance(50) ? "1" : "0";
        s.toml = chance(50) ? (s.stored == "1" ? "true" : "false") : s.stored;
        return s;
      case KeyType::Int:
        s.stored = s.toml = std::to_string(static_cast<int>(below(5000)) - 5);
        return s;
      case KeyType::Colour: {
        const std::string r = std::to_string(below(256)), g = std::to_string(below(256)),
                          b = std::to_string(below(256));
        s.stored = r + "," + g + "," + b;
        s.toml = chance(50) ? "\"" + s.stored + "\"" : "[" + r + ", " + g + ", " + b + "]";
        return s;
      }
      default: break;
    }
    if (setting.key == key::RuntimeLibrary) {  // the tool's own choice between two words
      s.stored = "external";
      s.toml = "\"external\"";
      return s;
    }
    if (setting.key == key::RestartExitCodes) {  // a TOML list, stored comma-separated
      const size_t count = below(4);
      s.toml = "[";
      for (size_t i = 0; i < count; ++i) {
        const std::string code = std::to_string(static_cast<int>(below(300)) - 20);
        s.toml += (i ? ", " : "") + code;
        s.stored += (i ? "," : "") + code;
      }
      s.toml += "]";
      if (chance(10)) {
        s.toml = "[3, \"x\"]";
        s.acceptable = false;
      }
      return s;
    }
    switch (rule.syntax) {
      case ValueSyntax::TypedEntries: entries(kClassPathEntryTypes, true, s); break;
      case ValueSyntax::SearchSequence: entries(kSearchEntryTypes, false, s); break;
      case ValueSyntax::Flavour: {
        static const char* const kFlavourValues[] = {"t", "c", "custom", "T"};
        s.toml = s.stored = kFlavourValues[below(4)];
        s.acceptable = s.stored == "t" || s.stored == "c";
        break;
      }
      case ValueSyntax::SharingMode: {
        static const char* const kModeValues[] = {"auto", "off", "", "Auto", "on"};
        s.toml = s.stored = kModeValues[below(5)];
        s.acceptable = s.stored == "auto" || s.stored == "off";
        break;
      }
      case ValueSyntax::ArgumentRules: {
        static const char* const kRuleValues[] = {"windows", "launcher", "Windows", ""};
        s.toml = s.stored = kRuleValues[below(4)];
        s.acceptable = s.stored == "windows" || s.stored == "launcher";
        break;
      }
      default: {
        // Mostly short, sometimes at the buffer's edge on either side.
        size_t length = below(24);
        if (rule.capacity && chance(20)) length = rule.capacity - 1 + below(2);
        text(length, s.toml, s.stored);
        s.acceptable = rule.capacity == 0 || s.stored.size() < rule.capacity;
      }
    }
    s.toml = "\"" + s.toml + "\"";
    return s;
  }

 private:
  std::mt19937 random_;
};

// What configString hands the launcher from a buffer of the key's size.
std::string launcherRead(int32_t key, const std::string& stored) {
  const ValueRule rule = valueRule(key);
  const std::string value(stored.c_str());  // a stored value ends at its first NUL
  return rule.capacity == 0 ? value : value.substr(0, rule.capacity - 1);
}

std::map<int32_t, std::string> asMap(const BlockContents& block) {
  std::map<int32_t, std::string> m;
  for (const auto& record : block.strings) m[record.first] = record.second;  // the later wins
  return m;
}

TEST(BuildAgreement, GeneratedProjectsReachTheLauncherSettingBySetting) {
  test::ScratchDir dir;
  const std::string templatePath = dir.write("launcher.exe", test::makeTemplate());
  size_t count = 0;
  const ProjectSetting* table = projectSettings(count);
  std::vector<const ProjectSetting*> candidates;
  for (size_t i = 0; i < count; ++i) {
    const int32_t key = table[i].key;
    // The entry point is chosen below; a native splash needs a template with a picture.
    if (key == key::MainClass || key == key::MainModule || key == key::MainJar ||
        key == key::SplashScreen || key == key::ModulePath)
      continue;
    // Two words only; its own tests cover it (build_defaults_test).
    if (key == key::ArgumentRules) continue;
    candidates.push_back(&table[i]);
  }
  Generator generate(20261208);
  size_t accepted = 0, refused = 0;
  for (int round = 0; round < 400; ++round) {
    std::map<std::string, std::vector<Setting>> sections;
    std::map<int32_t, Setting> chosen;
    const bool entryPoint = generate.chance(90);
    if (entryPoint) sections["java"].push_back({"java", "main_class", key::MainClass, "\"a.B\"", "a.B", true});
    const size_t settings = generate.below(8);
    for (size_t i = 0; i < settings; ++i) {
      const ProjectSetting* s = candidates[generate.below(candidates.size())];
      if (chosen.count(s->key)) continue;
      Setting value = generate.value(*s);
      chosen[s->key] = value;
      sections[s->section].push_back(value);
    }
    std::string text;
    for (const auto& [section, list] : sections) {
      text += "[" + section + "]\n";
      for (const Setting& s : list) text += s.name + " = " + s.toml + "\n";
    }
    bool acceptable = entryPoint;
    for (const auto& [key, s] : chosen) acceptable = acceptable && s.acceptable;

    BuildOptions options;
    options.projectPath = dir.write("app.toml", text);
    options.outputPath = dir.file("app.exe");
    options.templatePath = templatePath;
    std::ostringstream out, err;
    const int rc = runBuild(options, out, err);
    const std::vector<uint8_t> image = test::readFile(options.outputPath);
    std::remove(options.outputPath.c_str());
    SCOPED_TRACE(text.substr(0, 600));
    if (!acceptable) {
      ++refused;
      EXPECT_EQ(rc, 1) << err.str();
      EXPECT_TRUE(image.empty());
      // The message names a setting that is wrong, with the file and its line.
      bool named = false;
      for (const auto& [key, s] : chosen)
        if (!s.acceptable && err.str().find(s.section + "." + s.name) != std::string::npos) named = true;
      if (!entryPoint && err.str().find("java.main_class") != std::string::npos) named = true;
      EXPECT_TRUE(named) << err.str();
      EXPECT_NE(err.str().find(dir.file("app.toml") + ":"), std::string::npos) << err.str();
      continue;
    }
    ++accepted;
    ASSERT_EQ(rc, 0) << err.str();
    // The launcher's way: walk the PE headers to the block and read fields 1-9.
    PeBlockPosition position;
    ASSERT_TRUE(locateBlock(image.data(), image.size(), position));
    MemorySource source(image.data(), image.size());
    source.seek(static_cast<size_t>(position.blockStart));
    BlockContents launcherBlock;
    ASSERT_EQ(readBlock(source, launcherBlock), BlockStatus::Ok);
    InspectReport report;
    ASSERT_TRUE(inspectImage(image, report)) << report.error;
    const auto launcher = asMap(launcherBlock);
    const auto inspected = asMap(report.block);
    EXPECT_EQ(launcher, inspected);
    for (const auto& [key, s] : chosen) {
      ASSERT_TRUE(launcher.count(key)) << s.section << "." << s.name;
      EXPECT_EQ(launcher.at(key), s.stored) << s.section << "." << s.name;
      // Read whole into the launcher's buffer, and in a syntax it acts on.
      EXPECT_EQ(launcherRead(key, launcher.at(key)), s.stored) << s.section << "." << s.name;
      std::string why;
      EXPECT_TRUE(checkValueSyntax(valueRule(key), launcher.at(key), why)) << why;
    }
    EXPECT_EQ(launcher.at(key::MainClass), "a.B");
  }
  // The generator reaches both sides often enough to mean something.
  EXPECT_GT(accepted, 100u);
  EXPECT_GT(refused, 40u);
}

}  // namespace
}  // namespace tessel

#include "project_file.h"

#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "block_writer.h"
#include "config_keys.h"
#include "embedded_names.h"
#include "entry_point_settings.h"
#include "file_associations.h"
#include "file_io.h"
#include "installation.h"
#include "pe/identity_settings.h"
#include "nearest_name.h"
#include "project_settings.h"
#include "value_rules.h"
#include "restart_policy.h"

namespace tessel {

std::string formatProjectError(const ProjectError& error) {
  std::string out = error.file;
  if (error.line) out += ":" + std::to_string(error.line);
  out += ": ";
  // A message that starts with the name in backticks names its setting itself.
  if (!error.setting.empty() && error.message.compare(0, 1, "`") != 0) out += error.setting + ": ";
  return out + error.message;
}

namespace {

constexpr size_t kMaxLocaleTag = limit::kLocaleTagLength;

std::vector<std::string> keyNames() {
  std::vector<std::string> names;
  size_t count = 0;
  const KeyInfo* keys = allKeys(count);
  for (size_t i = 0; i < count; ++i) names.push_back(keys[i].name);
  return names;
}

const char* tomlTypeName(const toml::node& v) {
  switch (v.type()) {
    case toml::node_type::string: return "a string";
    case toml::node_type::integer: return "an integer";
    case toml::node_type::floating_point: return "a floating-point number";
    case toml::node_type::boolean: return "a boolean";
    case toml::node_type::table: return "a table";
    case toml::node_type::array: return "an array";
    default: return "a date or time";
  }
}

// A decimal key number such as "101" or "-5"; false for anything else.
bool parseKeyNumber(const std::string& text, int32_t& key) {
  if (text.empty() || text.size() > 11) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  long long v = std::stoll(text);
  if (v < INT32_MIN || v > INT32_MAX) return false;
  key = static_cast<int32_t>(v);
  return true;
}

// The launcher's syntax and buffer for the key's stored value.
bool checkLauncherValue(int32_t key, const std::string& value, std::string& why) {
  const ValueRule rule = valueRule(key);
  if (!checkValueSyntax(rule, value, why)) return false;
  if (fitsValue(rule, value.size())) return true;
  why = "the value has " + std::to_string(value.size()) + " characters; the launcher reads at most " +
        std::to_string(rule.capacity - 1);
  return false;
}

// The launcher splits configured command lines at blanks with either quote character quoting,
// so an apostrophe inside a word ("O'Brien") opens a quote that swallows what follows.
const char* apostropheHint(const std::string& value) {
  bool quoted = false;
  char quote = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (quoted) {
      if (c == quote) quoted = false;
      continue;
    }
    if (c == '"') {
      quoted = true;
      quote = c;
    } else if (c == '\'' && (i > 0 && value[i - 1] != ' ')) {
      return "an apostrophe inside a word starts a quoted part when the launcher splits the "
             "value (O'Brien arrives as OBrien and takes the following words with it); put "
             "such a word in double quotes, like \"O'Brien\"";
    } else if (c == '\'') {
      if (value.find('\'', i + 1) == std::string::npos)
        return "an apostrophe without its closing one quotes the rest of the value when the "
               "launcher splits it; put the word in double quotes instead";
      quoted = true;
      quote = c;
    }
  }
  return nullptr;
}

// Message texts are shown from wide buffers of the launcher's value size.
bool checkMessageText(const std::u16string& text, std::string& why) {
  if (text.find(u'\0') != std::u16string::npos) {
    why = "the text contains a NUL character";
    return false;
  }
  if (text.size() < limit::kValueCapacity) return true;
  why = "the text has " + std::to_string(text.size()) + " UTF-16 units; the launcher shows at most " +
        std::to_string(limit::kValueCapacity - 1);
  return false;
}

bool parseColourComponent(const std::string& token, int& value) {
  size_t b = token.find_first_not_of(" \t");
  size_t e = token.find_last_not_of(" \t");
  if (b == std::string::npos) return false;
  std::string t = token.substr(b, e - b + 1);
  if (t.size() > 3 || t.find_first_not_of("0123456789") != std::string::npos) return false;
  value = std::stoi(t);
  return value <= 255;
}

class ProjectReader {
 public:
  ProjectReader(const std::string& path, Project& project, std::vector<ProjectError>& errors)
      : path_(path), project_(project), errors_(errors), before_(errors.size()) {}

  bool read(const std::string& text);

 private:
  void error(uint32_t line, const std::string& setting, const std::string& message) {
    errors_.push_back({path_, line, setting, message});
  }
  static uint32_t lineOf(const toml::node& v) { return v.source().begin.line; }
  static uint32_t lineOf(const toml::key& k) { return k.source().begin.line; }

  void readSettings(const toml::table& table, const std::string& section);
  void readRawKeys(const toml::table& table);
  void readMessages(const toml::table& table);
  void readLocales(const toml::table& table);
  void readEmbedded(const toml::node& node);
  void readAssociations(const toml::node& node);
  void readIdentity(const toml::table& root);

  bool claim(int32_t key, uint32_t line, const std::string& setting);
  void checkEntryPointPresent(const toml::table& root);
  void setValue(int32_t key, const toml::node& v, uint32_t line, const std::string& setting);
  void setMessage(int32_t key, const toml::node& v, uint32_t line, const std::string& setting);
  bool convertValue(const toml::node& v, const KeyInfo* info, std::string& out, std::string& why);
  void embedRuntimeLibrary();
  void finish();

  std::string path_;
  Project& project_;
  std::vector<ProjectError>& errors_;
  size_t before_;
  std::map<int32_t, std::pair<uint32_t, std::string>> claimed_;  // key -> line, setting
  std::map<int32_t, std::string> strings_;
  std::vector<FileAssociation> associations_;
  std::map<int32_t, std::u16string> messages_;
  std::vector<std::pair<uint32_t, LocaleSection>> sections_;  // by line of the section header
};

bool ProjectReader::read(const std::string& text) {
  toml::parse_result parsed = toml::parse(text, path_);
  if (!parsed) {
    const toml::parse_error& e = parsed.error();
    error(e.source().begin.line, "", "not a valid TOML file: " + std::string(e.description()));
    return false;
  }
  const toml::table& root = parsed.table();
  for (auto&& [k, v] : root) {
    const std::string name(k.str());
    if (name == "embed") {
      readEmbedded(v);
      continue;
    }
    if (name == "file_association") {
      readAssociations(v);
      continue;
    }
    const toml::table* table = v.as_table();
    if (!table) {
      error(lineOf(k), name, "a top-level setting must be inside a section such as [application]");
      continue;
    }
    if (name == "identity" || name == "signing") continue;  // read below as a whole
    if (name == "keys") readRawKeys(*table);
    else if (name == "messages") readMessages(*table);
    else if (name == "locale") readLocales(*table);
    else if (isSettingsSection(name)) readSettings(*table, name);
    else {
      const std::string near = didYouMean(name, topLevelSections());
      error(lineOf(k), name,
            "`" + name + "`: unknown section" +
                (near.empty() ? " (expected application, java, instance, restart, splash, "
                                "messages, locale, keys, embed, file_association, identity or signing)"
                              : near));
    }
  }
  readIdentity(root);
  uint32_t conflictLine = 0;
  std::string conflictSetting, conflict;
  if (!checkEntryPointCombination(claimed_, conflictLine, conflictSetting, conflict))
    error(conflictLine, conflictSetting, conflict);
  embedRuntimeLibrary();
  // A setting refused above may be the entry point itself; say what is missing only then.
  if (errors_.size() == before_) checkEntryPointPresent(root);
  if (errors_.size() != before_) return false;
  finish();
  return true;
}

// Without a class to call every start ends in the launcher's "could not be started" message.
void ProjectReader::checkEntryPointPresent(const toml::table& root) {
  const int32_t keys[] = {key::MainClass, key::MainModule, key::MainJar};
  for (int32_t key : keys) {
    auto it = strings_.find(key);
    if (it != strings_.end() && !it->second.empty()) return;
  }
  for (int32_t key : keys) {
    if (!claimed_.count(key)) continue;
    error(claimed_[key].first, claimed_[key].second,
          "the entry point is empty: name the class, jar or module the application starts");
    return;
  }
  const toml::node* java = root.get("java");
  error(java ? lineOf(*java) : 0, "java.main_class",
        "the project names no entry point: set main_class, main_jar or main_module in [java]");
}

void ProjectReader::readIdentity(const toml::table& root) {
  const std::string dir = fromPath(toPath(path_).parent_path());
  pe::OptionError why;
  if (!pe::readIdentityOptions(root, dir, project_.identity, project_.signing, why)) {
    error(why.line, why.setting, why.message);
    return;
  }
  // The one identity setting the launcher reads at run time rather than from its resources.
  const std::string& id = project_.identity.appUserModelId;
  if (const toml::node* n = root.at_path("identity.app_user_model_id").node())
    if (claim(key::AppUserModelId, lineOf(*n), "identity.app_user_model_id"))
      strings_[key::AppUserModelId] = id;
}

void ProjectReader::readSettings(const toml::table& table, const std::string& section) {
  for (auto&& [k, v] : table) {
    const std::string name(k.str());
    const std::string setting = section + "." + name;
    if (v.is_table() && isSettingsSection(setting)) {
      readSettings(*v.as_table(), setting);
      continue;
    }
    const ProjectSetting* s = findProjectSetting(section, name);
    if (!s) {
      error(lineOf(k), setting,
            "`" + name + "`: unknown setting in [" + section + "]" +
                didYouMean(name, settingNamesIn(section)));
      continue;
    }
    setValue(s->key, v, lineOf(k), setting);
  }
}

void ProjectReader::readRawKeys(const toml::table& table) {
  for (auto&& [k, v] : table) {
    const std::string name(k.str());
    const std::string setting = "keys." + name;
    int32_t key = 0;
    if (!parseKeyNumber(name, key)) {
      const KeyInfo* info = findKeyByName(name.c_str());
      if (!info) {
        error(lineOf(k), setting,
              "`" + name + "`: unknown key name (give a key name or a key number)" +
                  didYouMean(name, keyNames()));
        continue;
      }
      key = info->id;
    }
    if (isMessageKey(key)) setMessage(key, v, lineOf(k), setting);
    else setValue(key, v, lineOf(k), setting);
  }
}

void ProjectReader::readMessages(const toml::table& table) {
  for (auto&& [k, v] : table) {
    const std::string name(k.str());
    const std::string setting = "messages." + name;
    int32_t key = messageKeyByName(name);
    if (!key) {
      error(lineOf(k), setting, "`" + name + "`: unknown message name" + didYouMean(name, messageNames()));
      continue;
    }
    setMessage(key, v, lineOf(k), setting);
  }
}

void ProjectReader::readLocales(const toml::table& table) {
  for (auto&& [k, v] : table) {
    const std::string tag(k.str());
    const std::string section = "locale." + tag;
    const toml::table* texts = v.as_table();
    if (!texts) {
      error(lineOf(k), section, "a locale must be a table of message texts, e.g. [locale.de]");
      continue;
    }
    if (tag.size() > kMaxLocaleTag ||
        tag.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") !=
            std::string::npos) {
      error(lineOf(k), section,
            "a locale tag is at most 8 letters, digits or underscores, like de or de_CH");
      continue;
    }
    LocaleSection out;
    out.tag = tag;
    std::string why;
    std::map<int32_t, uint32_t> seen;
    for (auto&& [mk, mv] : *texts) {
      const std::string name(mk.str());
      const std::string setting = section + "." + name;
      int32_t key = messageKeyByName(name);
      if (!key && !parseKeyNumber(name, key)) {
        error(lineOf(mk), setting,
              "`" + name + "`: unknown message name (give a message name or a key number)" +
                  didYouMean(name, messageNames()));
        continue;
      }
      if (!isMessageKey(key)) {
        error(lineOf(mk), setting,
              "key " + std::to_string(key) + " is not a message text: a locale section holds "
              "the texts of keys 1000-1020 (caption, jvm_not_started, ...)");
        continue;
      }
      if (!seen.emplace(key, lineOf(mk)).second) {
        error(lineOf(mk), setting,
              "key " + std::to_string(key) + " is already set on line " + std::to_string(seen[key]));
        continue;
      }
      const toml::value<std::string>* text = mv.as_string();
      std::u16string wide;
      if (!text) {
        error(lineOf(mk), setting, std::string("expected a string, found ") + tomlTypeName(mv));
      } else if (!utf8ToUtf16(text->get(), wide)) {
        error(lineOf(mk), setting, "the text is not valid UTF-8");
      } else if (!checkMessageText(wide, why)) {
        error(lineOf(mk), setting, why);
      } else {
        out.records.emplace_back(key, std::move(wide));
      }
    }
    std::sort(out.records.begin(), out.records.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    sections_.emplace_back(lineOf(k), std::move(out));
  }
}

void ProjectReader::readAssociations(const toml::node& node) {
  const toml::array* list = node.as_array();
  if (!list || !list->is_array_of_tables()) {
    error(lineOf(node), "file_association", "file types are an array of tables: write [[file_association]]");
    return;
  }
  if (list->size() > kMaxAssociations) {
    error(lineOf(node), "file_association",
          "at most " + std::to_string(kMaxAssociations) + " file types, not " + std::to_string(list->size()));
    return;
  }
  const std::filesystem::path dir = toPath(path_).parent_path();
  const std::vector<std::string> known = {"extension", "description", "icon"};
  std::map<std::string, uint32_t> seen;  // lower case: Windows compares endings so
  size_t index = 0;
  for (const toml::node& entry : *list) {
    const toml::table& t = *entry.as_table();
    const std::string prefix = "file_association[" + std::to_string(++index) + "]";
    for (auto&& [k, v] : t) {
      const std::string name(k.str());
      if (std::find(known.begin(), known.end(), name) == known.end())
        error(lineOf(k), prefix + "." + name,
              "`" + name + "`: unknown setting in [[file_association]] (expected extension, "
              "description and icon)" + didYouMean(name, known));
    }
    const toml::value<std::string>* extension = t["extension"].as_string();
    const toml::value<std::string>* description = t["description"].as_string();
    if (!extension || !description) {
      error(lineOf(entry), prefix, "each [[file_association]] needs extension = \".ending\" and "
                                   "description = \"...\" as texts");
      continue;
    }
    FileAssociation a;
    a.line = lineOf(*extension);
    a.extension = extension->get();
    a.description = description->get();
    std::string why;
    if (!checkExtension(a.extension, why)) {
      error(a.line, prefix + ".extension", why);
      continue;
    }
    std::string lower = a.extension;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (seen.count(lower)) {
      error(a.line, prefix + ".extension",
            a.extension + " is already associated on line " + std::to_string(seen[lower]));
      continue;
    }
    seen[lower] = a.line;
    std::u16string wide;
    if (a.description.empty() || a.description.find_first_of("\t\n\r") != std::string::npos ||
        a.description.find('\0') != std::string::npos || !utf8ToUtf16(a.description, wide)) {
      error(lineOf(*description), prefix + ".description", "expected one line of text");
      continue;
    }
    if (const toml::node* icon = t.get("icon")) {
      if (!icon->is_string()) {
        error(lineOf(*icon), prefix + ".icon", "expected the path of an .ico or .png file");
        continue;
      }
      const std::filesystem::path p = toPath(icon->as_string()->get());
      a.iconPath = fromPath(p.is_absolute() || dir.empty() ? p : dir / p);
      a.iconId = kFirstAssociationIconId + static_cast<int32_t>(project_.identity.extraIcons.size());
      project_.identity.extraIcons.push_back({a.iconId, a.iconPath, prefix + ".icon", lineOf(*icon)});
    }
    associations_.push_back(a);
  }
}

void ProjectReader::readEmbedded(const toml::node& node) {
  const toml::array* list = node.as_array();
  if (!list || !list->is_array_of_tables()) {
    error(lineOf(node), "embed", "embedded files are an array of tables: write [[embed]]");
    return;
  }
  const std::filesystem::path dir = toPath(path_).parent_path();
  std::map<std::string, uint32_t> names;  // lower case: Windows names ignore case
  size_t index = 0;
  for (const toml::node& entry : *list) {
    const toml::table& t = *entry.as_table();
    const std::string prefix = "embed[" + std::to_string(++index) + "]";
    const uint32_t line = lineOf(entry);
    for (auto&& [k, v] : t) {
      const std::string name(k.str());
      const std::vector<std::string> known = pe::tableSettingNames("embed");
      if (std::find(known.begin(), known.end(), name) == known.end())
        error(lineOf(k), prefix + "." + name,
              "`" + name + "`: unknown setting in [[embed]] (expected source and name)" +
                  didYouMean(name, known));
    }
    const toml::value<std::string>* source = t["source"].as_string();
    if (!source) {
      error(line, prefix + ".source", "each [[embed]] needs source = \"path of the file\"");
      continue;
    }
    EmbeddedSource file;
    file.line = lineOf(*source);
    const std::filesystem::path source_path = toPath(source->get());
    file.sourcePath = fromPath(source_path.is_absolute() || dir.empty() ? source_path : dir / source_path);
    std::error_code failure;
    const std::filesystem::file_status status = std::filesystem::status(toPath(file.sourcePath), failure);
    if (failure) {
      error(file.line, prefix + ".source", "cannot read " + file.sourcePath + ": " + failure.message());
      continue;
    }
    if (!std::filesystem::is_regular_file(status)) {
      error(file.line, prefix + ".source", file.sourcePath + " is not a regular file");
      continue;
    }
    file.name = defaultEmbeddedName(source->get());
    uint32_t nameLine = file.line;
    if (const toml::node* n = t.get("name")) {
      nameLine = lineOf(*n);
      const toml::value<std::string>* s = n->as_string();
      if (!s) {
        error(nameLine, prefix + ".name", std::string("expected a string, found ") + tomlTypeName(*n));
        continue;
      }
      file.name = s->get();
    }
    std::string why;
    std::string latin;
    if (!checkEmbeddedName(file.name, why)) {
      error(nameLine, prefix + ".name", "cannot embed as \"" + file.name + "\": " + why);
      continue;
    }
    if (!utf8ToLatin1(file.name, latin)) {
      error(nameLine, prefix + ".name", "the name has characters beyond U+00FF");
      continue;
    }
    file.name = latin;
    std::string lower = latin;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto [it, fresh] = names.emplace(lower, nameLine);
    if (!fresh) {
      error(nameLine, prefix + ".name",
            "\"" + file.name + "\" is already embedded on line " + std::to_string(it->second));
      continue;
    }
    project_.embedded.push_back(std::move(file));
  }
  // Extraction makes a folder for "lib\\x.jar"; a file called "lib" cannot share its name.
  for (const auto& [name, line] : names) {
    const size_t slash = name.find('\\');
    if (slash == std::string::npos) continue;
    auto file = names.find(name.substr(0, slash));
    if (file == names.end()) continue;
    error(std::max(line, file->second), "embed",
          "\"" + name.substr(0, slash) + "\" is embedded as a file on line " +
              std::to_string(file->second) + " and as the folder of \"" + name + "\" on line " +
              std::to_string(line) + "; a name cannot be both");
  }
}

bool ProjectReader::claim(int32_t key, uint32_t line, const std::string& setting) {
  if (key == key::EmbeddedFileCount || key == key::EmbeddedFileNames) {
    error(line, setting, "key " + std::to_string(key) + " is set from the [[embed]] list");
    return false;
  }
  if (key == key::JarClassPath || key == key::JarMainClass || key == key::JarVmOptions) {
    error(line, setting, "key " + std::to_string(key) + " is set from the manifest of [java] main_jar");
    return false;
  }
  if (key == key::ModuleMainClass) {
    error(line, setting, "key " + std::to_string(key) + " is set from the descriptor of [java] main_module");
    return false;
  }
  if (key == key::TemplateVersion) {
    error(line, setting, "key " + std::to_string(key) + " is set from the launcher template");
    return false;
  }
  auto [it, fresh] = claimed_.emplace(key, std::make_pair(line, setting));
  if (!fresh) {
    error(line, setting,
          "key " + std::to_string(key) + " is already set by " + it->second.second + " on line " +
              std::to_string(it->second.first));
    return false;
  }
  return true;
}

// Exit codes as the launcher reads them: "3,4". Written as an array of integers or as that text.
bool exitCodeList(const toml::node& v, std::string& out, std::string& why) {
  std::vector<int64_t> codes;
  if (const toml::array* list = v.as_array()) {
    for (const toml::node& item : *list) {
      const toml::value<int64_t>* code = item.as_integer();
      if (!code) {
        why = "exit codes are integers, like [3, 4]";
        return false;
      }
      codes.push_back(code->get());
    }
  } else {
    std::vector<int32_t> parsed;
    if (!parseExitCodes(out.c_str(), parsed)) {
      why = "exit codes are a list of integers, like [3, 4]";
      return false;
    }
    codes.assign(parsed.begin(), parsed.end());
  }
  out.clear();
  for (int64_t code : codes) {
    if (code < INT32_MIN || code > INT32_MAX) {
      why = "an exit code does not fit a 32-bit integer";
      return false;
    }
    out += (out.empty() ? "" : ",") + std::to_string(code);
  }
  return true;
}

bool ProjectReader::convertValue(const toml::node& v, const KeyInfo* info, std::string& out,
                                 std::string& why) {
  const KeyType type = info ? info->type : KeyType::String;
  const bool known = info != nullptr;
  if (v.is_boolean() && (!known || type == KeyType::Int || type == KeyType::Flag)) {
    out = v.as_boolean()->get() ? "1" : "0";
    return true;
  }
  if (v.is_integer() && (!known || type == KeyType::Int || type == KeyType::Flag)) {
    int64_t n = v.as_integer()->get();
    if (n < INT32_MIN || n > INT32_MAX) {
      why = "the number does not fit a 32-bit integer";
      return false;
    }
    out = std::to_string(n);
    return true;
  }
  if (type == KeyType::Int || type == KeyType::Flag) {
    why = std::string("expected ") + (type == KeyType::Flag ? "a boolean or an integer" : "an integer") +
          ", found " + tomlTypeName(v);
    return false;
  }
  if (type == KeyType::Colour) {
    int rgb[3];
    if (const toml::array* a = v.as_array()) {
      bool ok = a->size() == 3;
      for (size_t i = 0; ok && i < 3; ++i) {
        const toml::value<int64_t>* c = (*a)[i].as_integer();
        ok = c && c->get() >= 0 && c->get() <= 255;
        if (ok) rgb[i] = static_cast<int>(c->get());
      }
      if (!ok) {
        why = "a colour array holds three integers from 0 to 255, like [255, 128, 0]";
        return false;
      }
    } else if (const toml::value<std::string>* s = v.as_string()) {
      std::vector<std::string> parts;
      std::stringstream in(s->get());
      std::string token;
      while (std::getline(in, token, ',')) parts.push_back(token);
      bool ok = parts.size() == 3 && s->get().back() != ',';
      for (size_t i = 0; ok && i < 3; ++i) ok = parseColourComponent(parts[i], rgb[i]);
      if (!ok) {
        why = "a colour is \"red,green,blue\" with each from 0 to 255, like \"255,128,0\"";
        return false;
      }
    } else {
      why = std::string("expected a colour string or array, found ") + tomlTypeName(v);
      return false;
    }
    out = std::to_string(rgb[0]) + "," + std::to_string(rgb[1]) + "," + std::to_string(rgb[2]);
    return true;
  }
  const toml::value<std::string>* s = v.as_string();
  if (!s && info && info->id == key::RestartExitCodes && v.is_array()) return true;  // joined later
  if (!s) {
    why = std::string("expected a string, found ") + tomlTypeName(v);
    return false;
  }
  if (s->get().find('\0') != std::string::npos) {
    why = "the text contains a NUL character";
    return false;
  }
  if (!utf8ToLatin1(s->get(), out)) {
    why = "the text has characters beyond U+00FF, which a narrow value cannot hold";
    return false;
  }
  return true;
}

void ProjectReader::setValue(int32_t key, const toml::node& v, uint32_t line,
                             const std::string& setting) {
  const KeyInfo* info = findKey(key);
  std::string value, why;
  if (!convertValue(v, info, value, why)) {
    error(lineOf(v) ? lineOf(v) : line, setting, why);
    return;
  }
  if (key == key::RestartExitCodes && !exitCodeList(v, value, why)) {
    error(lineOf(v) ? lineOf(v) : line, setting, why);
    return;
  }
  if (key == key::MainModule && !checkMainModule(value, why)) {
    error(lineOf(v) ? lineOf(v) : line, setting, why);
    return;
  }
  if (info && (info->type == KeyType::String || info->type == KeyType::Wide) &&
      !checkLauncherValue(key, value, why)) {
    error(lineOf(v) ? lineOf(v) : line, setting, why);
    return;
  }
  if (key == key::VmParameters || key == key::ApplicationArguments) {
    if (const char* hint = apostropheHint(value))
      project_.warnings.push_back(formatProjectError({path_, line, setting, hint}));
  }
  if (claim(key, line, setting)) strings_[key] = value;
}

void ProjectReader::setMessage(int32_t key, const toml::node& v, uint32_t line,
                               const std::string& setting) {
  const toml::value<std::string>* s = v.as_string();
  if (!s) {
    error(line, setting, std::string("expected a string, found ") + tomlTypeName(v));
    return;
  }
  std::u16string wide;
  std::string narrow;
  if (!utf8ToUtf16(s->get(), wide) || !utf8ToLatin1(s->get(), narrow, true)) {
    error(line, setting, "the text is not valid UTF-8");
    return;
  }
  std::string why;
  if (!checkMessageText(wide, why)) {
    error(line, setting, why);
    return;
  }
  if (!claim(key, line, setting)) return;
  // The narrow record ('?' for characters beyond U+00FF) is only read by launchers that lack
  // the wide one; every build writes both, and the launcher shows the wide text.
  strings_[key] = narrow;
  messages_[key] = wide;
}

// The project names the library, the tool supplies the copy of its own installation, so that a
// project file holds no path that only one machine has.
void ProjectReader::embedRuntimeLibrary() {
  auto value = strings_.find(key::RuntimeLibrary);
  if (value == strings_.end()) return;
  const auto& [line, setting] = claimed_[key::RuntimeLibrary];
  if (value->second == kRuntimeLibraryExternal) return;
  if (value->second != kRuntimeLibraryEmbed) {
    error(line, setting, "expected \"embed\" or \"external\", not \"" + value->second + "\"");
    return;
  }
  for (const EmbeddedSource& f : project_.embedded)
    if (f.name == kRuntimeLibraryName) {
      error(line, setting, "the [[embed]] on line " + std::to_string(f.line) + " already embeds " +
                               kRuntimeLibraryName + "; keep one of the two");
      return;
    }
  const std::string library = installedFile(kRuntimeLibraryName);
  std::error_code failure;
  if (!std::filesystem::is_regular_file(toPath(library), failure)) {
    const std::vector<std::string> places = installationCandidates(kRuntimeLibraryName);
    error(line, setting, std::string("this tool's ") + kRuntimeLibraryName + " is neither at " +
                             places[0] + " nor at " + places[1]);
    return;
  }
  project_.embedded.push_back({library, kRuntimeLibraryName, line});
}

void ProjectReader::finish() {
  for (int32_t key = kFirstMessageKey; key <= kLastMessageKey; ++key) {
    if (messages_.count(key)) continue;
    const char* text = defaultMessageText(key);
    if (!text) continue;
    strings_[key] = text;
    utf8ToUtf16(text, messages_[key]);
  }
  strings_[key::EmbeddedFileCount] = std::to_string(project_.embedded.size());
  if (!project_.embedded.empty()) {
    std::string names;
    for (const EmbeddedSource& f : project_.embedded) {
      if (!names.empty()) names += ";";
      names += f.name;
    }
    strings_[key::EmbeddedFileNames] = names;
  }
  if (!associations_.empty()) {
    // ProgIds carry the application's name, else the project's.
    const std::string name = strings_.count(key::ApplicationName)
                                 ? strings_[key::ApplicationName]
                                 : fromPath(toPath(path_).stem());
    for (FileAssociation& a : associations_) a.progId = makeProgId(name, a.extension);
    strings_[key::FileAssociations] = encodeAssociations(associations_);
  }
  project_.origins = claimed_;
  BlockContents& block = project_.block;
  for (auto& [k, v] : strings_) block.strings.emplace_back(k, v);
  for (auto& [k, v] : messages_) block.messages.emplace_back(k, v);
  std::stable_sort(sections_.begin(), sections_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& s : sections_) block.sections.push_back(std::move(s.second));
}

}  // namespace

bool parseProject(const std::string& text, const std::string& path, Project& project,
                  std::vector<ProjectError>& errors) {
  project = Project();
  project.path = path;
  const size_t before = errors.size();
  ProjectReader reader(path, project, errors);
  bool ok = reader.read(text) && errors.size() == before;
  // Tables come back in name order; report in the order of the file.
  std::stable_sort(errors.begin() + static_cast<std::ptrdiff_t>(before), errors.end(),
                   [](const ProjectError& a, const ProjectError& b) { return a.line < b.line; });
  return ok;
}

bool loadProject(const std::string& path, Project& project, std::vector<ProjectError>& errors) {
  std::ifstream in(toPath(path), std::ios::binary);
  if (!in) {
    errors.push_back({path, 0, "", std::string("cannot read the project file: ") + std::strerror(errno)});
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  return parseProject(text.str(), path, project, errors);
}

}  // namespace tessel

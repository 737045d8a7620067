#include "schema_command.h"

#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "config_keys.h"
#include "json_writer.h"
#include "pe/identity_settings.h"
#include "product_version.h"
#include "project_file.h"
#include "project_settings.h"
#include "argument_list.h"
#include "value_rules.h"

namespace tessel {
namespace {

// Narrow values are stored as Latin-1: the build refuses other characters.
constexpr const char* kLatin1 = "^[\\u0001-\\u00ff]*$";
constexpr const char* kColourText =
    "^\\s*([01]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])\\s*,\\s*([01]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])"
    "\\s*,\\s*([01]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])\\s*$";
constexpr const char* kVersionText = "^[0-9]{1,5}(\\.[0-9]{1,5}){0,3}$";

constexpr int64_t kInt32Min = -2147483648LL;
constexpr int64_t kInt32Max = 2147483647LL;

void integerRange(JsonWriter& w, int64_t minimum, int64_t maximum) {
  w.key("minimum");
  w.value(minimum);
  w.key("maximum");
  w.value(maximum);
}

// A value given as text matching `pattern` or as a list of integers in [minimum, maximum]
// (exactly `count` of them when count > 0): colours, exit-code lists.
void textOrIntegerList(JsonWriter& w, const char* pattern, int64_t minimum, int64_t maximum,
                       int64_t count = 0) {
  w.key("oneOf");
  w.beginArray();
  w.beginObject();
  w.key("type");
  w.value("string");
  w.key("pattern");
  w.value(pattern);
  w.endObject();
  w.beginObject();
  w.key("type");
  w.value("array");
  w.key("items");
  w.beginObject();
  w.key("type");
  w.value("integer");
  integerRange(w, minimum, maximum);
  w.endObject();
  if (count > 0) {
    w.key("minItems");
    w.value(count);
    w.key("maxItems");
    w.value(count);
  }
  w.endObject();
  w.endArray();
}

template <typename Texts>
void enumOf(JsonWriter& w, const Texts& texts) {
  w.key("enum");
  w.beginArray();
  for (const auto& t : texts) w.value(std::string(t));
  w.endArray();
}

// ";"-separated entries, each empty or `entry`, as the launcher splits them.
std::string entryList(const std::string& entry) {
  return "^(?:(?:" + entry + ")?;)*(?:" + entry + ")?$";
}

// The length and syntax the launcher can take, from the rules it sizes its buffers by.
void valueRuleSchema(JsonWriter& w, const ValueRule& rule) {
  if (rule.capacity > 0) {
    w.key("maxLength");
    w.value(static_cast<int64_t>(rule.capacity - 1));
  }
  std::string syntax;
  switch (rule.syntax) {
    case ValueSyntax::TypedEntries: {
      std::string plain;  // E names a variable, so it needs one; the others may be empty
      for (const char* t = kClassPathEntryTypes; *t; ++t)
        if (*t != 'E') plain += *t;
      syntax = entryList("[" + plain + "][01][^;]*" + (std::strchr(kClassPathEntryTypes, 'E') ? "|E[01][^;]+" : ""));
      break;
    }
    case ValueSyntax::SearchSequence: {
      std::string bare, valued;  // A, B, R and E need their directory or variable
      for (const char* t = kSearchEntryTypes; *t; ++t) (std::strchr("ABRE", *t) ? valued : bare) += *t;
      syntax = entryList("[" + bare + "][^;]*|[" + valued + "][^;]+");
      break;
    }
    case ValueSyntax::Flavour: {
      std::vector<std::string> flavours;
      for (const char* f = kFlavours; *f; ++f) flavours.emplace_back(1, *f);
      enumOf(w, flavours);
      break;
    }
    case ValueSyntax::SharingMode: enumOf(w, kSharingModes); break;
    case ValueSyntax::ArgumentRules:
      enumOf(w, std::initializer_list<const char*>{kWindowsArgumentRules, kLauncherArgumentRules});
      break;
    default: break;
  }
  if (syntax.empty()) return;
  w.key("allOf");
  w.beginArray();
  w.beginObject();
  w.key("pattern");
  w.value(syntax);
  w.endObject();
  w.endArray();
}

// The value a key of `type` takes, as convertValue in the project reader accepts it.
void keyValue(JsonWriter& w, const KeyInfo& k, const std::string& description) {
  w.beginObject();
  w.key("description");
  w.value(description);
  switch (k.type) {
    case KeyType::Int:
    case KeyType::Flag:
      w.key("type");
      w.beginArray();
      w.value(k.type == KeyType::Flag ? "boolean" : "integer");
      w.value(k.type == KeyType::Flag ? "integer" : "boolean");
      w.endArray();
      integerRange(w, kInt32Min, kInt32Max);
      break;
    case KeyType::Colour: textOrIntegerList(w, kColourText, 0, 255, 3); break;
    case KeyType::Message:
      w.key("type");
      w.value("string");
      break;
    default:
      if (k.id == key::RestartExitCodes) {  // [3, 4] or "3,4"
        textOrIntegerList(w, "^\\s*([-+]?[0-9]+\\s*(,\\s*[-+]?[0-9]+\\s*)*)?$", kInt32Min,
                          kInt32Max);
        break;
      }
      w.key("type");
      w.value("string");
      w.key("pattern");
      w.value(kLatin1);
      valueRuleSchema(w, valueRule(k.id));
      if (k.id == key::RuntimeLibrary)
        enumOf(w, std::initializer_list<const char*>{kRuntimeLibraryEmbed, kRuntimeLibraryExternal});
  }
  w.endObject();
}

std::string describe(const KeyInfo& k) {
  return std::string(k.meaning) + " (key " + std::to_string(k.id) + ", " + keyTypeName(k.type) + ")";
}

// A table that admits only the names it lists.
void beginClosedTable(JsonWriter& w, const std::string& description) {
  w.beginObject();
  w.key("type");
  w.value("object");
  w.key("description");
  w.value(description);
  w.key("additionalProperties");
  w.value(false);
  w.key("properties");
  w.beginObject();
}

void endClosedTable(JsonWriter& w) {
  w.endObject();
  w.endObject();
}

// [application], [java], ...: each setting under its short and its vocabulary name, and the
// subsections ([splash.status_line]) as nested tables.
void settingsSection(JsonWriter& w, const std::string& section) {
  beginClosedTable(w, "[" + section + "]");
  size_t count = 0;
  const ProjectSetting* settings = projectSettings(count);
  std::vector<std::string> subsections;
  for (size_t i = 0; i < count; ++i) {
    const std::string home = settings[i].section;
    if (home == section) {
      const KeyInfo* k = findKey(settings[i].key);
      if (!k) continue;
      w.key(settings[i].name);
      keyValue(w, *k, describe(*k));
      if (std::string(k->name) != settings[i].name) {
        w.key(k->name);
        keyValue(w, *k, "same as " + std::string(settings[i].name) + ": " + describe(*k));
      }
    } else if (home.compare(0, section.size() + 1, section + ".") == 0) {
      const std::string sub = home.substr(section.size() + 1);
      bool seen = false;
      for (const std::string& s : subsections) seen = seen || s == sub;
      if (!seen && sub.find('.') == std::string::npos) subsections.push_back(sub);
    }
  }
  for (const std::string& sub : subsections) {
    w.key(sub);
    settingsSection(w, section + "." + sub);
  }
  endClosedTable(w);
}

void messageTable(JsonWriter& w, const std::string& description) {
  beginClosedTable(w, description);
  size_t count = 0;
  const KeyInfo* keys = allKeys(count);
  for (size_t i = 0; i < count; ++i) {
    if (keys[i].type != KeyType::Message) continue;
    const std::string text = describe(keys[i]);
    w.key(keys[i].name + 8);
    keyValue(w, keys[i], text);
    w.key(keys[i].name);
    keyValue(w, keys[i], text);
  }
  endClosedTable(w);
}

// [keys]: any key by vocabulary name with its type, or by number with any value.
void rawKeys(JsonWriter& w) {
  beginClosedTable(w, "[keys]: any key by vocabulary name or number");
  size_t count = 0;
  const KeyInfo* keys = allKeys(count);
  for (size_t i = 0; i < count; ++i) {
    w.key(keys[i].name);
    keyValue(w, keys[i], describe(keys[i]));
  }
  w.endObject();
  w.key("patternProperties");
  w.beginObject();
  w.key("^-?[0-9]{1,10}$");
  w.beginObject();
  w.key("type");
  w.beginArray();
  for (const char* t : {"string", "integer", "boolean", "array"}) w.value(t);
  w.endArray();
  w.endObject();
  w.endObject();
  w.endObject();
}

void tableValue(JsonWriter& w, const pe::TableSetting& s) {
  w.beginObject();
  w.key("description");
  w.value(s.description);
  w.key("type");
  w.value(s.kind == pe::TableValue::Boolean ? "boolean" : "string");
  if (s.kind == pe::TableValue::Version) {
    w.key("pattern");
    w.value(kVersionText);
  }
  if (s.kind == pe::TableValue::Choice) enumOf(w, pe::tableSettingChoices(s));
  w.endObject();
}

void ownTable(JsonWriter& w, const std::string& section, const std::string& description,
              const std::string& nested = "", const char* required = nullptr) {
  beginClosedTable(w, description);
  size_t count = 0;
  const pe::TableSetting* settings = pe::tableSettings(count);
  for (size_t i = 0; i < count; ++i)
    if (section == settings[i].section) {
      w.key(settings[i].name);
      tableValue(w, settings[i]);
    }
  if (!nested.empty()) {
    w.key(nested);
    ownTable(w, section + "." + nested, "[" + section + "." + nested + "]");
  }
  w.endObject();
  if (required) {
    w.key("required");
    w.beginArray();
    w.value(required);
    w.endArray();
  }
  w.endObject();
}

// An array of one kind of table: [[embed]], [[file_association]].
void arrayOfTables(JsonWriter& w, const char* section, const char* description,
                   const char* itemDescription, const char* required) {
  w.beginObject();
  w.key("type");
  w.value("array");
  w.key("description");
  w.value(description);
  w.key("items");
  ownTable(w, section, itemDescription, "", required);
  w.endObject();
}

}  // namespace

void printProjectSchema(std::ostream& out) {
  JsonWriter w(out);
  w.beginObject();
  w.key("$schema");
  w.value("https://json-schema.org/draft/2020-12/schema");
  w.key("title");
  w.value("tessel project file (tessel " TESSEL_VERSION ")");
  w.key("description");
  w.value("What `tessel build` reads; written by `tessel schema`.");
  w.key("type");
  w.value("object");
  w.key("additionalProperties");
  w.value(false);
  w.key("properties");
  w.beginObject();
  for (const std::string& section : topLevelSections()) {
    w.key(section);
    if (isSettingsSection(section)) settingsSection(w, section);
    else if (section == "messages") messageTable(w, "[messages]: texts of the message keys 1000-1020");
    else if (section == "locale") {
      w.beginObject();
      w.key("type");
      w.value("object");
      w.key("description");
      w.value("[locale.TAG]: message texts for locales whose name starts with TAG (de, de_CH)");
      w.key("propertyNames");
      w.beginObject();
      w.key("maxLength");
      w.value(int64_t{8});
      w.endObject();
      w.key("additionalProperties");
      messageTable(w, "messages for one locale");
      w.endObject();
    } else if (section == "keys") rawKeys(w);
    else if (section == "embed")
      arrayOfTables(w, "embed", "[[embed]]: files stored behind the block, extracted at every start",
                    "one embedded file", "source");
    else if (section == "file_association")
      arrayOfTables(w, "file_association",
                    "[[file_association]]: file types that tessel associate registers for the application",
                    "one file type", "extension");
    else if (section == "identity") ownTable(w, "identity", "[identity]: icon, images, manifest", "version");
    else if (section == "signing") ownTable(w, "signing", "[signing]: Authenticode signature with osslsigncode");
    else {
      w.beginObject();
      w.endObject();
    }
  }
  w.endObject();
  w.endObject();
  w.finish();
}

}  // namespace tessel

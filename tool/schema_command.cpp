#include "schema_command.h"

#include <cstring>
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

void int32Range(JsonWriter& w) {
  w.key("minimum");
  w.value(int64_t{-2147483648LL});
  w.key("maximum");
  w.value(int64_t{2147483647LL});
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
    case ValueSyntax::Flavour:
      w.key("enum");
      w.beginArray();
      for (const char* f = kFlavours; *f; ++f) w.value(std::string(1, *f));
      w.endArray();
      break;
    case ValueSyntax::SharingMode:
      w.key("enum");
      w.beginArray();
      for (const char* mode : kSharingModes) w.value(mode);
      w.endArray();
      break;
    case ValueSyntax::ArgumentRules:
      w.key("enum");
      w.beginArray();
      w.value(std::string(kWindowsArgumentRules));
      w.value(std::string(kLauncherArgumentRules));
      w.endArray();
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
      int32Range(w);
      break;
    case KeyType::Colour:
      w.key("oneOf");
      w.beginArray();
      w.beginObject();
      w.key("type");
      w.value("string");
      w.key("pattern");
      w.value(kColourText);
      w.endObject();
      w.beginObject();
      w.key("type");
      w.value("array");
      w.key("items");
      w.beginObject();
      w.key("type");
      w.value("integer");
      w.key("minimum");
      w.value(int64_t{0});
      w.key("maximum");
      w.value(int64_t{255});
      w.endObject();
      w.key("minItems");
      w.value(int64_t{3});
      w.key("maxItems");
      w.value(int64_t{3});
      w.endObject();
      w.endArray();
      break;
    case KeyType::Message:
      w.key("type");
      w.value("string");
      break;
    default:
      if (k.id == key::RestartExitCodes) {  // [3, 4] or "3,4"
        w.key("oneOf");
        w.beginArray();
        w.beginObject();
        w.key("type");
        w.value("string");
        w.key("pattern");
        w.value("^\\s*([-+]?[0-9]+\\s*(,\\s*[-+]?[0-9]+\\s*)*)?$");
        w.endObject();
        w.beginObject();
        w.key("type");
        w.value("array");
        w.key("items");
        w.beginObject();
        w.key("type");
        w.value("integer");
        int32Range(w);
        w.endObject();
        w.endObject();
        w.endArray();
        break;
      }
      w.key("type");
      w.value("string");
      w.key("pattern");
      w.value(kLatin1);
      valueRuleSchema(w, valueRule(k.id));
      if (k.id == key::RuntimeLibrary) {
        w.key("enum");
        w.beginArray();
        w.value(kRuntimeLibraryEmbed);
        w.value(kRuntimeLibraryExternal);
        w.endArray();
      }
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
  if (s.kind == pe::TableValue::Choice) {
    w.key("enum");
    w.beginArray();
    for (const std::string& c : pe::tableSettingChoices(s)) w.value(c);
    w.endArray();
  }
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
    else if (section == "embed") {
      w.beginObject();
      w.key("type");
      w.value("array");
      w.key("description");
      w.value("[[embed]]: files stored behind the block, extracted at every start");
      w.key("items");
      ownTable(w, "embed", "one embedded file", "", "source");
      w.endObject();
    } else if (section == "file_association") {
      w.beginObject();
      w.key("type");
      w.value("array");
      w.key("description");
      w.value("[[file_association]]: file types that tessel associate registers for the application");
      w.key("items");
      ownTable(w, "file_association", "one file type", "", "extension");
      w.endObject();
    } else if (section == "identity") ownTable(w, "identity", "[identity]: icon, images, manifest", "version");
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

#include "inspect_command.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <map>

#include "block_writer.h"
#include "byte_order.h"
#include "config_keys.h"
#include "file_io.h"
#include "value_rules.h"
#include "json_writer.h"
#include "pe/resources.h"

namespace tessel {
namespace {

// A memory source that remembers where its last read began, to say where a block broke.
class TrackingSource : public MemorySource {
 public:
  using MemorySource::MemorySource;
  bool read(void* dst, uint32_t n, uint32_t& delivered) noexcept override {
    lastReadAt = position();
    return MemorySource::read(dst, n, delivered);
  }
  size_t lastReadAt = 0;
};

// The launcher's configInt: strtol with base 10, clamped to 32 bits.
int32_t launcherInt(const std::string& value) {
  errno = 0;
  long long v = std::strtoll(value.c_str(), nullptr, 10);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

std::map<int32_t, std::string> lastValues(const BlockContents& block) {
  std::map<int32_t, std::string> values;
  for (const auto& r : block.strings) values[r.first] = r.second;
  return values;
}

const char* keyName(int32_t key) {
  const KeyInfo* info = findKey(key);
  return info ? info->name : "";
}

// Control characters shown as escapes so that one value stays on one line.
std::string printable(const std::string& utf8) {
  std::string out;
  for (char c : utf8) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (static_cast<unsigned char>(c) < 0x20) out += "?";
    else out.push_back(c);
  }
  return out;
}

void readEmbedded(const std::vector<uint8_t>& image, InspectReport& report) {
  std::map<int32_t, std::string> values = lastValues(report.block);
  report.embeddedCount = launcherInt(values[key::EmbeddedFileCount]);
  report.templateVersion =
      values.count(key::TemplateVersion) ? values[key::TemplateVersion] : "unknown";
  std::vector<std::string> names = splitEntries(values[key::EmbeddedFileNames]);
  if (report.embeddedCount > 0 && static_cast<size_t>(report.embeddedCount) != names.size())
    report.notes.push_back("key 2002 says " + std::to_string(report.embeddedCount) +
                           " embedded files but key 2003 names " + std::to_string(names.size()) +
                           "; the launcher extracts " +
                           std::to_string(std::min<size_t>(report.embeddedCount, names.size())));
  uint64_t at = report.blockEnd;
  for (size_t i = 0; report.embeddedCount > 0 && i < static_cast<size_t>(report.embeddedCount) &&
                     i < names.size();
       ++i) {
    EmbeddedEntry entry;
    entry.name = names[i];
    entry.offset = at;
    if (at + 8 > image.size()) {
      report.error = "embedded file " + latin1ToUtf8(names[i]) + ": its size field at offset " +
                     std::to_string(at) + " lies beyond the end of the file (" +
                     std::to_string(image.size()) + " bytes); the launcher ends with \"" +
                     blockStatusText(BlockStatus::ReadLong) + "\"";
      return;
    }
    entry.size = static_cast<int64_t>(loadLe64(image.data() + at));
    at += 8;
    if (entry.size > 0) {
      if (static_cast<uint64_t>(entry.size) > image.size() - at) {
        report.error = "embedded file " + latin1ToUtf8(names[i]) + ": " +
                       std::to_string(entry.size) + " bytes declared at offset " +
                       std::to_string(entry.offset) + " but only " +
                       std::to_string(image.size() - at) +
                       " remain; the launcher's extraction fails (internal error 16)";
        report.embedded.push_back(entry);
        return;
      }
      at += static_cast<uint64_t>(entry.size);
    }
    report.embedded.push_back(entry);
  }
  report.embeddedEnd = at;
  report.trailerFound = at + 4 <= image.size() && std::memcmp(image.data() + at, kTrailerMagic, 4) == 0;
  const uint64_t expected = report.embeddedEnd - (report.position.blockStart + 12);
  if (report.lengthField < 0 || static_cast<uint64_t>(report.lengthField) != expected)
    report.notes.push_back("the length field says " + std::to_string(report.lengthField) +
                           " but the block and its embedded files span " + std::to_string(expected) +
                           " bytes (the launcher ignores the field)");
}

// The launcher keeps the last of repeated records, which a listing of every record hides.
void noteRepeatedKeys(InspectReport& report) {
  std::map<int32_t, int> strings, messages;
  for (const auto& record : report.block.strings) ++strings[record.first];
  for (const auto& record : report.block.messages) ++messages[record.first];
  for (const auto& [key, count] : strings)
    if (count > 1)
      report.notes.push_back("key " + std::to_string(key) + " occurs " + std::to_string(count) +
                             " times; the launcher uses the last value");
  for (const auto& [key, count] : messages)
    if (count > 1)
      report.notes.push_back("message " + std::to_string(key) + " occurs " + std::to_string(count) +
                             " times; the launcher uses the last text");
}

void readIdentity(const std::vector<uint8_t>& bytes, InspectReport& report) {
  pe::Image image;
  std::string why;
  if (!pe::parseImage(bytes, image, why)) return;
  report.signature = pe::checkSignature(image);
  std::vector<pe::Resource> resources;
  if (pe::readResources(image, resources, why))
    report.resources = pe::summarizeResources(resources);
  else
    report.notes.push_back("the resource directory cannot be read: " + why);
}

std::string signatureText(const pe::SignatureCheck& s) {
  switch (s.state) {
    case pe::SignatureState::None: return "no";
    case pe::SignatureState::Matches:
      return "yes (Authenticode; the " + s.algorithm + " digest matches the file)";
    case pe::SignatureState::Mismatch:
      return "a signature is present but does not match the file (changed after signing" +
             (s.detail.empty() ? "" : ": " + s.detail) + "; " + s.algorithm + " digest)";
    case pe::SignatureState::Unsupported:
      return "a signature is present; its digest algorithm " + s.algorithm + " is not checked";
    case pe::SignatureState::Unreadable: return "a signature is present but unreadable: " + s.detail;
  }
  return "";
}

const char* signatureStateName(pe::SignatureState state) {
  switch (state) {
    case pe::SignatureState::None: return "none";
    case pe::SignatureState::Matches: return "matches";
    case pe::SignatureState::Mismatch: return "mismatch";
    case pe::SignatureState::Unsupported: return "unsupported_digest";
    case pe::SignatureState::Unreadable: return "unreadable";
  }
  return "";
}

const char* splashRole(const pe::ResourceSummary& r) {
  return r.typeId == pe::kRtBitmap ? "splash" : "runtime splash";
}

void printResourceText(const pe::ResourceSummary& r, std::ostream& out) {
  out << "  " << r.type << " " << r.name << " (" << r.size << " bytes)";
  if (!r.executionLevel.empty()) out << ", execution level " << r.executionLevel;
  if (!r.dpiAware.empty()) out << ", dpiAware " << printable(r.dpiAware);
  if (!r.dpiAwareness.empty()) out << ", dpiAwareness " << printable(r.dpiAwareness);
  if (!r.supportedOs.empty()) {
    out << ", supported OS ";
    for (size_t i = 0; i < r.supportedOs.size(); ++i) out << (i ? ", " : "") << r.supportedOs[i];
  }
  if (r.splashScale == 100) out << ", " << splashRole(r) << " image";
  else if (r.splashScale) out << ", " << splashRole(r) << " variant for " << r.splashScale << " %";
  out << "\n";
  for (const auto& [name, value] : r.versionStrings)
    out << "    " << printable(name) << ": " << printable(value) << "\n";
}

// --- JSON, one step per part of the report ---

// Numbers and flags as the launcher reads them, with the stored text beside them; other
// values as text.
void writeKeyValue(JsonWriter& json, const KeyInfo* info, const std::string& value) {
  const bool number = info && (info->type == KeyType::Int || info->type == KeyType::Flag);
  json.key("value");
  if (!number) {
    json.value(latin1ToUtf8(value));
    return;
  }
  if (info->type == KeyType::Int) json.value(static_cast<int64_t>(launcherInt(value)));
  else json.value(launcherInt(value) != 0);
  json.key("text");
  json.value(latin1ToUtf8(value));
}

void writeKeysJson(const InspectReport& report, JsonWriter& json) {
  json.key("keys");
  json.beginArray();
  for (const auto& [key, value] : report.block.strings) {
    const KeyInfo* info = findKey(key);
    json.beginObject();
    json.key("key");
    json.value(static_cast<int64_t>(key));
    json.key("name");
    if (info) json.value(info->name); else json.null();
    json.key("type");
    if (info) json.value(keyTypeName(info->type)); else json.null();
    writeKeyValue(json, info, value);
    json.endObject();
  }
  json.endArray();
}

void writeMessagesJson(const InspectReport& report, JsonWriter& json) {
  json.key("messages");
  json.beginArray();
  for (const auto& [key, text] : report.block.messages) {
    json.beginObject();
    json.key("key");
    json.value(static_cast<int64_t>(key));
    json.key("name");
    if (findKey(key)) json.value(keyName(key)); else json.null();
    json.key("text");
    json.value(utf16ToUtf8(text));
    json.endObject();
  }
  json.endArray();
  json.key("locales");
  json.beginArray();
  for (const LocaleSection& s : report.block.sections) {
    json.beginObject();
    json.key("tag");
    json.value(latin1ToUtf8(s.tag));
    json.key("messages");
    json.beginArray();
    for (const auto& [key, text] : s.records) {
      json.beginObject();
      json.key("key");
      json.value(static_cast<int64_t>(key));
      json.key("text");
      json.value(utf16ToUtf8(text));
      json.endObject();
    }
    json.endArray();
    json.endObject();
  }
  json.endArray();
}

void writeEmbeddedJson(const InspectReport& report, JsonWriter& json) {
  json.key("embedded");
  json.beginArray();
  for (const EmbeddedEntry& e : report.embedded) {
    json.beginObject();
    json.key("name");
    json.value(latin1ToUtf8(e.name));
    json.key("size");
    json.value(e.size);
    json.key("offset");
    json.value(static_cast<int64_t>(e.offset));
    json.endObject();
  }
  json.endArray();
}

void writeBlockJson(const InspectReport& report, JsonWriter& json) {
  json.key("block");
  if (!report.blockRead) {
    json.null();
    return;
  }
  json.beginObject();
  json.key("offset");
  json.value(static_cast<int64_t>(report.position.blockStart));
  json.key("size");
  json.value(static_cast<int64_t>(report.blockEnd - report.position.blockStart));
  json.key("length_field");
  json.value(report.lengthField);
  json.key("template_version");
  json.value(report.templateVersion);
  writeKeysJson(report, json);
  writeMessagesJson(report, json);
  writeEmbeddedJson(report, json);
  json.key("trailer");
  json.value(report.trailerFound);
  json.endObject();
}

void writeResourcesJson(const InspectReport& report, JsonWriter& json) {
  json.key("resources");
  json.beginArray();
  for (const pe::ResourceSummary& r : report.resources) {
    json.beginObject();
    json.key("type");
    json.value(r.type);
    json.key("type_id");
    if (r.typeId >= 0) json.value(static_cast<int64_t>(r.typeId)); else json.null();
    json.key("name");
    json.value(r.name);
    json.key("language");
    json.value(static_cast<int64_t>(r.language));
    json.key("size");
    json.value(static_cast<int64_t>(r.size));
    if (r.typeId == pe::kRtVersion) {
      json.key("version_strings");
      json.beginObject();
      for (const auto& [name, value] : r.versionStrings) {
        json.key(name);
        json.value(value);
      }
      json.endObject();
    }
    if (r.typeId == pe::kRtManifest) {
      json.key("execution_level");
      if (r.executionLevel.empty()) json.null(); else json.value(r.executionLevel);
      json.key("dpi_aware");
      if (r.dpiAware.empty()) json.null(); else json.value(r.dpiAware);
      json.key("dpi_awareness");
      if (r.dpiAwareness.empty()) json.null(); else json.value(r.dpiAwareness);
      json.key("supported_os");
      json.beginArray();
      for (const std::string& os : r.supportedOs) json.value(os);
      json.endArray();
    }
    if (r.splashScale) {
      json.key("splash_scale");
      json.value(static_cast<int64_t>(r.splashScale));
    }
    json.endObject();
  }
  json.endArray();
}

void writeSignatureJson(const InspectReport& report, JsonWriter& json) {
  const pe::SignatureCheck& s = report.signature;
  json.key("signed");
  json.value(s.state == pe::SignatureState::Matches);
  json.key("signature");
  json.beginObject();
  json.key("present");
  json.value(s.state != pe::SignatureState::None);
  json.key("state");
  json.value(signatureStateName(s.state));
  json.key("digest_algorithm");
  if (s.algorithm.empty()) json.null(); else json.value(s.algorithm);
  if (!s.detail.empty()) {
    json.key("detail");
    json.value(s.detail);
  }
  json.endObject();
}

}  // namespace

bool inspectImage(const std::vector<uint8_t>& image, InspectReport& report) {
  report = InspectReport();
  report.fileSize = image.size();
  if (!locateBlock(image.data(), image.size(), report.position)) {
    report.error = "the PE headers are damaged or missing: the section table lies outside the "
                   "file; the launcher ends with \"" +
                   std::string(blockStatusText(BlockStatus::ReadInt)) + "\"";
    return false;
  }
  const PeBlockPosition& p = report.position;
  if (p.blockStart >= image.size()) {
    report.error =
        p.blockStart == image.size()
            ? "no configuration block: nothing follows the last section (offset " +
                  std::to_string(p.blockStart) + "); the launcher ends with \"" +
                  blockStatusText(BlockStatus::ReadInt) + "\""
            : "the last section ends at offset " + std::to_string(p.blockStart) +
                  ", beyond the end of the file (" + std::to_string(image.size()) +
                  " bytes); the launcher ends with \"" + blockStatusText(BlockStatus::ReadInt) + "\"";
    return false;
  }
  TrackingSource source(image.data(), image.size());
  source.seek(static_cast<size_t>(p.blockStart));
  BlockStatus status = readBlock(source, report.block);
  if (status != BlockStatus::Ok) {
    report.error = "damaged configuration block (starting at offset " +
                   std::to_string(p.blockStart) + "): the read at offset " +
                   std::to_string(source.lastReadAt) + " failed; the launcher ends with \"" +
                   blockStatusText(status) + "\"";
    return false;
  }
  report.blockRead = true;
  if (p.blockStart + 20 <= image.size())
    report.lengthField = static_cast<int64_t>(loadLe64(image.data() + p.blockStart + 12));
  report.blockEnd = source.position();
  noteRepeatedKeys(report);
  readEmbedded(image, report);
  readIdentity(image, report);
  return report.error.empty();
}

void printInspectText(const InspectReport& report, const std::string& file, std::ostream& out) {
  const PeBlockPosition& p = report.position;
  out << file << ": " << report.fileSize << " bytes\n";
  out << "block: offset " << p.blockStart << " (sections: " << p.sectionCount
      << ", last section raw data " << p.rawSize << " bytes at " << p.rawOffset << "), "
      << (report.blockEnd - p.blockStart) << " bytes, length field " << report.lengthField << "\n";
  if (report.blockRead) out << "template: " << printable(report.templateVersion) << "\n";
  std::map<int32_t, std::string> narrowMessages;
  out << "keys:\n";
  for (const auto& [key, value] : report.block.strings) {
    if (isMessageKey(key)) {
      narrowMessages[key] = value;
      continue;
    }
    out << "  " << std::left << std::setw(6) << key << std::setw(33) << keyName(key) << " "
        << printable(latin1ToUtf8(value)) << "\n";
  }
  out << "messages:\n";
  std::map<int32_t, std::u16string> wide;
  for (const auto& [key, text] : report.block.messages) wide[key] = text;
  for (const auto& [key, text] : report.block.messages)
    out << "  " << std::left << std::setw(6) << key << std::setw(33) << keyName(key) << " "
        << printable(utf16ToUtf8(text)) << "\n";
  for (const auto& [key, text] : narrowMessages) {
    std::u16string widened(text.begin(), text.end());
    for (auto& c : widened) c = static_cast<unsigned char>(c);
    if (wide.count(key) && wide[key] == widened) continue;
    out << "  " << std::left << std::setw(6) << key << std::setw(33) << keyName(key)
        << " (dialog text) " << printable(latin1ToUtf8(text)) << "\n";
  }
  out << "locale sections: " << report.block.sections.size() << "\n";
  for (const LocaleSection& s : report.block.sections) {
    out << "  [" << printable(latin1ToUtf8(s.tag)) << "] " << s.records.size() << " texts\n";
    for (const auto& [key, text] : s.records)
      out << "    " << std::left << std::setw(6) << key << std::setw(31) << keyName(key) << " "
          << printable(utf16ToUtf8(text)) << "\n";
  }
  out << "embedded files: " << report.embedded.size() << "\n";
  for (const EmbeddedEntry& e : report.embedded)
    out << "  " << std::left << std::setw(34) << printable(latin1ToUtf8(e.name)) << " " << e.size
        << " bytes\n";
  if (report.blockRead && report.error.empty())
    out << "trailer: " << (report.trailerFound ? "present" : "missing") << "\n";
  out << "resources: " << report.resources.size() << "\n";
  for (const pe::ResourceSummary& r : report.resources) printResourceText(r, out);
  out << "signed: " << signatureText(report.signature) << "\n";
  for (const std::string& n : report.notes) out << "note: " << n << "\n";
}

void printInspectJson(const InspectReport& report, const std::string& file, std::ostream& out) {
  JsonWriter json(out);
  json.beginObject();
  json.key("schema_version");
  json.value(static_cast<int64_t>(kInspectSchemaVersion));
  json.key("file");
  json.value(file);
  json.key("file_size");
  json.value(static_cast<int64_t>(report.fileSize));
  json.key("ok");
  json.value(report.error.empty());
  json.key("error");
  if (report.error.empty()) json.null(); else json.value(report.error);
  writeSignatureJson(report, json);
  writeResourcesJson(report, json);
  writeBlockJson(report, json);
  json.key("notes");
  json.beginArray();
  for (const std::string& n : report.notes) json.value(n);
  json.endArray();
  json.endObject();
  json.finish();
}

int runInspect(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
  std::vector<uint8_t> image;
  std::string why;
  if (!readWholeFile(path, image, why)) {
    err << "tessel inspect: cannot read " << path << ": " << why << "\n";
    return 1;
  }
  InspectReport report;
  bool ok = inspectImage(image, report);
  if (json) printInspectJson(report, path, out);
  else if (report.blockRead) printInspectText(report, path, out);
  if (!ok) err << "tessel inspect: " << path << ": " << report.error << "\n";
  return ok ? 0 : 1;
}

}  // namespace tessel

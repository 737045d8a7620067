#include "jar_manifest.h"

#include <cctype>
#include <vector>

#include "file_io.h"
#include "zip_reader.h"

namespace tessel {
namespace {

// Far beyond any real manifest; a larger claim is a damaged file.
constexpr size_t kMaxManifest = 1u << 20;
const char* const kManifestName = "META-INF/MANIFEST.MF";

}  // namespace

bool readJarManifest(const std::string& path, std::string& manifest, std::string& why) {
  jar::ZipSource zip;
  if (!jar::fileZip(toPath(path), zip, why)) {
    why = "cannot be read";
    return false;
  }
  std::vector<uint8_t> bytes;
  switch (jar::readZipEntry(zip, kManifestName, kMaxManifest, bytes, why)) {
    case jar::ZipStatus::Found:
      manifest.assign(bytes.begin(), bytes.end());
      return true;
    case jar::ZipStatus::NotFound:
      why = "holds no " + std::string(kManifestName);
      return false;
    default:
      why = "not a usable jar (zip) file: " + why;
      return false;
  }
}

std::string manifestAttribute(const std::string& manifest, const std::string& name) {
  // Lines end in CR LF, LF or CR; a line starting with one space continues the one before.
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < manifest.size()) {
    size_t end = manifest.find_first_of("\r\n", at);
    if (end == std::string::npos) end = manifest.size();
    std::string line = manifest.substr(at, end - at);
    if (line.empty()) break;  // the main section ends at the first blank line
    if (line[0] == ' ' && !lines.empty()) lines.back() += line.substr(1);
    else lines.push_back(line);
    at = end;
    if (at < manifest.size() && manifest[at] == '\r') ++at;
    if (at < manifest.size() && manifest[at] == '\n') ++at;
  }
  for (const std::string& line : lines) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < colon && same; ++i)
      same = std::tolower(static_cast<unsigned char>(line[i])) ==
             std::tolower(static_cast<unsigned char>(name[i]));
    if (!same) continue;
    std::string value = line.substr(colon + 1);
    const size_t first = value.find_first_not_of(' ');
    value = first == std::string::npos ? "" : value.substr(first);
    while (!value.empty() && value.back() == ' ') value.pop_back();
    return value;
  }
  return "";
}

}  // namespace tessel

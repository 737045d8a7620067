#include "identity_options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include "block_writer.h"
#include "identity_settings.h"
#include "nearest_name.h"
#include "splash_variants.h"

namespace tessel::pe {
namespace {

// A splash image of several screens is already far beyond what a launcher shows.
constexpr uint64_t kMaxImageBytes = 16ull * 1024 * 1024;

bool fail(OptionError& error, const toml::node& node, const std::string& setting,
          const std::string& message) {
  error = {node.source().begin.line, setting, message};
  return false;
}

bool readText(const toml::table& t, const char* key, const std::string& prefix, std::string& out,
              OptionError& error) {
  const toml::node* n = t.get(key);
  if (!n) return true;
  if (!n->is_string()) return fail(error, *n, prefix + key, "expected a string");
  out = n->as_string()->get();
  return true;
}

// Paths arrive as UTF-8 on every system; Windows needs them wide to open any name.
std::filesystem::path nativePath(const std::string& utf8) {
#ifdef _WIN32
  std::u16string wide;
  if (utf8ToUtf16(utf8, wide)) return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
#endif
  return std::filesystem::path(utf8);
}

std::string fromNative(const std::filesystem::path& path) {
#ifdef _WIN32
  const std::wstring wide = path.wstring();
  return utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
#else
  return path.string();
#endif
}

std::string resolve(const std::string& baseDir, const std::string& path) {
  if (path.empty() || baseDir.empty() || nativePath(path).is_absolute()) return path;
  return baseDir + "/" + path;
}

bool readFile(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
  std::ifstream in(nativePath(path), std::ios::binary | std::ios::ate);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  std::streamoff size = in.tellg();
  if (size < 0 || static_cast<uint64_t>(size) > kMaxImageBytes) {
    error = path + ": too large (" + std::to_string(size) + " bytes; images are limited to " +
            std::to_string(kMaxImageBytes / (1024 * 1024)) + " MB)";
    return false;
  }
  in.seekg(0);
  out.resize(static_cast<size_t>(size));
  if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), size)) {
    error = path + ": read failed";
    return false;
  }
  return true;
}

std::u16string utf16(const std::string& s) {
  std::u16string out;
  if (!utf8ToUtf16(s, out)) out.assign(s.begin(), s.end());
  return out;
}

// Refuses names a table does not know, suggesting the nearest known one.
bool checkNames(const toml::table& t, const std::string& section,
                const std::vector<std::string>& known, OptionError& error) {
  for (auto& [k, v] : t) {
    const std::string name(k.str());
    if (std::find(known.begin(), known.end(), name) != known.end()) continue;
    error = {k.source().begin.line, section + "." + name,
             "`" + name + "`: unknown setting in [" + section + "]" + didYouMean(name, known)};
    return false;
  }
  return true;
}

// A path setting, resolved against the project's directory, with the line it is on.
bool readPath(const toml::table& t, const char* key, const std::string& prefix,
              const std::string& baseDir, std::string& path, uint32_t* line, OptionError& error) {
  if (!readText(t, key, prefix, path, error)) return false;
  path = resolve(baseDir, path);
  if (line)
    if (const toml::node* n = t.get(key)) *line = n->source().begin.line;
  return true;
}

bool readVersion(const toml::table& v, VersionInfo& version, OptionError& error) {
  struct Field { const char* key; std::u16string* target; } fields[] = {
      {"company", &version.company},
      {"product_name", &version.productName},
      {"description", &version.description},
      {"copyright", &version.copyright},
      {"original_filename", &version.originalFilename},
      {"internal_name", &version.internalName},
  };
  if (!checkNames(v, "identity.version", tableSettingNames("identity.version"), error)) return false;
  for (const Field& f : fields) {
    std::string s;
    if (!readText(v, f.key, "identity.version.", s, error)) return false;
    *f.target = utf16(s);
  }
  std::string fileVersion, productVersion;
  if (!readText(v, "file_version", "identity.version.", fileVersion, error) ||
      !readText(v, "product_version", "identity.version.", productVersion, error))
    return false;
  const bool productGiven = !productVersion.empty();
  if (!productGiven) productVersion = fileVersion;
  const char* malformed = "expected up to four numbers 0-65535 separated by dots, not \"";
  if (!fileVersion.empty() && !parseVersion(fileVersion, version.fileVersion))
    return fail(error, *v.get("file_version"), "identity.version.file_version",
                malformed + fileVersion + "\"");
  if (!productVersion.empty() && !parseVersion(productVersion, version.productVersion))
    return fail(error, *v.get(productGiven ? "product_version" : "file_version"),
                "identity.version.product_version", malformed + productVersion + "\"");
  version.fileVersionText = utf16(fileVersion);
  version.productVersionText = utf16(productVersion);
  // Every block of a version resource states its length in 16 bits, the whole one included;
  // a longer text wraps it and Windows reads none of the strings.
  const size_t size = buildVersionResource(version).size();
  if (size > 0xFFFF) {
    const Field* longest = &fields[0];
    for (const Field& f : fields)
      if (f.target->size() > longest->target->size()) longest = &f;
    return fail(error, *v.get(longest->key), std::string("identity.version.") + longest->key,
                "the version texts make a resource of " + std::to_string(size) +
                    " bytes, more than the 65535 its lengths can state; this one has " +
                    std::to_string(longest->target->size()) + " characters");
  }
  return true;
}

bool readIdentityTable(const toml::table& t, const std::string& baseDir, IdentityOptions& identity,
                       OptionError& error) {
  std::vector<std::string> known = tableSettingNames("identity");
  known.push_back("version");
  if (!checkNames(t, "identity", known, error))
    return false;
  if (!readPath(t, "icon", "identity.", baseDir, identity.icon, &identity.iconLine, error) ||
      !readPath(t, "splash_bitmap", "identity.", baseDir, identity.splashBitmap,
                &identity.splashBitmapLine, error) ||
      !readPath(t, "runtime_splash_image", "identity.", baseDir, identity.runtimeSplashImage,
                &identity.runtimeSplashImageLine, error) ||
      !readText(t, "execution_level", "identity.", identity.executionLevel, error) ||
      !readText(t, "dpi_awareness", "identity.", identity.dpiAwareness, error) ||
      !readText(t, "app_user_model_id", "identity.", identity.appUserModelId, error))
    return false;
  if (const toml::node* id = t.get("app_user_model_id")) {
    std::string why;
    if (!checkAppUserModelId(identity.appUserModelId, why))
      return fail(error, *id, "identity.app_user_model_id", why);
  }
  identity.splashVariants = findScaledVariants(identity.splashBitmap);
  identity.runtimeSplashVariants = findScaledVariants(identity.runtimeSplashImage);
  if (const toml::node* u = t.get("utf8_code_page")) {
    if (!u->is_boolean()) return fail(error, *u, "identity.utf8_code_page", "expected true or false");
    identity.utf8CodePage = u->as_boolean()->get();
  }
  if (!identity.executionLevel.empty() || !identity.dpiAwareness.empty()) {
    std::string xml, why;
    const bool levelGiven = !identity.executionLevel.empty();
    if (!buildManifest(levelGiven ? identity.executionLevel : kDefaultExecutionLevel,
                       identity.dpiAwareness, identity.utf8CodePage, xml, why)) {
      const char* key = levelGiven && why.rfind("execution", 0) == 0 ? "execution_level" : "dpi_awareness";
      return fail(error, *t.get(key), std::string("identity.") + key, why);
    }
  }
  if (const toml::node* vn = t.get("version")) {
    if (!vn->is_table()) return fail(error, *vn, "identity.version", "expected a table");
    identity.hasVersion = true;
    if (!readVersion(*vn->as_table(), identity.version, error)) return false;
  }
  return true;
}

bool readSigningTable(const toml::node& n, const std::string& baseDir, SigningOptions& signing,
                      OptionError& error) {
  const toml::table& t = *n.as_table();
  if (!checkNames(t, "signing", tableSettingNames("signing"), error) ||
      !readPath(t, "certificate", "signing.", baseDir, signing.certificate, nullptr, error) ||
      !readPath(t, "key", "signing.", baseDir, signing.key, nullptr, error) ||
      !readPath(t, "pkcs12", "signing.", baseDir, signing.pkcs12, nullptr, error) ||
      !readText(t, "password", "signing.", signing.password, error) ||
      !readText(t, "timestamp_url", "signing.", signing.timestampUrl, error))
    return false;
  if (!signing.certificate.empty() && signing.key.empty())
    return fail(error, n, "signing", "a certificate needs its key");
  return true;
}

}  // namespace

bool checkAppUserModelId(const std::string& id, std::string& why) {
  // Windows takes at most 128 characters without blanks; a dotted name groups correctly.
  if (id.empty() || id.size() > 128) {
    why = "expected 1 to 128 characters, like \"Company.Product\"";
    return false;
  }
  for (unsigned char c : id)
    if (c <= ' ' || c >= 0x7F) {
      why = "\"" + id + "\": only letters, digits and punctuation of ASCII, no blanks";
      return false;
    }
  return true;
}

std::vector<std::pair<int32_t, std::string>> findScaledVariants(const std::string& plain) {
  std::vector<std::pair<int32_t, std::string>> found;
  if (plain.empty()) return found;
  const std::filesystem::path path = nativePath(plain);
  const std::string plainName = fromNative(path.filename());
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code failure;
  for (std::filesystem::directory_iterator it(folder, failure), end; !failure && it != end;
       it.increment(failure)) {
    const std::string name = fromNative(it->path().filename());
    const int32_t percent = splashVariantScale(plainName.c_str(), name.c_str());
    std::error_code notFile;
    if (percent == 0 || !it->is_regular_file(notFile)) continue;
    const std::string variant = plain.substr(0, plain.size() - plainName.size()) + name;
    // "@2x" and "@200pct" name the same scale: the first in name order is kept.
    auto same = std::find_if(found.begin(), found.end(),
                             [percent](const auto& v) { return v.first == percent; });
    if (same == found.end())
      found.emplace_back(percent, variant);
    else if (variant < same->second)
      same->second = variant;
  }
  std::sort(found.begin(), found.end());
  return found;
}

bool readIdentityOptions(const toml::table& project, const std::string& baseDir,
                         IdentityOptions& identity, SigningOptions& signing, OptionError& error) {
  if (const toml::node* n = project.get("identity")) {
    if (!n->is_table()) return fail(error, *n, "identity", "expected a table");
    if (!readIdentityTable(*n->as_table(), baseDir, identity, error)) return false;
  }
  if (const toml::node* n = project.get("signing")) {
    if (!n->is_table()) return fail(error, *n, "signing", "expected a table");
    if (!readSigningTable(*n, baseDir, signing, error)) return false;
  }
  return true;
}

namespace {

// Reads an image file, naming the setting and line it came from when it cannot.
bool readImageFile(const std::string& path, uint32_t line, const char* setting,
                   std::vector<uint8_t>& bytes, OptionError& error) {
  std::string why;
  if (readFile(path, bytes, why)) return true;
  error = {line, std::string("identity.") + setting, why};
  return false;
}

// An .ico or .png file's images; false with the file and the reason in `error`.
bool readIconImages(const std::string& path, uint32_t line, const std::string& setting,
                    std::vector<IconImage>& icons, OptionError& error) {
  std::vector<uint8_t> bytes;
  std::string why;
  if (!readFile(path, bytes, why)) {
    error = {line, setting, why};
    return false;
  }
  // Windows reads a PNG stored as the only image of an icon, so a .png serves as it is.
  const bool parsed = isPng(bytes) ? iconFromPng(bytes, icons, why) : parseIco(bytes, icons, why);
  if (!parsed) {
    error = {line, setting, path + ": " + why};
    return false;
  }
  return true;
}

bool putIcon(std::vector<Resource>& resources, const IdentityOptions& options, OptionError& error) {
  std::vector<IconImage> icons;
  if (!readIconImages(options.icon, options.iconLine, "identity.icon", icons, error)) return false;
  // The executable's own icon is the first icon group; the splash window uses the named one.
  putIconGroup(resources, ResourceId::number(1), icons);
  shareIconGroup(resources, ResourceId::named("ID_SPLASH_ICON"), ResourceId::number(1));
  return true;
}

bool putSplashBitmap(std::vector<Resource>& resources, const IdentityOptions& options,
                     int32_t& width, int32_t& height, OptionError& error) {
  std::vector<uint8_t> bytes, dib;
  BitmapInfo info;
  std::string why;
  if (!readImageFile(options.splashBitmap, options.splashBitmapLine, "splash_bitmap", bytes, error))
    return false;
  if (!parseBmp(bytes, info, dib, why)) {
    error = {options.splashBitmapLine, "identity.splash_bitmap", options.splashBitmap + ": " + why};
    return false;
  }
  putResource(resources, Resource{ResourceId::number(kRtBitmap), ResourceId::number(kSplashImageId),
                                  0x0409, 0, std::move(dib)});
  width = info.width;
  height = info.height;
  for (const auto& [percent, path] : options.splashVariants) {
    if (!readImageFile(path, options.splashBitmapLine, "splash_bitmap", bytes, error)) return false;
    if (!parseBmp(bytes, info, dib, why)) {
      error = {options.splashBitmapLine, "identity.splash_bitmap", path + ": " + why};
      return false;
    }
    putResource(resources, Resource{ResourceId::number(kRtBitmap),
                                    ResourceId::number(splashVariantId(percent)), 0x0409, 0,
                                    std::move(dib)});
  }
  return true;
}

bool putRuntimeSplashImage(std::vector<Resource>& resources, const IdentityOptions& options,
                           OptionError& error) {
  std::vector<uint8_t> bytes;
  if (!readImageFile(options.runtimeSplashImage, options.runtimeSplashImageLine,
                     "runtime_splash_image", bytes, error))
    return false;
  int32_t w = 0, h = 0;
  if (!imageSize(bytes, w, h)) {
    error = {options.runtimeSplashImageLine, "identity.runtime_splash_image",
             options.runtimeSplashImage + ": not a PNG, GIF or BMP image"};
    return false;
  }
  std::string why;
  if (isPng(bytes) && !checkPngChunks(bytes.data(), bytes.size(), why)) {
    error = {options.runtimeSplashImageLine, "identity.runtime_splash_image",
             options.runtimeSplashImage + ": " + why};
    return false;
  }
  putResource(resources, Resource{ResourceId::number(kRtRcData), ResourceId::number(kSplashImageId),
                                  0x0409, 0, bytes});
  for (const auto& [percent, path] : options.runtimeSplashVariants) {
    if (!readImageFile(path, options.runtimeSplashImageLine, "runtime_splash_image", bytes, error))
      return false;
    if (!imageSize(bytes, w, h) || (isPng(bytes) && !checkPngChunks(bytes.data(), bytes.size(), why))) {
      error = {options.runtimeSplashImageLine, "identity.runtime_splash_image",
               path + ": " + (why.empty() ? std::string("not a PNG, GIF or BMP image") : why)};
      return false;
    }
    putResource(resources, Resource{ResourceId::number(kRtRcData),
                                    ResourceId::number(splashVariantId(percent)), 0x0409, 0, bytes});
  }
  return true;
}

bool putManifest(std::vector<Resource>& resources, const IdentityOptions& options,
                 OptionError& error) {
  const std::string level =
      options.executionLevel.empty() ? kDefaultExecutionLevel : options.executionLevel;
  const ResourceId type = ResourceId::number(kRtManifest);
  if (options.dpiAwareness.empty() && !options.utf8CodePage) {
    // Only the level changes: the template's own manifest keeps everything else it says.
    for (Resource& r : resources) {
      if (!(r.type == type)) continue;
      std::string xml(r.data.begin(), r.data.end());
      if (!setManifestLevel(xml, level)) break;
      r.data.assign(xml.begin(), xml.end());
      return true;
    }
  }
  std::string xml;
  if (!buildManifest(level, options.dpiAwareness, options.utf8CodePage, xml, error.message))
    return false;
  removeResources(resources, kRtManifest);
  putResource(resources, Resource{type, ResourceId::number(1), 0x0409, 0,
                                  std::vector<uint8_t>(xml.begin(), xml.end())});
  return true;
}

}  // namespace

bool applyIdentity(Image& image, const IdentityOptions& options, int32_t& splashWidth,
                   int32_t& splashHeight, OptionError& error) {
  splashWidth = splashHeight = 0;
  error = OptionError();
  std::vector<Resource> resources;
  if (!readResources(image, resources, error.message)) {
    error.message = "template resources: " + error.message;
    return false;
  }
  if (!options.icon.empty() && !putIcon(resources, options, error)) return false;
  for (const IdentityOptions::ExtraIcon& extra : options.extraIcons) {
    std::vector<IconImage> icons;
    if (!readIconImages(extra.path, extra.line, extra.setting, icons, error)) return false;
    putIconGroup(resources, ResourceId::number(static_cast<uint16_t>(extra.groupId)), icons);
  }
  if (!options.splashBitmap.empty() &&
      !putSplashBitmap(resources, options, splashWidth, splashHeight, error))
    return false;
  if (!options.runtimeSplashImage.empty() && !putRuntimeSplashImage(resources, options, error))
    return false;
  if ((!options.executionLevel.empty() || !options.dpiAwareness.empty() || options.utf8CodePage) &&
      !putManifest(resources, options, error))
    return false;
  if (options.hasVersion) {
    removeResources(resources, kRtVersion);
    putResource(resources, Resource{ResourceId::number(kRtVersion), ResourceId::number(1), 0x0409,
                                    0, buildVersionResource(options.version)});
  }
  if (!writeResources(image, resources, error.message)) {
    error.message = "the launcher template: " + error.message;
    return false;
  }
  return true;
}

std::string templateExecutionLevel(const Image& image) {
  std::vector<Resource> resources;
  std::string why, level;
  if (!readResources(image, resources, why)) return "";
  for (const Resource& r : resources)
    if (!r.type.isName && r.type.id == kRtManifest &&
        manifestLevel(std::string(r.data.begin(), r.data.end()), level))
      return level;
  return "";
}

namespace {

std::string elementText(const std::string& xml, const char* tag) {
  const size_t at = xml.find(tag);
  const size_t open = at == std::string::npos ? at : xml.find('>', at);
  const size_t close = open == std::string::npos ? open : xml.find('<', open);
  return close == std::string::npos ? "" : xml.substr(open + 1, close - open - 1);
}

}  // namespace

std::vector<ResourceSummary> summarizeResources(const std::vector<Resource>& resources) {
  std::vector<ResourceSummary> out;
  for (const Resource& r : resources) {
    ResourceSummary summary;
    summary.typeId = r.type.isName ? -1 : r.type.id;
    if (!r.type.isName) {
      switch (r.type.id) {
        case kRtIcon: summary.type = "icon"; break;
        case kRtBitmap: summary.type = "bitmap"; break;
        case kRtRcData: summary.type = "rcdata"; break;
        case kRtGroupIcon: summary.type = "icon group"; break;
        case kRtVersion: summary.type = "version"; break;
        case kRtManifest: summary.type = "manifest"; break;
        default: summary.type = "type " + std::to_string(r.type.id);
      }
    } else {
      summary.type = utf16ToUtf8(r.type.name);
    }
    summary.name = r.name.isName ? utf16ToUtf8(r.name.name) : std::to_string(r.name.id);
    summary.language = r.language;
    summary.size = r.data.size();
    if (summary.typeId == kRtVersion) summary.versionStrings = readVersionStrings(r.data);
    if (summary.typeId == kRtManifest) {
      const std::string xml(r.data.begin(), r.data.end());
      manifestLevel(xml, summary.executionLevel);
      const size_t tag = xml.find("<dpiAware");
      const size_t open = tag == std::string::npos ? tag : xml.find('>', tag);
      const size_t close = open == std::string::npos ? open : xml.find('<', open);
      if (close != std::string::npos) summary.dpiAware = xml.substr(open + 1, close - open - 1);
      summary.dpiAwareness = elementText(xml, "<dpiAwareness");
      summary.supportedOs = supportedOsNames(xml);
    }
    if ((summary.typeId == kRtBitmap || summary.typeId == kRtRcData) && !r.name.isName)
      summary.splashScale = splashVariantPercent(static_cast<int32_t>(r.name.id));
    out.push_back(std::move(summary));
  }
  return out;
}

}  // namespace tessel::pe

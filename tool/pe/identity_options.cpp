#include "identity_options.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#ifdef _WIN32
#include <process.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "block_writer.h"

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

}  // namespace

bool readIdentityOptions(const toml::table& project, const std::string& baseDir,
                         IdentityOptions& identity, SigningOptions& signing, OptionError& error) {
  if (const toml::node* n = project.get("identity")) {
    if (!n->is_table())
      return fail(error, *n, "identity", "expected a table");
    const toml::table& t = *n->as_table();
    for (auto& [k, v] : t) {
      static const char* known[] = {"icon", "splash_bitmap", "runtime_splash_image",
                                    "execution_level", "dpi_awareness", "version"};
      bool ok = false;
      for (const char* name : known) ok = ok || k.str() == name;
      if (!ok)
        return fail(error, v, "identity." + std::string(k.str()), "unknown setting");
    }
    if (!readText(t, "icon", "identity.", identity.icon, error) ||
        !readText(t, "splash_bitmap", "identity.", identity.splashBitmap, error) ||
        !readText(t, "runtime_splash_image", "identity.", identity.runtimeSplashImage, error) ||
        !readText(t, "execution_level", "identity.", identity.executionLevel, error) ||
        !readText(t, "dpi_awareness", "identity.", identity.dpiAwareness, error))
      return false;
    identity.icon = resolve(baseDir, identity.icon);
    identity.splashBitmap = resolve(baseDir, identity.splashBitmap);
    identity.runtimeSplashImage = resolve(baseDir, identity.runtimeSplashImage);
    if (!identity.executionLevel.empty() || !identity.dpiAwareness.empty()) {
      std::string xml, why;
      if (!buildManifest(identity.executionLevel.empty() ? "highestAvailable" : identity.executionLevel,
                         identity.dpiAwareness, xml, why)) {
        error = {0, "identity", why};
        return false;
      }
    }
    if (const toml::node* vn = t.get("version")) {
      if (!vn->is_table())
        return fail(error, *vn, "identity.version", "expected a table");
      const toml::table& v = *vn->as_table();
      identity.hasVersion = true;
      std::string fileVersion, productVersion, s;
      struct Field { const char* key; std::u16string* target; } fields[] = {
          {"company", &identity.version.company},
          {"product_name", &identity.version.productName},
          {"description", &identity.version.description},
          {"copyright", &identity.version.copyright},
          {"original_filename", &identity.version.originalFilename},
          {"internal_name", &identity.version.internalName},
      };
      for (auto& [k, node] : v) {
        bool ok = k.str() == "file_version" || k.str() == "product_version";
        for (const Field& f : fields) ok = ok || k.str() == f.key;
        if (!ok)
          return fail(error, node, "identity.version." + std::string(k.str()), "unknown setting");
      }
      for (const Field& f : fields) {
        s.clear();
        if (!readText(v, f.key, "identity.version.", s, error)) return false;
        *f.target = utf16(s);
      }
      if (!readText(v, "file_version", "identity.version.", fileVersion, error) ||
          !readText(v, "product_version", "identity.version.", productVersion, error))
        return false;
      if (productVersion.empty()) productVersion = fileVersion;
      if (!fileVersion.empty() && !parseVersion(fileVersion, identity.version.fileVersion))
        return fail(error, *v.get("file_version"), "identity.version.file_version",
                    "expected up to four numbers 0-65535 separated by dots, not \"" + fileVersion + "\"");
      if (!productVersion.empty() && !parseVersion(productVersion, identity.version.productVersion))
        return fail(error, *v.get("product_version"), "identity.version.product_version",
                    "expected up to four numbers 0-65535 separated by dots, not \"" + productVersion + "\"");
      identity.version.fileVersionText = utf16(fileVersion);
      identity.version.productVersionText = utf16(productVersion);
    }
  }
  if (const toml::node* n = project.get("signing")) {
    if (!n->is_table())
      return fail(error, *n, "signing", "expected a table");
    const toml::table& t = *n->as_table();
    if (!readText(t, "certificate", "signing.", signing.certificate, error) ||
        !readText(t, "key", "signing.", signing.key, error) ||
        !readText(t, "pkcs12", "signing.", signing.pkcs12, error) ||
        !readText(t, "password", "signing.", signing.password, error) ||
        !readText(t, "timestamp_url", "signing.", signing.timestampUrl, error))
      return false;
    signing.certificate = resolve(baseDir, signing.certificate);
    signing.key = resolve(baseDir, signing.key);
    signing.pkcs12 = resolve(baseDir, signing.pkcs12);
    if (!signing.certificate.empty() && signing.key.empty())
      return fail(error, *n, "signing", "a certificate needs its key");
  }
  return true;
}

bool applyIdentity(Image& image, const IdentityOptions& options, int32_t& splashWidth,
                   int32_t& splashHeight, std::string& error) {
  splashWidth = splashHeight = 0;
  std::vector<Resource> resources;
  if (!readResources(image, resources, error)) {
    error = "template resources: " + error;
    return false;
  }
  std::vector<uint8_t> bytes;
  if (!options.icon.empty()) {
    std::vector<IconImage> icons;
    std::string why;
    if (!readFile(options.icon, bytes, error)) return false;
    if (!parseIco(bytes, icons, why)) {
      error = options.icon + ": " + why;
      return false;
    }
    // The executable's own icon is the first icon group; the splash window uses the named one.
    putIconGroup(resources, ResourceId::number(1), icons);
    shareIconGroup(resources, ResourceId::named("ID_SPLASH_ICON"), ResourceId::number(1));
  }
  if (!options.splashBitmap.empty()) {
    BitmapInfo info;
    std::vector<uint8_t> dib;
    std::string why;
    if (!readFile(options.splashBitmap, bytes, error)) return false;
    if (!parseBmp(bytes, info, dib, why)) {
      error = options.splashBitmap + ": " + why;
      return false;
    }
    putResource(resources, Resource{ResourceId::number(kRtBitmap), ResourceId::number(10000),
                                    0x0409, 0, std::move(dib)});
    splashWidth = info.width;
    splashHeight = info.height;
  }
  if (!options.runtimeSplashImage.empty()) {
    if (!readFile(options.runtimeSplashImage, bytes, error)) return false;
    int32_t w = 0, h = 0;
    if (!imageSize(bytes, w, h)) {
      error = options.runtimeSplashImage + ": not a PNG, GIF or BMP image";
      return false;
    }
    putResource(resources, Resource{ResourceId::number(kRtRcData), ResourceId::number(10000),
                                    0x0409, 0, bytes});
  }
  if (!options.executionLevel.empty() || !options.dpiAwareness.empty()) {
    std::string xml;
    if (!buildManifest(options.executionLevel.empty() ? "highestAvailable" : options.executionLevel,
                       options.dpiAwareness, xml, error))
      return false;
    removeResources(resources, kRtManifest);
    putResource(resources, Resource{ResourceId::number(kRtManifest), ResourceId::number(1), 0x0409,
                                    0, std::vector<uint8_t>(xml.begin(), xml.end())});
  }
  if (options.hasVersion) {
    removeResources(resources, kRtVersion);
    putResource(resources, Resource{ResourceId::number(kRtVersion), ResourceId::number(1), 0x0409,
                                    0, buildVersionResource(options.version)});
  }
  if (!writeResources(image, resources, error)) {
    error = "the launcher template: " + error;
    return false;
  }
  return true;
}

bool isSigned(const Image& image) {
  uint32_t rva = 0, size = 0;
  return dataDirectory(image, kSecurityDirectory, rva, size) && rva != 0 && size != 0;
}

namespace {

#ifdef _WIN32
// One argument in the quoting the C runtime's command-line parser undoes.
std::wstring quoteArgument(const std::wstring& arg) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}
#endif

int runProgram(const std::vector<std::string>& args) {
#ifdef _WIN32
  std::vector<std::wstring> quoted;
  for (const std::string& a : args) quoted.push_back(quoteArgument(nativePath(a).wstring()));
  std::vector<const wchar_t*> argv;
  for (const std::wstring& a : quoted) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  return static_cast<int>(_wspawnvp(_P_WAIT, L"osslsigncode", argv.data()));
#else
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int devnull = open("/dev/null", O_WRONLY);
    if (devnull >= 0) dup2(devnull, 1);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

void removeQuietly(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(nativePath(path), ignored);
}

// The password goes to osslsigncode in a file only the user can read, not on its command
// line where every process list shows it.
bool writePasswordFile(const std::string& path, const std::string& password) {
#ifdef _WIN32
  std::ofstream out(nativePath(path), std::ios::binary | std::ios::trunc);
#else
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  ::close(fd);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
#endif
  out << password;
  return static_cast<bool>(out.flush());
}

}  // namespace

bool signExecutable(const std::string& path, const SigningOptions& options, std::string& error) {
  const std::string unsignedCopy = path + ".unsigned";
  const std::string passwordFile = path + ".pass";
  std::error_code ec;
  std::filesystem::rename(nativePath(path), nativePath(unsignedCopy), ec);
  if (ec) {
    error = path + ": cannot prepare for signing: " + ec.message();
    return false;
  }
  std::vector<std::string> args = {"osslsigncode", "sign"};
  if (!options.pkcs12.empty()) {
    args.insert(args.end(), {"-pkcs12", options.pkcs12});
  } else {
    args.insert(args.end(), {"-certs", options.certificate, "-key", options.key});
  }
  if (!options.password.empty()) {
    if (!writePasswordFile(passwordFile, options.password)) {
      removeQuietly(passwordFile);
      removeQuietly(unsignedCopy);
      error = passwordFile + ": cannot hand the password to osslsigncode";
      return false;
    }
    args.insert(args.end(), {"-readpass", passwordFile});
  }
  if (!options.timestampUrl.empty()) args.insert(args.end(), {"-t", options.timestampUrl});
  args.insert(args.end(), {"-h", "sha256", "-in", unsignedCopy, "-out", path});
  const int rc = runProgram(args);
  removeQuietly(passwordFile);
  removeQuietly(unsignedCopy);
  if (rc != 0) {
    removeQuietly(path);
    error = rc == 127 || rc == -1 ? "signing needs osslsigncode on the PATH"
                                  : "osslsigncode failed (exit code " + std::to_string(rc) +
                                        "); check the certificate, key and password";
    return false;
  }
  return true;
}

std::vector<std::string> describeResources(const std::vector<Resource>& resources) {
  std::vector<std::string> lines;
  for (const Resource& r : resources) {
    std::string type;
    if (!r.type.isName) {
      switch (r.type.id) {
        case kRtIcon: type = "icon"; break;
        case kRtBitmap: type = "bitmap"; break;
        case kRtRcData: type = "rcdata"; break;
        case kRtGroupIcon: type = "icon group"; break;
        case kRtVersion: type = "version"; break;
        case kRtManifest: type = "manifest"; break;
        default: type = "type " + std::to_string(r.type.id);
      }
    } else {
      type = r.type.text();
    }
    std::string line = type + " " + r.name.text() + " (" + std::to_string(r.data.size()) + " bytes)";
    if (!r.type.isName && r.type.id == kRtVersion)
      for (auto& kv : readVersionStrings(r.data)) line += "\n    " + kv.first + ": " + kv.second;
    if (!r.type.isName && r.type.id == kRtManifest) {
      std::string xml(r.data.begin(), r.data.end());
      size_t p = xml.find("level=\"");
      if (p != std::string::npos) line += ", execution level " + xml.substr(p + 7, xml.find('"', p + 7) - p - 7);
      p = xml.find("<dpiAware");
      if (p != std::string::npos) {
        size_t v = xml.find('>', p) + 1;
        line += ", dpiAware " + xml.substr(v, xml.find('<', v) - v);
      }
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace tessel::pe

#include "build_command.h"

#include <filesystem>

#include "block_writer.h"
#include <cstdlib>
#include "byte_order.h"
#include "config_keys.h"
#include "file_io.h"
#include "installation.h"
#include "product_version.h"
#include "main_jar.h"
#include "main_module.h"
#include "pe/identity_options.h"
#include "pe/signing.h"
#include "project_defaults.h"
#include "runtime_library.h"
#include "template_image.h"

namespace tessel {
namespace {

// The launcher keeps file offsets in 32 bits and reads below 2 GB.
constexpr uint64_t kMaxOutputSize = 0x7FFFFFFFu;

bool samePath(const std::string& a, const std::string& b) {
  std::error_code failure;
  return std::filesystem::equivalent(toPath(a), toPath(b), failure) && !failure;
}

void mergeSigning(pe::SigningOptions& into, const pe::SigningOptions& from) {
  if (!from.pkcs12.empty()) {
    into.pkcs12 = from.pkcs12;
    into.certificate.clear();
    into.key.clear();
  }
  if (!from.certificate.empty()) {
    into.certificate = from.certificate;
    into.pkcs12.clear();
  }
  if (!from.key.empty()) into.key = from.key;
  if (!from.password.empty()) into.password = from.password;
  if (!from.timestampUrl.empty()) into.timestampUrl = from.timestampUrl;
}

}  // namespace

bool applyProjectIdentity(Project& project, pe::Image& image, std::string& why) {
  if (!project.identity.any()) return true;
  int32_t width = 0, height = 0;
  pe::OptionError error;
  if (!pe::applyIdentity(image, project.identity, width, height, error)) {
    why = error.setting.empty()
              ? error.message
              : formatProjectError({project.path, error.line, error.setting, error.message});
    return false;
  }
  if (width > 0 && height > 0) {
    setKeyUnlessSet(project.block, key::SplashWidth, std::to_string(width));
    setKeyUnlessSet(project.block, key::SplashHeight, std::to_string(height));
  }
  return true;
}

bool assembleAppendix(const Project& project, uint64_t templateSize, std::vector<uint8_t>& block,
                      std::vector<uint8_t>& records, std::vector<uint8_t>& trailer,
                      std::string& why) {
  records.clear();
  for (const EmbeddedSource& file : project.embedded) {
    std::vector<uint8_t> content;
    std::string reason;
    if (!readWholeFile(file.sourcePath, content, reason)) {
      why = project.path + ":" + std::to_string(file.line) + ": cannot read embedded file " +
            file.sourcePath + ": " + reason;
      return false;
    }
    if (templateSize + records.size() + content.size() > kMaxOutputSize) {
      why = "the executable would exceed 2 GB, beyond the launcher's file offsets";
      return false;
    }
    appendEmbeddedRecord(records, content);
  }
  block = serializeBlock(project.block, records.size());
  const uint64_t before = templateSize + block.size() + records.size();
  trailer = trailerBytes(before);
  if (before + trailer.size() > kMaxOutputSize) {
    why = "the executable would exceed 2 GB, beyond the launcher's file offsets";
    return false;
  }
  return true;
}

namespace {

// What the steps of a build hand on to each other.
struct Build {
  Project project;
  std::string templatePath;
  std::vector<uint8_t> image;
  pe::Image pe;
  bool isPe = false;
  std::string peWhy;
  pe::SigningOptions signing;
  std::string signingTool;  // the osslsigncode that signs, when signing
  std::vector<AppliedDefault> defaults;
  std::vector<uint8_t> block, records, trailer;
};

bool fail(std::ostream& err, const std::string& why) {
  err << "tessel build: " << why << "\n";
  return false;
}

bool checkOutputDirectory(const std::string& output, std::ostream& err) {
  const std::filesystem::path parent = toPath(output).parent_path();
  if (parent.empty()) return true;
  std::error_code failure;
  if (std::filesystem::is_directory(parent, failure)) return true;
  // A missing directory is made just before writing; a file in its place is a mistake.
  for (std::filesystem::path p = parent; !p.empty(); p = p.parent_path()) {
    if (std::filesystem::is_directory(p, failure)) break;
    if (std::filesystem::exists(p, failure))
      return fail(err, "cannot write " + output + ": " + fromPath(p) + " is not a directory");
    if (p == p.parent_path()) break;
  }
  return true;
}

bool makeOutputDirectory(const std::string& output, std::ostream& err) {
  const std::filesystem::path parent = toPath(output).parent_path();
  std::error_code failure;
  if (parent.empty() || std::filesystem::is_directory(parent, failure)) return true;
  if (std::filesystem::create_directories(parent, failure)) return true;
  return fail(err, "cannot create the directory " + fromPath(parent) + " for " + output + ": " +
                       failure.message());
}

// Refuses an executable whose every start would end with ClassNotFoundException; warns where
// the build cannot see the class path the launcher will have.
bool checkRuntimeLibrary(const Project& project, const std::string& output, std::ostream& err) {
  std::string unseen;
  const RuntimeLibraryState state = findRuntimeLibrary(project, output, unseen);
  if (state == RuntimeLibraryState::Present) return true;
  const std::string remedy = std::string("add runtime_library = \"embed\" to [java] (this tool embeds its own ") +
                             kRuntimeLibraryName + ")";
  if (state == RuntimeLibraryState::Missing) {
    err << project.path << ": neither the embedded files nor the class path hold " << kRuntimeLibraryName
        << ", so the launcher's class com.tessel.runtime.WinLauncher would not be found at any start; "
        << remedy << ", or runtime_library = \"external\" when the installation adds it with a "
        << "-classpath line of a .vmoptions file\ntessel build: 1 error, nothing written\n";
    return false;
  }
  // Not refused: a -classpath line that only the installation writes can still supply it.
  if (state == RuntimeLibraryState::NoClassPath) {
    err << "warning: " << project.path << ": the project names no class path (no class_path, "
        << "module_path or main_jar, no jar embedded at the top or in user\\) and embeds no "
        << kRuntimeLibraryName << ", so the launcher's class com.tessel.runtime.WinLauncher is "
        << "found only where a -classpath line adds it (APP.vmoptions beside the executable, the "
        << "user_vmoptions file or vm_parameters); without one every start ends with "
        << "ClassNotFoundException; " << remedy
        << ", or runtime_library = \"external\" when the installation supplies it so\n";
    return true;
  }
  err << "warning: no " << kRuntimeLibraryName << " among the embedded files, and the class-path entry "
      << unseen << " cannot be checked before installation; unless the installed application "
      << "supplies it, the launcher's class com.tessel.runtime.WinLauncher is not found; " << remedy
      << ", or runtime_library = \"external\" when it is supplied\n";
  return true;
}

bool readProject(const BuildOptions& options, Build& b, std::ostream& err) {
  std::vector<ProjectError> errors;
  if (!loadProject(options.projectPath, b.project, errors)) {
    for (const ProjectError& e : errors) err << formatProjectError(e) << "\n";
    err << "tessel build: " << errors.size() << (errors.size() == 1 ? " error" : " errors")
        << ", nothing written\n";
    return false;
  }
  // Keys the tool derives from the application's jars, read where the launcher finds them.
  std::string why;
  if (!applyMainJar(b.project, options.outputPath, why)) {
    err << why << "\n" << "tessel build: 1 error, nothing written\n";
    return false;
  }
  applyMainModule(b.project, options.outputPath);
  for (const std::string& w : b.project.warnings) err << "warning: " << w << "\n";
  applyBlockDefaults(b.project.block, b.defaults);
  return true;
}

// The block names the template it was appended to, so that inspect can tell which launcher
// an executable carries; a template of another release still works but deserves a word.
void recordTemplateVersion(BlockContents& block, const std::string& version,
                           const std::string& templatePath, std::ostream& err) {
  const std::string shown = version.empty() ? "unknown" : version;
  if (shown != TESSEL_VERSION)
    err << "warning: the launcher template " << templatePath << " is version " << shown
        << ", this tool is version " << TESSEL_VERSION << "\n";
  putBlockString(block, key::TemplateVersion, shown);
}

std::string templatePathOf(const BuildOptions& options) {
  return options.templatePath.empty() ? installedFile("launcher.exe")
                                      : options.templatePath;
}

bool readTemplate(Build& b, std::ostream& err) {
  std::string why;
  if (!readWholeFile(b.templatePath, b.image, why))
    return fail(err, "cannot read the launcher template " + b.templatePath + ": " + why);
  // One PE view of the template serves the signature check, the identity and the checksum;
  // a template it cannot follow still takes a block, just none of those.
  b.isPe = pe::parseImage(b.image, b.pe, b.peWhy);
  if (b.isPe && pe::isSigned(b.pe))
    return fail(err, "the launcher template " + b.templatePath +
                         " is signed; sign the finished application instead ([signing] or --sign-*)");
  if (!checkTemplate(b.image, why))
    return fail(err, "unusable launcher template " + b.templatePath + ": " + why);
  recordTemplateVersion(b.project.block, b.isPe ? templateVersion(b.pe) : "", b.templatePath, err);
  return true;
}

// The width and height of the template's own splash picture (bitmap 10000); false when the
// template has none that can be read.
bool templateSplashSize(const pe::Image& image, int32_t& width, int32_t& height) {
  std::vector<pe::Resource> resources;
  std::string why;
  if (!pe::readResources(image, resources, why)) return false;
  const pe::Resource* bitmap = pe::findResource(resources, pe::ResourceId::number(pe::kRtBitmap),
                                                pe::ResourceId::number(10000));
  if (!bitmap || bitmap->data.size() < 12) return false;
  width = static_cast<int32_t>(loadLe32(&bitmap->data[4]));
  height = static_cast<int32_t>(loadLe32(&bitmap->data[8]));
  if (height < 0) height = -height;  // a top-down bitmap
  return width > 0 && height > 0;
}

// The native splash window is as large as the configured size; without one it shows nothing.
bool completeSplashSize(Build& b, std::ostream& err) {
  BlockContents& block = b.project.block;
  auto flag = [&block](int32_t key) {
    const std::string* v = findBlockString(block, key);
    return v ? std::atoi(v->c_str()) : 0;
  };
  if (!flag(key::SplashScreen) || flag(key::RuntimeSplash)) return true;
  const auto origin = b.project.origins.find(key::SplashScreen);
  const std::string where =
      origin == b.project.origins.end()
          ? b.project.path + ": "
          : formatProjectError({b.project.path, origin->second.first, origin->second.second, ""});
  const bool hasWidth = blockHasKey(block, key::SplashWidth);
  const bool hasHeight = blockHasKey(block, key::SplashHeight);
  if (hasWidth && hasHeight) {
    if (flag(key::SplashWidth) > 0 && flag(key::SplashHeight) > 0) return true;
    return fail(err, where + "[splash] width and height must both be positive to show the splash");
  }
  if (!b.project.identity.splashBitmap.empty()) return true;  // its size is filled in with it
  int32_t width = 0, height = 0;
  if (!b.isPe || !templateSplashSize(b.pe, width, height))
    return fail(err, where + "the launcher template " + b.templatePath +
                         " has no splash picture to take the size from; give [identity] "
                         "splash_bitmap or [splash] width and height");
  if (setKeyUnlessSet(block, key::SplashWidth, std::to_string(width)) |
      setKeyUnlessSet(block, key::SplashHeight, std::to_string(height)))
    b.defaults.push_back({"[splash] width/height", std::to_string(width) + " x " + std::to_string(height),
                          "the size of the template's splash picture"});
  return true;
}

// An application that names no execution level runs as its user, whatever the template asks.
void defaultExecutionLevel(Build& b) {
  pe::IdentityOptions& identity = b.project.identity;
  if (!identity.executionLevel.empty() || !b.isPe) return;
  const std::string level = pe::templateExecutionLevel(b.pe);
  if (level.empty() || level == pe::kDefaultExecutionLevel) return;
  identity.executionLevel = pe::kDefaultExecutionLevel;
  b.defaults.push_back({"[identity] execution_level", std::string("\"") + pe::kDefaultExecutionLevel + "\"",
                        "no elevation prompt (the template asks for " + level + ")"});
}

// A GUI application is sharp at every display scale unless the project says otherwise.
void defaultDpiAwareness(Build& b) {
  pe::IdentityOptions& identity = b.project.identity;
  // A template without a manifest of its own gets none: it cannot be a Windows launcher.
  if (!identity.dpiAwareness.empty() || !b.isPe || pe::templateExecutionLevel(b.pe).empty()) return;
  for (const auto& [key, value] : b.project.block.strings)
    if (key == key::ExecutableType && value != "1") return;
  identity.dpiAwareness = pe::kDefaultDpiAwareness;
  b.defaults.push_back({"[identity] dpi_awareness", std::string("\"") + pe::kDefaultDpiAwareness + "\"",
                        "sharp at every display scale (per monitor, with the older modes as fallbacks)"});
}

bool writeIdentity(Build& b, std::ostream& err) {
  defaultExecutionLevel(b);
  defaultDpiAwareness(b);
  if (!b.project.identity.any()) return true;
  if (!b.isPe) return fail(err, "the launcher template " + b.templatePath + ": " + b.peWhy);
  std::string why;
  if (!applyProjectIdentity(b.project, b.pe, why)) {
    // Errors about the template itself say "the launcher template"; name which one.
    const std::string generic = "the launcher template";
    if (why.compare(0, generic.size(), generic) == 0) why.insert(generic.size(), " " + b.templatePath);
    return fail(err, why);
  }
  b.image = std::move(b.pe.bytes);
  return true;
}

bool resolveSigning(const BuildOptions& options, Build& b, std::ostream& err) {
  b.signing = b.project.signing;
  mergeSigning(b.signing, options.signing);
  if (b.signing.any() && b.signing.password.empty())
    if (const char* p = std::getenv("TESSEL_SIGN_PASSWORD")) b.signing.password = p;
  if (!b.signing.key.empty() && b.signing.certificate.empty())
    return fail(err, "a signing key needs its certificate (certificate = or --sign-cert)");
  if (!b.signing.certificate.empty() && b.signing.key.empty())
    return fail(err, "the signing certificate needs its private key (key = or --sign-key)");
  return true;
}

// Replacing an input by the output would lose it, under whatever name or link it is given.
bool refuseOverwritingInputs(const BuildOptions& options, const Build& b, std::ostream& err) {
  const pe::IdentityOptions& identity = b.project.identity;
  std::vector<std::pair<std::string, std::string>> inputs = {
      {b.templatePath, "the template"},
      {options.projectPath, "the project file"},
      {identity.icon, "the icon"},
      {identity.splashBitmap, "the splash bitmap"},
      {identity.runtimeSplashImage, "the runtime splash image"},
      {b.signing.certificate, "the signing certificate"},
      {b.signing.key, "the signing key"},
      {b.signing.pkcs12, "the PKCS#12 file"}};
  for (const EmbeddedSource& file : b.project.embedded)
    inputs.push_back({file.sourcePath, "an embedded file"});
  for (const auto& variants : {identity.splashVariants, identity.runtimeSplashVariants})
    for (const auto& variant : variants) inputs.push_back({variant.second, "a scaled splash image"});
  for (const auto& [input, what] : inputs)
    if (!input.empty() && samePath(input, options.outputPath))
      return fail(err, "the output " + options.outputPath + " is " + what + " itself");
  return true;
}

// Before anything is written: the osslsigncode that will sign, from PATH only.
bool findSigner(const BuildOptions& options, Build& b, std::ostream& out, std::ostream& err) {
  if (!b.signing.any()) return true;
  std::string why;
  if (!pe::findSigningTool(b.signingTool, why)) return fail(err, why);
  if (options.verbose) out << "signing with " << b.signingTool << "\n";
  return true;
}

bool writeOutput(const BuildOptions& options, Build& b, std::ostream& err) {
  // The image is final from here on: the block starts where it ends.
  std::string why;
  if (!assembleAppendix(b.project, b.image.size(), b.block, b.records, b.trailer, why))
    return fail(err, why);
  if (!makeOutputDirectory(options.outputPath, err)) return false;
  // The checksum covers the whole file, block and embedded files included.
  if (b.isPe) {
    const size_t at = pe::checksumOffset(b.pe);
    storeLe32(&b.image[at], pe::computeChecksum({&b.image, &b.block, &b.records, &b.trailer}, at));
  }
  FinishingStep sign;
  std::string toolOutput;
  if (b.signing.any())
    sign = [&b, &toolOutput](const std::string& temp, std::string& reason) {
      return pe::signExecutable(b.signingTool, temp, b.signing, reason, &toolOutput);
    };
  const bool written =
      writeFileAtomically(options.outputPath, {&b.image, &b.block, &b.records, &b.trailer}, why, sign);
  if (options.verbose && !toolOutput.empty()) err << toolOutput;
  if (!written) return fail(err, why);
  return true;
}

void printSummary(const BuildOptions& options, const Build& b, std::ostream& out) {
  size_t keys = 0;
  for (const auto& record : b.project.block.strings)
    if (record.first < key::MsgCaption || record.first > key::MsgJvmDamaged64) ++keys;
  const BlockContents& block = b.project.block;
  out << "wrote " << options.outputPath << ": " << keys << " keys, " << block.messages.size()
      << " messages, " << block.sections.size() << " locale sections, " << b.project.embedded.size()
      << " embedded files; block at offset " << b.image.size() << ", " << b.block.size() << " bytes"
      << (b.signing.any() ? "; signed" : "") << "\n"
      << describeDefaults(b.defaults);
}

}  // namespace

int runBuild(const BuildOptions& options, std::ostream& out, std::ostream& err) {
  Build b;
  b.templatePath = templatePathOf(options);
  // Every input is known, and checked against the output, before any is read.
  const bool ok = checkOutputDirectory(options.outputPath, err) && readProject(options, b, err) &&
                  resolveSigning(options, b, err) && refuseOverwritingInputs(options, b, err) &&
                  checkRuntimeLibrary(b.project, options.outputPath, err) &&
                  findSigner(options, b, out, err) && readTemplate(b, err) &&
                  completeSplashSize(b, err) && writeIdentity(b, err) && writeOutput(options, b, err);
  if (!ok) return 1;
  printSummary(options, b, out);
  return 0;
}

}  // namespace tessel

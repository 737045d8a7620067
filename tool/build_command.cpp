#include "build_command.h"

#include <filesystem>

#include "block_writer.h"
#include "byte_order.h"
#include "config_keys.h"
#include "file_io.h"
#include "pe/identity_options.h"
#include "template_image.h"

namespace tessel {
namespace {

// The launcher keeps file offsets in 32 bits and reads below 2 GB.
constexpr uint64_t kMaxOutputSize = 0x7FFFFFFFu;

bool samePath(const std::string& a, const std::string& b) {
  std::error_code failure;
  return std::filesystem::equivalent(toPath(a), toPath(b), failure) && !failure;
}

void setKeyUnlessSet(BlockContents& block, int32_t key, int32_t value) {
  auto& strings = block.strings;
  auto at = std::lower_bound(strings.begin(), strings.end(), key,
                             [](const auto& record, int32_t k) { return record.first < k; });
  if (at != strings.end() && at->first == key) return;
  strings.insert(at, {key, std::to_string(value)});
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
  if (!pe::applyIdentity(image, project.identity, width, height, why)) return false;
  if (width > 0 && height > 0) {
    setKeyUnlessSet(project.block, key::SplashWidth, width);
    setKeyUnlessSet(project.block, key::SplashHeight, height);
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

int runBuild(const BuildOptions& options, std::ostream& out, std::ostream& err) {
  Project project;
  std::vector<ProjectError> errors;
  if (!loadProject(options.projectPath, project, errors)) {
    for (const ProjectError& e : errors) err << formatProjectError(e) << "\n";
    err << "tessel build: " << errors.size() << (errors.size() == 1 ? " error" : " errors")
        << ", nothing written\n";
    return 1;
  }
  for (const std::string& w : project.warnings) err << "warning: " << w << "\n";

  const std::string templatePath =
      options.templatePath.empty()
          ? fromPath(toPath(ownExecutableDirectory()) / "launcher.exe")
          : options.templatePath;
  std::vector<uint8_t> image;
  std::string why;
  if (!readWholeFile(templatePath, image, why)) {
    err << "tessel build: cannot read the launcher template " << templatePath << ": " << why << "\n";
    return 1;
  }
  // One PE view of the template serves the signature check, the identity and the checksum;
  // a template it cannot follow still takes a block, just none of those.
  pe::Image pe;
  std::string peWhy;
  const bool isPe = pe::parseImage(image, pe, peWhy);
  if (isPe && pe::isSigned(pe)) {
    err << "tessel build: the launcher template " << templatePath
        << " is signed; sign the finished application instead ([signing] or --sign-*)\n";
    return 1;
  }
  if (!checkTemplate(image, why)) {
    err << "tessel build: unusable launcher template " << templatePath << ": " << why << "\n";
    return 1;
  }
  if (project.identity.any() && !isPe) {
    err << "tessel build: the launcher template " << templatePath << ": " << peWhy << "\n";
    return 1;
  }
  if (!applyProjectIdentity(project, pe, why)) {
    // Errors about the template itself say "the launcher template"; name which one.
    const std::string generic = "the launcher template";
    if (why.compare(0, generic.size(), generic) == 0) why.insert(generic.size(), " " + templatePath);
    err << "tessel build: " << why << "\n";
    return 1;
  }
  if (project.identity.any()) image = std::move(pe.bytes);
  pe::SigningOptions signing = project.signing;
  mergeSigning(signing, options.signing);
  if (signing.any() && signing.password.empty())
    if (const char* p = std::getenv("TESSEL_SIGN_PASSWORD")) signing.password = p;
  if (!signing.key.empty() && signing.certificate.empty()) {
    err << "tessel build: a signing key needs its certificate (certificate = or --sign-cert)\n";
    return 1;
  }
  if (!signing.certificate.empty() && signing.key.empty()) {
    err << "tessel build: the signing certificate needs its private key (key = or --sign-key)\n";
    return 1;
  }
  // Replacing an input by the output would lose it.
  std::vector<std::pair<std::string, std::string>> inputs = {
      {templatePath, "the template"}, {options.projectPath, "the project file"}};
  for (const EmbeddedSource& file : project.embedded) inputs.push_back({file.sourcePath, "an embedded file"});
  for (const auto& [input, what] : inputs) {
    if (samePath(input, options.outputPath)) {
      err << "tessel build: the output " << options.outputPath << " is " << what << " itself\n";
      return 1;
    }
  }
  // The image is final from here on: the block starts where it ends.
  std::vector<uint8_t> block, records, trailer;
  if (!assembleAppendix(project, image.size(), block, records, trailer, why)) {
    err << "tessel build: " << why << "\n";
    return 1;
  }
  // The checksum covers the whole file, block and embedded files included.
  if (isPe) {
    const size_t at = pe::checksumOffset(pe);
    storeLe32(&image[at], pe::computeChecksum({&image, &block, &records, &trailer}, at));
  }
  FinishingStep sign;
  if (signing.any())
    sign = [&signing](const std::string& temp, std::string& reason) {
      return pe::signExecutable(temp, signing, reason);
    };
  const bool written =
      writeFileAtomically(options.outputPath, {&image, &block, &records, &trailer}, why, sign);
  if (!written) {
    err << "tessel build: " << why << "\n";
    return 1;
  }
  out << "wrote " << options.outputPath << ": " << project.block.strings.size() << " keys, "
      << project.block.messages.size() << " messages, " << project.block.sections.size()
      << " locale sections, " << project.embedded.size() << " embedded files; block at offset "
      << image.size() << ", " << block.size() << " bytes" << (signing.any() ? "; signed" : "")
      << "\n";
  return 0;
}

}  // namespace tessel

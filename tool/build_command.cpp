#include "build_command.h"

#include <filesystem>

#include "block_writer.h"
#include "file_io.h"
#include "template_image.h"

namespace tessel {
namespace {

// The launcher keeps file offsets in 32 bits and reads below 2 GB.
constexpr uint64_t kMaxOutputSize = 0x7FFFFFFFu;

bool samePath(const std::string& a, const std::string& b) {
  std::error_code failure;
  return std::filesystem::equivalent(toPath(a), toPath(b), failure) && !failure;
}

}  // namespace

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
  if (!checkTemplate(image, why)) {
    err << "tessel build: unusable launcher template " << templatePath << ": " << why << "\n";
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
  if (!writeFileAtomically(options.outputPath, {&image, &block, &records, &trailer}, why)) {
    err << "tessel build: " << why << "\n";
    return 1;
  }
  out << "wrote " << options.outputPath << ": " << project.block.strings.size() << " keys, "
      << project.block.messages.size() << " messages, " << project.block.sections.size()
      << " locale sections, " << project.embedded.size() << " embedded files; block at offset "
      << image.size() << ", " << block.size() << " bytes\n";
  return 0;
}

}  // namespace tessel

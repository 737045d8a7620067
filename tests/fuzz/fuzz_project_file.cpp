// The project-file reader on arbitrary text. A project it accepts serialises into a block
// that the launcher's reader reads back record for record.
#include <cstddef>
#include <cstdint>

#include "block_reader.h"
#include "block_writer.h"
#include "fuzz_check.h"
#include "project_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel;
  // A directory that does not exist: relative embedded sources resolve to nothing.
  const std::string text(reinterpret_cast<const char*>(data), size);
  Project project;
  std::vector<ProjectError> errors;
  if (!parseProject(text, "/nonexistent-tessel-fuzz/app.toml", project, errors)) {
    FUZZ_CHECK(!errors.empty());
    for (const ProjectError& e : errors) formatProjectError(e);
    return 0;
  }
  const std::vector<uint8_t> bytes = serializeBlock(project.block);
  MemorySource source(bytes.data(), bytes.size());
  BlockContents back;
  FUZZ_CHECK(readBlock(source, back) == BlockStatus::Ok);
  FUZZ_CHECK(back.strings == project.block.strings);
  FUZZ_CHECK(back.messages == project.block.messages);
  FUZZ_CHECK(back.sections.size() == project.block.sections.size());
  for (size_t i = 0; i < back.sections.size(); ++i) {
    FUZZ_CHECK(back.sections[i].tag == project.block.sections[i].tag);
    FUZZ_CHECK(back.sections[i].records == project.block.sections[i].records);
  }
  return 0;
}

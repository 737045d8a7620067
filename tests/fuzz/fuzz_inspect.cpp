// `tessel inspect` on hostile executables: the whole report, as text and as JSON.
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "fuzz_check.h"
#include "inspect_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel;
  const std::vector<uint8_t> image(data, data + size);
  InspectReport report;
  const bool ok = inspectImage(image, report);
  FUZZ_CHECK(ok == report.error.empty());
  std::ostringstream text, json;
  if (report.blockRead) printInspectText(report, "hostile.exe", text);
  printInspectJson(report, "hostile.exe", json);
  FUZZ_CHECK(!json.str().empty());
  return 0;
}

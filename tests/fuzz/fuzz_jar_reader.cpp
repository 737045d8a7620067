// Feeds arbitrary bytes to what `tessel build` reads from an application's jars: the zip
// reader (as a whole archive), the manifest parser with what it finds, and the module
// descriptor parser. No crash, no read past the data, no allocation beyond the limits.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "jar_launch.h"
#include "manifest.h"
#include "module_info.h"
#include "zip_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel::jar;
  const std::vector<uint8_t> bytes(data, data + size);
  std::vector<uint8_t> entry;
  std::string why;
  readZipEntry(memoryZip(bytes), "META-INF/MANIFEST.MF", 1u << 16, entry, why);
  Manifest manifest;
  const std::string text = entry.empty() ? std::string(bytes.begin(), bytes.end())
                                         : std::string(entry.begin(), entry.end());
  if (parseManifest(text, manifest, why)) {
    JarLaunch launch;
    jarLaunchFromManifest(manifest, "lib\\app.jar", launch, why);
  }
  ModuleInfo info;
  parseModuleInfo(bytes, info, why);
  return 0;
}

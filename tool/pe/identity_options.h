// The application identity a project asks for ([identity] and [signing] tables), applied to
// a launcher image by rewriting its resources.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "identity.h"
#include "pe_image.h"
#include "signing.h"

namespace toml {
inline namespace v3 {
class table;
}
}  // namespace toml

namespace tessel::pe {

// What an application asks for when the project names no execution level: no elevation
// prompt at every start.
constexpr const char* kDefaultExecutionLevel = "asInvoker";

struct IdentityOptions {
  std::string icon;                // .ico or .png: the executable's icon and ID_SPLASH_ICON
  std::string splashBitmap;        // .bmp: bitmap resource 10000
  std::string runtimeSplashImage;  // any image: RT_RCDATA resource 10000
  uint32_t iconLine = 0, splashBitmapLine = 0, runtimeSplashImageLine = 0;  // in the project
  std::string executionLevel;      // empty keeps the template's manifest
  std::string dpiAwareness;
  bool utf8CodePage = false;       // the manifest declares UTF-8 as the active code page
  bool hasVersion = false;
  VersionInfo version;
  bool any() const {
    return !icon.empty() || !splashBitmap.empty() || !runtimeSplashImage.empty() ||
           !executionLevel.empty() || !dpiAwareness.empty() || utf8CodePage || hasVersion;
  }
};

struct OptionError {
  uint32_t line = 0;    // 0 when the problem has no line
  std::string setting;  // dotted setting name
  std::string message;
};

// Reads [identity] and [signing] of a project; relative paths are taken against `baseDir`.
bool readIdentityOptions(const toml::table& project, const std::string& baseDir,
                         IdentityOptions& identity, SigningOptions& signing, OptionError& error);

// Rewrites the image's resources as asked. `splashWidth`/`splashHeight` receive the splash
// bitmap's size (0 when none). An image that cannot be used gives its line and setting with
// the file named; a problem of the template itself leaves both empty.
bool applyIdentity(Image& image, const IdentityOptions& options, int32_t& splashWidth,
                   int32_t& splashHeight, OptionError& error);

// The execution level the image's manifest requests; empty when it has none.
std::string templateExecutionLevel(const Image& image);

// What inspect shows of a resource.
struct ResourceSummary {
  std::string type;  // "icon", "version", ..., "type 7", or the type's name
  int32_t typeId = -1;  // the numeric type; -1 for a named type
  std::string name;  // "1", "10000", "ID_SPLASH_ICON" (UTF-8)
  uint16_t language = 0;
  size_t size = 0;
  std::vector<std::pair<std::string, std::string>> versionStrings;  // version resources
  std::string executionLevel, dpiAware;                             // manifests
};
std::vector<ResourceSummary> summarizeResources(const std::vector<Resource>& resources);

}  // namespace tessel::pe

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
// What a GUI application declares when the project names no DPI awareness.
constexpr const char* kDefaultDpiAwareness = "permonitorv2";

struct IdentityOptions {
  std::string icon;                // .ico or .png: the executable's icon and ID_SPLASH_ICON
  std::string splashBitmap;        // .bmp: bitmap resource 10000
  std::string runtimeSplashImage;  // any image: RT_RCDATA resource 10000
  uint32_t iconLine = 0, splashBitmapLine = 0, runtimeSplashImageLine = 0;  // in the project
  // Scaled images beside the splash images ("splash@2x.bmp"): percent and path, by scale.
  std::vector<std::pair<int32_t, std::string>> splashVariants, runtimeSplashVariants;
  std::string appUserModelId;      // the process's explicit AppUserModelID
  struct ExtraIcon {
    int32_t groupId = 0;  // icon group resource id
    std::string path;     // .ico or .png
    std::string setting;  // where the project names it, for errors
    uint32_t line = 0;
  };
  std::vector<ExtraIcon> extraIcons;  // file types' own icons
  std::string executionLevel;      // empty keeps the template's manifest
  std::string dpiAwareness;        // empty: as the template's manifest says
  bool utf8CodePage = false;       // the manifest declares UTF-8 as the active code page
  bool hasVersion = false;
  VersionInfo version;
  bool any() const {
    return !icon.empty() || !splashBitmap.empty() || !runtimeSplashImage.empty() ||
           !executionLevel.empty() || !dpiAwareness.empty() || utf8CodePage || hasVersion ||
           !extraIcons.empty();
  }
};

struct OptionError {
  uint32_t line = 0;    // 0 when the problem has no line
  std::string setting;  // dotted setting name
  std::string message;
};

// A process's explicit AppUserModelID as Windows takes it; false with the reason otherwise.
bool checkAppUserModelId(const std::string& id, std::string& why);

// The scaled variants that exist beside `plain` (percent and path, lowest scale first); none
// when `plain` is empty or its directory cannot be read.
std::vector<std::pair<int32_t, std::string>> findScaledVariants(const std::string& plain);

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
  std::string dpiAwareness;                 // manifests: "PerMonitorV2, PerMonitor", ...
  std::vector<std::string> supportedOs;     // manifests: "Windows 7", ..., "Windows 10/11"
  int32_t splashScale = 0;  // splash images (bitmap or rcdata 10000 and variants): percent
};
std::vector<ResourceSummary> summarizeResources(const std::vector<Resource>& resources);

}  // namespace tessel::pe

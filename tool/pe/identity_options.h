// The application identity a project asks for ([identity] and [signing] tables), applied to
// a launcher image by rewriting its resources, and Authenticode signing through osslsigncode.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "identity.h"
#include "pe_image.h"

namespace toml {
inline namespace v3 {
class table;
}
}  // namespace toml

namespace tessel::pe {

struct IdentityOptions {
  std::string icon;                // .ico: the executable's icon and ID_SPLASH_ICON
  std::string splashBitmap;        // .bmp: bitmap resource 10000
  std::string runtimeSplashImage;  // any image: RT_RCDATA resource 10000
  std::string executionLevel;      // empty keeps the template's manifest
  std::string dpiAwareness;
  bool hasVersion = false;
  VersionInfo version;
  bool any() const {
    return !icon.empty() || !splashBitmap.empty() || !runtimeSplashImage.empty() ||
           !executionLevel.empty() || !dpiAwareness.empty() || hasVersion;
  }
};

struct SigningOptions {
  std::string certificate, key, pkcs12, password, timestampUrl;
  bool any() const { return !certificate.empty() || !pkcs12.empty(); }
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
// bitmap's size (0 when none). Errors name the offending file and what is wrong with it.
bool applyIdentity(Image& image, const IdentityOptions& options, int32_t& splashWidth,
                   int32_t& splashHeight, std::string& error);

// Signs `path` in place with osslsigncode; the signature goes behind everything else.
bool signExecutable(const std::string& path, const SigningOptions& options, std::string& error);

// True when the image carries an Authenticode signature (a security directory entry).
bool isSigned(const Image& image);

// Lines describing the identity resources, for inspect.
std::vector<std::string> describeResources(const std::vector<Resource>& resources);

}  // namespace tessel::pe

// Resources that give an application its identity: icons, the splash bitmap, the runtime
// splash image, the manifest and version information. Portable C++.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "resources.h"

namespace tessel::pe {

struct IconImage {
  uint8_t width = 0, height = 0, colorCount = 0;
  uint16_t planes = 0, bitCount = 0;
  std::vector<uint8_t> data;
};

// Parses an .ico file; false with the reason when it is truncated or lies about its sizes.
bool parseIco(const std::vector<uint8_t>& file, std::vector<IconImage>& images, std::string& error);
// True when the file starts with the PNG signature.
bool isPng(const std::vector<uint8_t>& file);
// Walks a PNG's chunks: each lies inside the file with a matching checksum, image data is
// present and IEND ends the file. False with the reason for a truncated or damaged image.
bool checkPngChunks(const uint8_t* data, size_t size, std::string& error);
// A PNG as the one image of an icon (Windows reads PNG-compressed icon images); false with the
// reason when it is not a PNG or larger than an icon can be (256x256).
bool iconFromPng(const std::vector<uint8_t>& file, std::vector<IconImage>& images, std::string& error);
// Replaces the icon group `group` (and the single icons it used) by the images. New icon ids
// are taken above every id in use.
void putIconGroup(std::vector<Resource>& list, const ResourceId& group,
                  const std::vector<IconImage>& images);
// Makes `group` a second name of the icon group `from`: both use the same icons.
void shareIconGroup(std::vector<Resource>& list, const ResourceId& group, const ResourceId& from);
// Decodes an icon group resource into its icon ids.
std::vector<uint16_t> iconGroupIds(const Resource& group);

struct BitmapInfo {
  int32_t width = 0, height = 0;
  uint16_t bitCount = 0;
};
// Checks a .bmp file and gives the resource form (the file without its 14-byte file header).
bool parseBmp(const std::vector<uint8_t>& file, BitmapInfo& info, std::vector<uint8_t>& dib,
              std::string& error);
// Width and height of a PNG, GIF or BMP image, when recognisable.
bool imageSize(const std::vector<uint8_t>& file, int32_t& width, int32_t& height);

struct VersionInfo {
  uint16_t fileVersion[4] = {0, 0, 0, 0};
  uint16_t productVersion[4] = {0, 0, 0, 0};
  std::u16string fileVersionText, productVersionText, company, productName, description,
      copyright, originalFilename, internalName;
};
// "1.2.3" or "1.2.3.4" into four numbers; false when malformed.
bool parseVersion(const std::string& text, uint16_t out[4]);
std::vector<uint8_t> buildVersionResource(const VersionInfo& info);
// Reads back the string table of a version resource (for inspect): key=value pairs in UTF-8.
std::vector<std::pair<std::string, std::string>> readVersionStrings(const std::vector<uint8_t>& data);

// The level attribute of the manifest's requestedExecutionLevel element; false when it has none.
bool manifestLevel(const std::string& xml, std::string& level);
// Replaces that attribute's value, leaving the rest of the manifest as it is.
bool setManifestLevel(std::string& xml, const std::string& level);

// The Windows versions a manifest declares (supportedOS ids), by name, oldest first.
std::vector<std::string> supportedOsNames(const std::string& xml);

// The application manifest: Common Controls 6, the Windows versions from 7 to 11, the execution level and DPI awareness
// ("" for none, "true", "system", "permonitor", "permonitorv2").
bool buildManifest(const std::string& level, const std::string& dpiAwareness, bool utf8CodePage,
                   std::string& xml,
                   std::string& error);

}  // namespace tessel::pe

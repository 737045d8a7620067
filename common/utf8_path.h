// Paths are UTF-8 text throughout the build tool (command line and project file alike); these
// two convert where the file system is called, since Windows would read narrow paths in the
// ANSI code page. Used by the tool only; the launcher keeps its paths in Windows buffers.
#pragma once
#include <filesystem>
#include <string>

namespace tessel {

inline std::filesystem::path toPath(const std::string& utf8) { return std::filesystem::u8path(utf8); }
inline std::string fromPath(const std::filesystem::path& path) { return path.u8string(); }

}  // namespace tessel

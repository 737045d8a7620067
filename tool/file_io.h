// Whole-file reads and all-or-nothing writes for the build tool.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "utf8_path.h"

namespace tessel {

// Reads a whole file; false with `why` (the system's reason) when it cannot.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string& why);

// A last step on the complete, closed temporary file before it replaces the output (signing,
// for example); false with `why` abandons the write.
using FinishingStep = std::function<bool(const std::string& temporaryPath, std::string& why)>;

// Writes the pieces one after the other to a temporary file in the target's directory, runs
// `finish` on it when given and renames it over `path`, so that a reader never sees a
// half-written file and a failure leaves nothing behind. The result is executable (mode 0755
// less the umask).
bool writeFileAtomically(const std::string& path, const std::vector<const std::vector<uint8_t>*>& pieces,
                         std::string& why, const FinishingStep& finish = nullptr);

// The directory that holds the running program, or "." when unknown.
std::string ownExecutableDirectory();

}  // namespace tessel

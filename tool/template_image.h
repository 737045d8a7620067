// Checks on the launcher template before a block is appended to it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

// True when `image` is a PE file whose last section's raw data ends exactly at the end of
// the file, so that the launcher finds a block appended to it. Otherwise `why` explains.
bool checkTemplate(const std::vector<uint8_t>& image, std::string& why);

}  // namespace tessel

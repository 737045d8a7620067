// `tessel inspect`: what an application executable carries, read with the launcher's own
// block reader so that a damaged block is reported the way the launcher would fail on it.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "block_layout.h"
#include "block_reader.h"
#include "pe/authenticode.h"
#include "pe/identity_options.h"

namespace tessel {

struct EmbeddedEntry {
  std::string name;     // narrow bytes as stored
  int64_t size = 0;     // content bytes; 0 or less means no file
  uint64_t offset = 0;  // of the record's size field
};

struct InspectReport {
  uint64_t fileSize = 0;
  PeBlockPosition position;
  bool blockRead = false;    // fields 1-9 were read completely
  int64_t lengthField = 0;
  uint64_t blockEnd = 0;     // first byte after field 9
  BlockContents block;
  int32_t embeddedCount = 0;  // key 2002 as the launcher reads it
  std::string templateVersion;  // key 2004; "unknown" when an older tool wrote the block
  std::vector<EmbeddedEntry> embedded;
  uint64_t embeddedEnd = 0;
  bool trailerFound = false;
  std::vector<pe::ResourceSummary> resources;
  pe::SignatureCheck signature;
  std::vector<std::string> notes;  // oddities the launcher tolerates
  std::string error;               // why the launcher would fail on this file; empty when fine
};

// Reads everything the launcher would read. False when it would fail; `report.error` says
// which read failed and where, and the fields read before the failure stay filled.
bool inspectImage(const std::vector<uint8_t>& image, InspectReport& report);

// The version of the JSON layout; it grows when a field changes meaning or goes away.
constexpr int kInspectSchemaVersion = 1;

void printInspectText(const InspectReport& report, const std::string& file, std::ostream& out);
void printInspectJson(const InspectReport& report, const std::string& file, std::ostream& out);

// Runs the command; returns the process exit code (0 fine, 1 no or damaged block).
int runInspect(const std::string& path, bool json, std::ostream& out, std::ostream& err);

}  // namespace tessel

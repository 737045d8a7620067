// Authenticode signing of a finished executable through osslsigncode, found on PATH, with
// its failures said in one line.
#pragma once
#include <string>
#include <vector>

#include "pe_image.h"

namespace tessel::pe {

struct SigningOptions {
  std::string certificate, key, pkcs12, password, timestampUrl;
  bool any() const { return !certificate.empty() || !pkcs12.empty(); }
};

// Where a program called `fileName` would be looked for in the directories of `pathValue`
// (a PATH value with `separator` between entries), in order. Empty and relative entries are
// left out: a build never runs a program from whatever directory it happens to run in.
std::vector<std::string> programCandidates(const std::string& pathValue, char separator,
                                           const std::string& fileName);

// The osslsigncode a build runs: the first of programCandidates(PATH) that exists as an
// executable file. False with `why` when there is none.
bool findSigningTool(std::string& program, std::string& why);

// Signs `path` in place with `program` (osslsigncode); the signature goes behind everything
// else. The password reaches it in a file only the current user can read, which is removed
// on every way out, an interruption by Ctrl+C or a termination request included. A failure
// is said in one line (wrong password, key and certificate that do not belong together,
// timestamp server unreachable, ...); osslsigncode's own output goes to `toolOutput` when given.
bool signExecutable(const std::string& program, const std::string& path,
                    const SigningOptions& options, std::string& why,
                    std::string* toolOutput = nullptr);

// The one-line cause of a failed osslsigncode run, from its output.
std::string explainSigningFailure(const std::string& output, const SigningOptions& options);

// True when the image carries an Authenticode signature (a security directory entry).
bool isSigned(const Image& image);

}  // namespace tessel::pe

// Authenticode signing of a finished executable through osslsigncode, with its failures said
// in one line.
#pragma once
#include <string>

#include "pe_image.h"

namespace tessel::pe {

struct SigningOptions {
  std::string certificate, key, pkcs12, password, timestampUrl;
  bool any() const { return !certificate.empty() || !pkcs12.empty(); }
};

// Signs `path` in place with osslsigncode; the signature goes behind everything else. A
// failure is said in one line (wrong password, key and certificate that do not belong
// together, timestamp server unreachable, ...); osslsigncode's own output goes to
// `toolOutput` when given.
bool signExecutable(const std::string& path, const SigningOptions& options, std::string& error,
                    std::string* toolOutput = nullptr);
// The one-line cause of a failed osslsigncode run, from its output.
std::string explainSigningFailure(const std::string& output, const SigningOptions& options);

// True when the image carries an Authenticode signature (a security directory entry).
bool isSigned(const Image& image);

}  // namespace tessel::pe

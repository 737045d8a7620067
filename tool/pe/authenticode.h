// Whether an Authenticode signature still belongs to its file: the file digest the signature
// carries (SpcIndirectDataContent) against the digest of the image as Authenticode computes
// it. The signer's certificate and the signature over the digest are not judged here.
// Portable C++.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pe_image.h"

namespace tessel::pe {

enum class SignatureState {
  None,         // no certificate table
  Matches,      // the carried digest is the file's digest
  Mismatch,     // the file changed after signing
  Unreadable,   // a certificate table that is not a PKCS#7 signature this reader follows
  Unsupported,  // a digest algorithm other than SHA-1 and SHA-256
};

struct SignatureCheck {
  SignatureState state = SignatureState::None;
  std::string algorithm;  // "sha1", "sha256" or the algorithm's object identifier
  std::string detail;     // why it is unreadable, or what follows the signature
};

// Checks the signature of `image` (its bytes are the whole file).
SignatureCheck checkSignature(const Image& image);

// The Authenticode digest of the file: everything but the checksum field, the certificate
// table's directory entry and the certificate table (from `tableOffset` on).
std::vector<uint8_t> authenticodeDigest(const Image& image, uint64_t tableOffset,
                                        bool sha256);

}  // namespace tessel::pe

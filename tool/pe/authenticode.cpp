#include "authenticode.h"

#include <algorithm>
#include <cstring>

#include "byte_order.h"
#include "digest.h"

namespace tessel::pe {
namespace {

constexpr uint16_t kCertificateRevision = 0x0200;
constexpr uint16_t kPkcsSignedData = 0x0002;
constexpr size_t kCertificateDirectoryEntry = 112 + 8 * kSecurityDirectory;

// Object identifiers as their DER content bytes.
const std::vector<uint8_t> kSignedData = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};
const std::vector<uint8_t> kIndirectData = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x82, 0x37, 0x02, 0x01, 0x04};
const std::vector<uint8_t> kSha1 = {0x2B, 0x0E, 0x03, 0x02, 0x1A};
const std::vector<uint8_t> kSha256 = {0x60, 0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02, 0x01};

// A bounded walk over DER: each step reads one element of the expected tag.
class DerReader {
 public:
  DerReader(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}

  // Reads the next element, which must carry `tag`; `inner` then walks its content.
  bool enter(uint8_t tag, DerReader& inner) {
    const uint8_t* content = nullptr;
    size_t length = 0;
    if (!next(tag, content, length)) return false;
    inner = DerReader(content, length);
    return true;
  }
  bool read(uint8_t tag, std::vector<uint8_t>& value) {
    const uint8_t* content = nullptr;
    size_t length = 0;
    if (!next(tag, content, length)) return false;
    value.assign(content, content + length);
    return true;
  }
  bool skip() {
    const uint8_t* content = nullptr;
    size_t length = 0;
    return at_ < end_ && next(*at_, content, length);
  }

 private:
  bool next(uint8_t tag, const uint8_t*& content, size_t& length) {
    if (end_ - at_ < 2 || at_[0] != tag) return false;
    const uint8_t first = at_[1];
    const uint8_t* p = at_ + 2;
    if (first < 0x80) {
      length = first;
    } else {
      const size_t count = first & 0x7F;  // 0 is the indefinite form, which DER never uses
      if (count == 0 || count > 4 || static_cast<size_t>(end_ - p) < count) return false;
      length = 0;
      for (size_t i = 0; i < count; ++i) length = (length << 8) | p[i];
      p += count;
    }
    if (length > static_cast<size_t>(end_ - p)) return false;
    content = p;
    at_ = p + length;
    return true;
  }

  const uint8_t* at_;
  const uint8_t* end_;
};

std::string oidText(const std::vector<uint8_t>& oid) {
  if (oid.empty()) return "";
  std::string out = std::to_string(oid[0] / 40) + "." + std::to_string(oid[0] % 40);
  uint64_t value = 0;
  for (size_t i = 1; i < oid.size() && i < 32; ++i) {
    value = (value << 7) | (oid[i] & 0x7F);
    if (!(oid[i] & 0x80)) {
      out += "." + std::to_string(value);
      value = 0;
    }
  }
  return out;
}

// The digest algorithm and value of the SpcIndirectDataContent inside a PKCS#7 SignedData.
bool carriedDigest(const uint8_t* data, size_t size, std::vector<uint8_t>& algorithm,
                   std::vector<uint8_t>& digest, std::string& why) {
  DerReader top(data, size), contentInfo(nullptr, 0), explicitSigned(nullptr, 0),
      signedData(nullptr, 0), inner(nullptr, 0), explicitIndirect(nullptr, 0),
      indirect(nullptr, 0), digestInfo(nullptr, 0), algorithmId(nullptr, 0);
  std::vector<uint8_t> oid;
  if (!top.enter(0x30, contentInfo) || !contentInfo.read(0x06, oid) || oid != kSignedData) {
    why = "not a PKCS#7 SignedData structure";
    return false;
  }
  if (!contentInfo.enter(0xA0, explicitSigned) || !explicitSigned.enter(0x30, signedData) ||
      !signedData.skip() /* version */ || !signedData.skip() /* digest algorithms */ ||
      !signedData.enter(0x30, inner) || !inner.read(0x06, oid)) {
    why = "the SignedData structure is damaged";
    return false;
  }
  if (oid != kIndirectData) {
    why = "the signed content is not Authenticode's SpcIndirectDataContent";
    return false;
  }
  if (!inner.enter(0xA0, explicitIndirect) || !explicitIndirect.enter(0x30, indirect) ||
      !indirect.skip() /* SpcAttributeTypeAndOptionalValue */ ||
      !indirect.enter(0x30, digestInfo) || !digestInfo.enter(0x30, algorithmId) ||
      !algorithmId.read(0x06, algorithm) || !digestInfo.read(0x04, digest)) {
    why = "the SpcIndirectDataContent is damaged";
    return false;
  }
  return true;
}

}  // namespace

std::vector<uint8_t> authenticodeDigest(const Image& image, uint64_t tableOffset, bool sha256) {
  const std::vector<uint8_t>& bytes = image.bytes;
  Digest digest(sha256 ? DigestAlgorithm::Sha256 : DigestAlgorithm::Sha1);
  const uint64_t end = std::min<uint64_t>(tableOffset, bytes.size());
  const uint64_t checksum = image.optionalHeader + 64;
  const uint64_t directory = image.optionalHeader + kCertificateDirectoryEntry;
  // Three pieces: up to the checksum, between it and the directory entry, after the entry.
  const uint64_t pieces[3][2] = {{0, checksum}, {checksum + 4, directory}, {directory + 8, end}};
  for (const auto& piece : pieces) {
    const uint64_t from = std::min(piece[0], end), to = std::min(piece[1], end);
    if (to > from) digest.update(bytes.data() + from, static_cast<size_t>(to - from));
  }
  return digest.finish();
}

SignatureCheck checkSignature(const Image& image) {
  SignatureCheck check;
  uint32_t offset = 0, size = 0;
  if (!dataDirectory(image, kSecurityDirectory, offset, size) || offset == 0 || size == 0)
    return check;
  check.state = SignatureState::Unreadable;
  const std::vector<uint8_t>& bytes = image.bytes;
  // The directory holds a file offset here, not an address.
  if (static_cast<uint64_t>(offset) + size > bytes.size() || size < 8) {
    check.detail = "the certificate table lies outside the file";
    return check;
  }
  const uint8_t* entry = bytes.data() + offset;
  const uint32_t length = loadLe32(entry);
  if (length < 8 || length > size || loadLe16(entry + 4) != kCertificateRevision ||
      loadLe16(entry + 6) != kPkcsSignedData) {
    check.detail = "the certificate table holds no PKCS#7 signature";
    return check;
  }
  std::vector<uint8_t> algorithm, carried;
  if (!carriedDigest(entry + 8, length - 8, algorithm, carried, check.detail)) return check;
  const bool sha256 = algorithm == kSha256;
  if (!sha256 && algorithm != kSha1) {
    check.state = SignatureState::Unsupported;
    check.algorithm = oidText(algorithm);
    return check;
  }
  check.algorithm = sha256 ? "sha256" : "sha1";
  check.state = authenticodeDigest(image, offset, sha256) == carried ? SignatureState::Matches
                                                                      : SignatureState::Mismatch;
  // The digest stops at the certificate table, so the table must end the file: bytes behind
  // it (beyond zero padding to 8 bytes) were added after signing, and verifiers refuse them.
  const uint64_t tableEnd = static_cast<uint64_t>(offset) + size;
  const uint64_t end = bytes.size();
  const uint64_t padded = (tableEnd + 7) & ~uint64_t(7);
  const bool onlyPadding =
      bytes.size() <= padded &&
      std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(tableEnd), bytes.end(),
                  [](uint8_t b) { return b == 0; });
  if (check.state == SignatureState::Matches && !onlyPadding) {
    check.state = SignatureState::Mismatch;
    check.detail = std::to_string(end - tableEnd) + " bytes follow the signature";
  }
  return check;
}

}  // namespace tessel::pe

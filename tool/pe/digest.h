// SHA-1 and SHA-256, incremental, for checking the file digest of an Authenticode signature.
// Portable C++.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessel::pe {

enum class DigestAlgorithm { Sha1, Sha256 };

class Digest {
 public:
  explicit Digest(DigestAlgorithm algorithm);
  void update(const uint8_t* data, size_t size);
  // The digest of everything given so far (20 or 32 bytes); the object is spent afterwards.
  std::vector<uint8_t> finish();

 private:
  void compress(const uint8_t* block);

  DigestAlgorithm algorithm_;
  uint32_t state_[8];
  uint8_t buffer_[64];
  size_t buffered_ = 0;
  uint64_t length_ = 0;  // bytes given
};

std::vector<uint8_t> digestOf(DigestAlgorithm algorithm, const std::vector<uint8_t>& data);

}  // namespace tessel::pe

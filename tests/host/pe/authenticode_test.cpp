// The digests and the signature check of inspect, against published test vectors and files
// signed by osslsigncode.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "authenticode.h"
#include "byte_order.h"
#include "digest.h"
#include "pe_image.h"

namespace tessel::pe {
namespace {

std::string hex(const std::vector<uint8_t>& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(Digest, PublishedVectors) {
  EXPECT_EQ(hex(digestOf(DigestAlgorithm::Sha256, {})),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hex(digestOf(DigestAlgorithm::Sha256, bytesOf("abc"))),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the length no longer fits the first block.
  const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(hex(digestOf(DigestAlgorithm::Sha256, bytesOf(two))),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(hex(digestOf(DigestAlgorithm::Sha1, bytesOf("abc"))), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(hex(digestOf(DigestAlgorithm::Sha1, bytesOf(two))), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  // Fed in uneven pieces, a million 'a's.
  Digest d(DigestAlgorithm::Sha256);
  const std::string piece(997, 'a');
  size_t left = 1000000;
  while (left > 0) {
    const size_t n = std::min(left, piece.size());
    d.update(reinterpret_cast<const uint8_t*>(piece.data()), n);
    left -= n;
  }
  EXPECT_EQ(hex(d.finish()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

class SignedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* dist = std::getenv("TESSEL_DIST");
    templatePath_ = std::string(dist ? dist : "build/dist") + "/launcher.exe";
    if (readAll(templatePath_).empty()) GTEST_SKIP() << "no launcher template";
    if (std::system("command -v osslsigncode >/dev/null && command -v openssl >/dev/null") != 0)
      GTEST_SKIP() << "osslsigncode or openssl missing";
    char pattern[] = "/tmp/tessel-sign-XXXXXX";
    dir_ = mkdtemp(pattern);
    ASSERT_EQ(std::system(("cd " + dir_ + " && openssl req -x509 -newkey rsa:2048 -nodes -keyout k.pem "
                           "-out c.pem -days 2 -subj /CN=t >/dev/null 2>&1")
                              .c_str()),
              0);
  }
  void TearDown() override {
    if (!dir_.empty()) std::system(("rm -rf " + dir_).c_str());
  }
  // The template with some bytes behind it, signed by osslsigncode with `hash`.
  std::vector<uint8_t> signedCopy(const std::string& hash) {
    std::vector<uint8_t> image = readAll(templatePath_);
    image.insert(image.end(), 1001, 0x5A);  // stands for a block; not a multiple of 8
    std::ofstream(dir_ + "/in.exe", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    const std::string command = "cd " + dir_ + " && rm -f out.exe && osslsigncode sign -certs c.pem -key k.pem -h " +
                                hash + " -in in.exe -out out.exe >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return readAll(dir_ + "/out.exe");
  }
  static SignatureCheck check(const std::vector<uint8_t>& bytes) {
    Image image;
    std::string why;
    EXPECT_TRUE(parseImage(bytes, image, why)) << why;
    return checkSignature(image);
  }

  std::string templatePath_, dir_;
};

TEST_F(SignedFiles, DigestMatchesUntilOneByteChanges) {
  for (const char* hash : {"sha256", "sha1"}) {
    std::vector<uint8_t> file = signedCopy(hash);
    ASSERT_FALSE(file.empty());
    SignatureCheck c = check(file);
    EXPECT_EQ(c.state, SignatureState::Matches) << hash << ": " << c.detail;
    EXPECT_EQ(c.algorithm, hash);
    // One byte of the appended data, as an edit after signing would change it.
    file[readAll(templatePath_).size() + 500] ^= 1;
    c = check(file);
    EXPECT_EQ(c.state, SignatureState::Mismatch) << hash;
    file[readAll(templatePath_).size() + 500] ^= 1;
    // The checksum is outside the digest: changing it keeps the match.
    Image image;
    std::string why;
    ASSERT_TRUE(parseImage(file, image, why));
    file[checksumOffset(image)] ^= 0xFF;
    EXPECT_EQ(check(file).state, SignatureState::Matches) << hash;
  }
}

// Verifiers refuse a signed file with bytes behind its certificate table, though the digest,
// which stops at the table, still matches.
TEST_F(SignedFiles, BytesAppendedAfterSigningBreakTheSignature) {
  std::vector<uint8_t> file = signedCopy("sha256");
  ASSERT_FALSE(file.empty());
  ASSERT_EQ(check(file).state, SignatureState::Matches);
  std::vector<uint8_t> appended = file;
  appended.insert(appended.end(), 19, 'x');
  const SignatureCheck c = check(appended);
  EXPECT_EQ(c.state, SignatureState::Mismatch);
  EXPECT_EQ(c.detail, "19 bytes follow the signature");
  // The table is padded to 8 bytes already; zeros behind it are data too.
  std::vector<uint8_t> zeros = file;
  zeros.insert(zeros.end(), 8, 0);
  EXPECT_EQ(check(zeros).detail, "8 bytes follow the signature");
}

TEST_F(SignedFiles, DamagedCertificateTablesAreUnreadableNotSigned) {
  std::vector<uint8_t> file = signedCopy("sha256");
  ASSERT_FALSE(file.empty());
  Image image;
  std::string why;
  ASSERT_TRUE(parseImage(file, image, why));
  uint32_t offset = 0, size = 0;
  ASSERT_TRUE(dataDirectory(image, kSecurityDirectory, offset, size));
  // Every cut of the PKCS#7 structure is refused without reading past it.
  for (uint32_t cut = 8; cut < size; cut += 97) {
    std::vector<uint8_t> damaged = file;
    storeLe32(&damaged[offset], cut);
    const SignatureCheck c = check(damaged);
    EXPECT_TRUE(c.state == SignatureState::Unreadable || c.state == SignatureState::Matches) << cut;
  }
  std::vector<uint8_t> outside = file;
  storeLe32(&outside[image.optionalHeader + 112 + 8 * kSecurityDirectory + 4], size + 16);
  EXPECT_EQ(check(outside).state, SignatureState::Unreadable);
  std::vector<uint8_t> garbage = file;
  garbage[offset + 8] = 0x31;
  EXPECT_EQ(check(garbage).state, SignatureState::Unreadable);
  EXPECT_EQ(check(readAll(templatePath_)).state, SignatureState::None);
}

}  // namespace
}  // namespace tessel::pe

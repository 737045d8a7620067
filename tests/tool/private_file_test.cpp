// The password file's access list under Wine. Wine keeps no access list on files (it answers
// from the Unix mode), so the descriptor tessel.exe creates the file with is checked itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "private_file.h"

namespace tessel::pe {
namespace {

std::vector<uint8_t> currentUser() {
  HANDLE token = nullptr;
  EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<uint8_t> user(size);
  EXPECT_TRUE(GetTokenInformation(token, TokenUser, user.data(), size, &size));
  CloseHandle(token);
  return user;
}

TEST(PrivateFile, DescriptorAdmitsTheCurrentUserAloneAndInheritsNothing) {
  CurrentUserOnly security;
  ASSERT_TRUE(makeCurrentUserOnly(security));
  EXPECT_EQ(security.attributes.lpSecurityDescriptor, &security.descriptor);
  EXPECT_FALSE(security.attributes.bInheritHandle);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(&security.descriptor, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(&security.descriptor, &present, &dacl, &defaulted));
  ASSERT_TRUE(present);
  ASSERT_NE(dacl, nullptr);  // a null list would admit everyone
  ACL_SIZE_INFORMATION info{};
  ASSERT_TRUE(GetAclInformation(dacl, &info, sizeof(info), AclSizeInformation));
  ASSERT_EQ(info.AceCount, 1u);
  void* ace = nullptr;
  ASSERT_TRUE(GetAce(dacl, 0, &ace));
  ASSERT_EQ(static_cast<ACE_HEADER*>(ace)->AceType, ACCESS_ALLOWED_ACE_TYPE);
  auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
  const std::vector<uint8_t> user = currentUser();
  EXPECT_TRUE(EqualSid(reinterpret_cast<PSID>(&allowed->SidStart),
                       reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid));
}

TEST(PrivateFile, WritesANewFileAndNeverAnExistingOne) {
  char dir[MAX_PATH];
  ASSERT_GT(GetTempPathA(MAX_PATH, dir), 0u);
  const std::string path = std::string(dir) + "tessel-private-" + std::to_string(GetCurrentProcessId());
  DeleteFileA(path.c_str());
  bool created = false;
  ASSERT_TRUE(writePrivateFile(path, "s3cret", created));
  EXPECT_TRUE(created);
  char text[16] = {};
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(std::fread(text, 1, sizeof(text), f), 6u);
  std::fclose(f);
  EXPECT_STREQ(text, "s3cret");
  EXPECT_FALSE(writePrivateFile(path, "other", created));
  EXPECT_FALSE(created);  // not the caller's to remove
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace tessel::pe

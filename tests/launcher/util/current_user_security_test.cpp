#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <string>

#include "util/current_user_security.h"
#include "util/handles.h"

namespace tessel {
namespace {

std::wstring currentUserSid() {
  unique_handle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
  BYTE user[256];
  DWORD size = sizeof user;
  if (!GetTokenInformation(token.get(), TokenUser, user, size, &size)) return {};
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text)) return {};
  std::wstring sid = text;
  LocalFree(text);
  return sid;
}

// Wine does not keep a descriptor on the file system, so the descriptor itself is checked:
// protected (nothing inherited from a shared parent such as C:\Windows\Temp), one entry, full
// access for this user only; a directory's entry reaches its files and folders.
TEST(CurrentUserOnly, DescriptorsAdmitTheCurrentUserOnly) {
  const std::wstring sid = currentUserSid();
  ASSERT_FALSE(sid.empty());
  CurrentUserOnly directory(Inheritance::FilesAndFolders);
  ASSERT_TRUE(directory.valid());
  EXPECT_EQ(directory.accessListText(), L"D:P(A;OICI;FA;;;" + sid + L")");
  CurrentUserOnly object;
  ASSERT_TRUE(object.valid());
  EXPECT_EQ(object.accessListText(), L"D:P(A;;FA;;;" + sid + L")");
  ASSERT_NE(object.attributes(), nullptr);
  EXPECT_FALSE(object.attributes()->bInheritHandle);
}

}  // namespace
}  // namespace tessel

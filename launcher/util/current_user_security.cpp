#include "util/current_user_security.h"

#include <sddl.h>

#include <new>

#include "util/handles.h"

namespace tessel {

CurrentUserOnly::CurrentUserOnly(Inheritance inheritance) noexcept {
  unique_handle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return;
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return;
  user_.reset(new (std::nothrow) BYTE[size]);
  if (!user_ || !GetTokenInformation(token.get(), TokenUser, user_.get(), size, &size)) return;
  PSID sid = reinterpret_cast<TOKEN_USER*>(user_.get())->User.Sid;
  if (!IsValidSid(sid)) return;

  const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid);
  acl_.reset(new (std::nothrow) BYTE[aclSize]);
  ACL* acl = reinterpret_cast<ACL*>(acl_.get());
  if (!acl_ || !InitializeAcl(acl, aclSize, ACL_REVISION) ||
      !AddAccessAllowedAceEx(acl, ACL_REVISION,
                             inheritance == Inheritance::FilesAndFolders
                                 ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE
                                 : 0,
                             FILE_ALL_ACCESS, sid))
    return;
  // Protected: nothing is inherited from a parent, the one entry is the whole list.
  if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
      !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
    return;
  attributes_.nLength = sizeof(attributes_);
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  valid_ = true;
}

std::wstring CurrentUserOnly::accessListText() const {
  if (!valid_) return {};
  wchar_t* text = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
          const_cast<SECURITY_DESCRIPTOR*>(&descriptor_), SDDL_REVISION_1,
          DACL_SECURITY_INFORMATION, &text, nullptr))
    return {};
  std::wstring result = text;
  LocalFree(text);
  return result;
}

bool createPrivateDirectory(const wchar_t* path) noexcept {
  CurrentUserOnly security(Inheritance::FilesAndFolders);
  if (!security.valid()) return false;
  return CreateDirectoryW(path, security.attributes()) != 0;
}

HANDLE createPrivateFile(const wchar_t* path, DWORD share) noexcept {
  CurrentUserOnly security;
  if (!security.valid()) return INVALID_HANDLE_VALUE;
  return CreateFileW(path, GENERIC_WRITE, share, security.attributes(), CREATE_NEW,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace tessel

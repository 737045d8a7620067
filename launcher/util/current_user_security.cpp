#include "util/current_user_security.h"

#include <new>

#include "util/handles.h"

namespace tessel {

CurrentUserOnly::CurrentUserOnly() noexcept {
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
      !AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid))
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

}  // namespace tessel

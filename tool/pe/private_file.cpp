#include "private_file.h"

#include <cerrno>

#ifdef _WIN32
#include <filesystem>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tessel::pe {

#ifdef _WIN32
bool makeCurrentUserOnly(CurrentUserOnly& out) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<uint8_t> user(size ? size : 1);
  const bool haveUser = GetTokenInformation(token, TokenUser, user.data(), size, &size);
  CloseHandle(token);
  if (!haveUser) return false;
  PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
  const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
  out.acl.assign(aclSize, 0);
  PACL acl = reinterpret_cast<PACL>(out.acl.data());
  if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, sid) ||
      !InitializeSecurityDescriptor(&out.descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&out.descriptor, TRUE, acl, FALSE) ||
      !SetSecurityDescriptorControl(&out.descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
    return false;
  out.attributes = SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), &out.descriptor, FALSE};
  return true;
}

bool writePrivateFile(const std::string& path, const std::string& text, bool& created) {
  created = false;
  CurrentUserOnly security;
  if (!makeCurrentUserOnly(security)) return false;
  HANDLE file = CreateFileW(std::filesystem::u8path(path).c_str(), GENERIC_WRITE, 0, &security.attributes,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  created = true;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  return CloseHandle(file) && ok;
}
#else
bool writePrivateFile(const std::string& path, const std::string& text, bool& created) {
  created = false;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  created = true;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return ::close(fd) == 0 && done == text.size();
}
#endif

}  // namespace tessel::pe

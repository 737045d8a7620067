// A security descriptor that admits the current user only: an explicit, protected DACL with
// one entry for the process token's user.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

namespace tessel {

// Whether the one entry is inherited by what is created below (a directory's files and
// folders) or applies to the object alone (a mailslot, a file).
enum class Inheritance { None, FilesAndFolders };

class CurrentUserOnly {
 public:
  explicit CurrentUserOnly(Inheritance inheritance = Inheritance::None) noexcept;
  CurrentUserOnly(const CurrentUserOnly&) = delete;
  CurrentUserOnly& operator=(const CurrentUserOnly&) = delete;
  // False when the token's user or the descriptor could not be had; GetLastError tells why.
  bool valid() const noexcept { return valid_; }
  // For the creating call; null when not valid.
  SECURITY_ATTRIBUTES* attributes() noexcept { return valid_ ? &attributes_ : nullptr; }
  // The descriptor's access list as SDDL ("D:P(A;OICI;FA;;;S-1-5-...)"); empty when not valid.
  std::wstring accessListText() const;

 private:
  std::unique_ptr<BYTE[]> user_;  // TOKEN_USER
  std::unique_ptr<BYTE[]> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool valid_ = false;
};

// Creates the directory with the current-user-only descriptor, inherited by everything made
// in it. False (GetLastError tells why) when it exists already (it is never taken over) or
// could not be made, also when no such descriptor could be had.
bool createPrivateDirectory(const wchar_t* path) noexcept;
// Creates a new file (CREATE_NEW) for writing with the current-user-only descriptor.
HANDLE createPrivateFile(const wchar_t* path, DWORD share) noexcept;

}  // namespace tessel

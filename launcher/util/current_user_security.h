// A security descriptor that admits the current user only: an explicit, protected DACL with
// one entry for the process token's user.
#pragma once
#include <windows.h>

#include <memory>

namespace tessel {

class CurrentUserOnly {
 public:
  CurrentUserOnly() noexcept;
  CurrentUserOnly(const CurrentUserOnly&) = delete;
  CurrentUserOnly& operator=(const CurrentUserOnly&) = delete;
  // False when the token's user or the descriptor could not be had; GetLastError tells why.
  bool valid() const noexcept { return valid_; }
  // For the creating call; null when not valid.
  SECURITY_ATTRIBUTES* attributes() noexcept { return valid_ ? &attributes_ : nullptr; }

 private:
  std::unique_ptr<BYTE[]> user_;  // TOKEN_USER
  std::unique_ptr<BYTE[]> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool valid_ = false;
};

}  // namespace tessel

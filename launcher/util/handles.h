// Move-only owners for Windows handles, one alias per failure sentinel, and a no-throw scope
// guard for undo steps that are not handles.
#pragma once
#include <windows.h>

#include <utility>

namespace tessel {

template <typename T, typename Traits>
class UniqueResource {
 public:
  UniqueResource() noexcept = default;
  explicit UniqueResource(T value) noexcept : value_(value) {}
  ~UniqueResource() { reset(); }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  T get() const noexcept { return value_; }
  bool valid() const noexcept { return Traits::valid(value_); }
  explicit operator bool() const noexcept { return valid(); }
  T release() noexcept { return std::exchange(value_, Traits::invalid()); }
  void reset(T value = Traits::invalid()) noexcept {
    if (Traits::valid(value_)) Traits::close(value_);
    value_ = value;
  }
  T* put() noexcept {  // for out-parameters of creating calls
    reset();
    return &value_;
  }

 private:
  T value_ = Traits::invalid();
};

struct FileHandleTraits {  // files, mailslots: INVALID_HANDLE_VALUE; a null handle counts too
  static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool valid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void close(HANDLE h) noexcept { CloseHandle(h); }
};
struct KernelHandleTraits {  // processes, threads, semaphores: NULL
  static HANDLE invalid() noexcept { return nullptr; }
  static bool valid(HANDLE h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) noexcept { CloseHandle(h); }
};
struct FindHandleTraits {
  static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool valid(HANDLE h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void close(HANDLE h) noexcept { FindClose(h); }
};
struct KeyTraits {
  static HKEY invalid() noexcept { return nullptr; }
  static bool valid(HKEY k) noexcept { return k != nullptr; }
  static void close(HKEY k) noexcept { RegCloseKey(k); }
};
struct ModuleTraits {
  static HMODULE invalid() noexcept { return nullptr; }
  static bool valid(HMODULE m) noexcept { return m != nullptr; }
  static void close(HMODULE m) noexcept { FreeLibrary(m); }
};

using unique_hfile = UniqueResource<HANDLE, FileHandleTraits>;
using unique_handle = UniqueResource<HANDLE, KernelHandleTraits>;
using unique_hfind = UniqueResource<HANDLE, FindHandleTraits>;
using unique_hkey = UniqueResource<HKEY, KeyTraits>;
using unique_hmodule = UniqueResource<HMODULE, ModuleTraits>;

// Runs an undo step when the scope ends, unless dismissed.
template <typename F>
class ScopeGuard {
 public:
  explicit ScopeGuard(F f) noexcept : f_(std::move(f)) {}
  ~ScopeGuard() {
    if (active_) f_();
  }
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;
  void dismiss() noexcept { active_ = false; }

 private:
  F f_;
  bool active_ = true;
};

template <typename F>
ScopeGuard<F> runAtEndOfScope(F f) noexcept {
  return ScopeGuard<F>(std::move(f));
}

}  // namespace tessel

#include "instance/mailslot.h"

#include <ntsecapi.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/current_user_security.h"
#include "util/handles.h"
#include "instance/instance_pid.h"
#include "vm/java_vm.h"

namespace tessel {
namespace {

constexpr int kOpenRetries = 50;
constexpr DWORD kOpenPauseMs = 100;

bool isEmptyMarker(const jchar* units, size_t count) {
  size_t length = std::wcslen(kEmptyCommandLineMarker);
  if (count != length) return false;
  for (size_t i = 0; i < length; ++i)
    if (units[i] != static_cast<jchar>(kEmptyCommandLineMarker[i])) return false;
  return true;
}

HANDLE openForWriting(const char* name) {
  return CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

void mailslotName(DWORD processId, char* out, size_t capacity, const char* token) noexcept {
  if (token && *token)
    formatText(out, capacity, "%s%d_%s", kMailslotPrefix, static_cast<int>(processId), token);
  else
    formatText(out, capacity, "%s%d", kMailslotPrefix, static_cast<int>(processId));
  logLine("mailslot name %s", out);
}

bool makeChannelToken(char* out, size_t capacity) noexcept {
  unsigned char random[kChannelTokenLength / 2];
  if (capacity < kChannelTokenLength + 1 || !RtlGenRandom(random, sizeof random)) return false;
  static const char kHex[] = "0123456789abcdef";
  for (size_t i = 0; i < sizeof random; ++i) {
    out[2 * i] = kHex[random[i] >> 4];
    out[2 * i + 1] = kHex[random[i] & 15];
  }
  out[kChannelTokenLength] = 0;
  return true;
}

bool isChannelOf(const char* channel, DWORD processId) noexcept {
  char head[24];
  formatText(head, sizeof head, "%lu_", static_cast<unsigned long>(processId));
  size_t headLength = std::strlen(head);
  if (std::strncmp(channel, head, headLength) != 0) return false;
  const char* token = channel + headLength;
  if (std::strlen(token) != kChannelTokenLength) return false;
  for (const char* p = token; *p; ++p)
    if (!((*p >= '0' && *p <= '9') || (*p >= 'a' && *p <= 'f'))) return false;
  return true;
}

HANDLE createPrivateMailslot(const char* name) noexcept {
  CurrentUserOnly security;
  if (!security.valid()) {
    // No listener rather than one that anybody could write to.
    DWORD error = GetLastError();
    logError("no security descriptor for the mailslot (last error %d)", static_cast<int>(error));
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE mailslot =
      CreateMailslotA(name, kMaxMailslotMessage, MAILSLOT_WAIT_FOREVER, security.attributes());
  if (mailslot == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    logLine("CreateMailslot failed (last error %d)", static_cast<int>(error));
    SetLastError(error);
  }
  return mailslot;
}

namespace {

// The mailslot of the process: the recorded one (with its random part) for an executable's
// value name, else the plain name. False when the record is missing or belongs to another id.
bool channelName(DWORD processId, const char* pidValueName, char* name, size_t capacity) {
  if (!pidValueName) {
    mailslotName(processId, name, capacity);
    return true;
  }
  char channel[kMailslotNameCapacity];
  if (!readInstanceChannel(pidValueName, channel, sizeof channel) ||
      !isChannelOf(channel, processId))
    return false;
  return formatText(name, capacity, "%s%s", kMailslotPrefix, channel);
}

}  // namespace

bool sendToRunningInstance(DWORD processId, const wchar_t* text,
                           const char* pidValueName) noexcept {
  char name[kMailslotNameCapacity];
  unique_hfile slot;
  DWORD error = ERROR_FILE_NOT_FOUND;
  // The first instance may still be between creating its semaphore and its mailslot, or even
  // before recording its id, so that the id read was an earlier run's: look again each time.
  for (int attempt = 0; attempt <= kOpenRetries; ++attempt) {
    if (attempt > 0) {
      Sleep(kOpenPauseMs);
      DWORD recorded = pidValueName ? readInstancePid(pidValueName) : 0;
      if (recorded != 0 && recorded != processId && isRunningInstanceOfThisExecutable(recorded))
        processId = recorded;
    }
    if (!channelName(processId, pidValueName, name, sizeof name)) {
      error = ERROR_FILE_NOT_FOUND;  // no record of this instance's mailslot (yet)
      continue;
    }
    slot.reset(openForWriting(name));
    if (slot) break;
    error = GetLastError();
  }
  if (!slot) {
    logLine("error mailslot CreateFile %d", static_cast<int>(error));
    return false;
  }
  const wchar_t* message = (text && *text) ? text : kEmptyCommandLineMarker;
  size_t units = std::wcslen(message);
  if (units > kMaxMailslotMessage / 2) {
    // Windows refuses such a write; some emulations take it and a reader gets it cut.
    logLine("error mailslot WriteFile length %d %d", 0, static_cast<int>(units * 2));
    return false;
  }
  DWORD expected = static_cast<DWORD>(units * 2);
  DWORD written = 0;
  if (!WriteFile(slot.get(), message, expected, &written, nullptr)) {
    DWORD writeError = GetLastError();
    logLine("error mailslot WriteFile %d", static_cast<int>(writeError));
    return false;
  }
  if (written != expected) {
    logLine("error mailslot WriteFile length %d %d", static_cast<int>(written),
            static_cast<int>(expected));
    return false;
  }
  logLine("sent to the running instance (process %d): %S", static_cast<int>(processId),
          message == kEmptyCommandLineMarker ? L"(no arguments)" : message);
  return true;
}

bool receiveMailslotMessage(HANDLE mailslot, std::vector<char>& message) {
  for (;;) {
    // A zero-byte read waits for the next message (read time-out is infinite) and then fails
    // with ERROR_INSUFFICIENT_BUFFER. Some Windows emulations fail it at once with
    // ERROR_BROKEN_PIPE instead; there a read of a whole maximal message does the waiting.
    char none = 0;
    DWORD read = 0;
    bool zeroReadDidNotWait = false;
    if (!ReadFile(mailslot, &none, 0, &read, nullptr)) {
      DWORD error = GetLastError();
      if (error == ERROR_BROKEN_PIPE) {
        zeroReadDidNotWait = true;
      } else if (error != ERROR_INSUFFICIENT_BUFFER) {
        logLine("error waiting for mailslot %d", static_cast<int>(error));
        return false;
      }
    }
    DWORD size = 0;
    if (!GetMailslotInfo(mailslot, nullptr, &size, nullptr, nullptr)) {
      DWORD error = GetLastError();
      logLine("error reading from mailslot %d", static_cast<int>(error));
      return false;
    }
    if (size == MAILSLOT_NO_MESSAGE) {
      if (zeroReadDidNotWait) {
        message.assign(kMaxMailslotMessage + 2, 0);
        if (!ReadFile(mailslot, message.data(), kMaxMailslotMessage, &read, nullptr)) {
          DWORD error = GetLastError();
          logLine("error waiting for mailslot %d", static_cast<int>(error));
          return false;
        }
        message.resize(read);
        return true;
      }
      logLine("mailslot empty");
      Sleep(1000);
      continue;
    }
    message.assign(static_cast<size_t>(size) + 2, 0);
    if (!ReadFile(mailslot, message.data(), size, &read, nullptr)) {
      DWORD error = GetLastError();
      logLine("error mailslot ReadFile %d", static_cast<int>(error));
      return false;
    }
    if (read != size) {
      logLine("error mailslot read %d instead of %d", static_cast<int>(read),
              static_cast<int>(size));
      return false;
    }
    message.resize(size);
    return true;
  }
}

void deliverStartup(StartupReceiver& receiver, const jchar* units, size_t count) {
  JNIEnv* env = receiver.env;
  if (!receiver.controller || !receiver.method) {
    receiver.controller = env->FindClass("com/tessel/Controller");
    receiver.method = receiver.controller
                          ? env->GetStaticMethodID(receiver.controller, "startupPerformed",
                                                   "(Ljava/lang/String;)V")
                          : nullptr;
    if (!receiver.controller || !receiver.method) {
      logLine("error mailslot methods %p %p", static_cast<void*>(receiver.controller),
              static_cast<void*>(receiver.method));
      // The failed look-up leaves its exception pending; the next JNI call must not see it.
      clearPendingException(env);
      if (receiver.controller) env->DeleteLocalRef(receiver.controller);
      receiver.controller = nullptr;
      receiver.method = nullptr;
      return;
    }
  }
  if (isEmptyMarker(units, count)) {
    env->CallStaticVoidMethod(receiver.controller, receiver.method, nullptr);
  } else {
    jstring text = env->NewString(units, static_cast<jsize>(count));
    if (!text) {
      logLine("error mailslot string");
      clearPendingException(env);
      return;
    }
    env->CallStaticVoidMethod(receiver.controller, receiver.method, text);
    env->DeleteLocalRef(text);
  }
  // An exception thrown by the application's listener would otherwise stay pending on this
  // thread and break every later JNI call here.
  describeAndClearPendingException(env);
}

namespace {

// Attaches once the machine runs and hands the message over, all behind the gate of machine
// calls; false once the gate has closed (the application has ended), without a call.
bool deliverWhileRunning(StartupReceiver& receiver, const jchar* units, size_t count) {
  for (;;) {
    {
      MachineCall call;
      if (!call) return false;
      // A daemon: the listener never ends, and DestroyJavaVM must not wait for it.
      if (!receiver.env) receiver.env = currentThreadEnv();
      if (receiver.env) {
        deliverStartup(receiver, units, count);
        return true;
      }
    }
    Sleep(100);  // messages wait in the mailslot until the application's machine runs
  }
}

}  // namespace

DWORD WINAPI mailslotListener(void* parameter) {
  // Kept until the listener ends: later starts find the first instance through it.
  unique_hfile mailslot(static_cast<HANDLE>(parameter));
  logLine("listening to mailslot");
  StartupReceiver receiver;
  std::vector<char> message;
  while (receiveMailslotMessage(mailslot.get(), message)) {
    const jchar* units = reinterpret_cast<const jchar*>(message.data());
    const size_t count = message.size() / 2;
    std::wstring text(reinterpret_cast<const wchar_t*>(message.data()), count);
    logLine("received from a later start: %S",
            isEmptyMarker(units, count) ? L"(no arguments)" : text.c_str());
    if (!deliverWhileRunning(receiver, units, count)) {
      // Closing the mailslot tells later starts that nobody takes their arguments any more.
      logLine("the application has ended: not handed over");
      break;
    }
  }
  return 0;
}

}  // namespace tessel

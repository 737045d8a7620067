// The one-way channel from later starts to the running first instance: a mailslot named
// after the first instance's process id, and the listener thread that hands each message to
// the Java side's controller.
#pragma once
#include <windows.h>
#include <jni.h>

#include <cstddef>
#include <vector>

namespace tessel {

constexpr const char* kMailslotPrefix = "\\\\.\\mailslot\\corvane_notification_";
constexpr size_t kMailslotNameCapacity = 34 + 21;
constexpr DWORD kMaxMailslotMessage = 65536;
// Sent instead of an empty argument text; the receiver turns exactly this into null.
constexpr const wchar_t* kEmptyCommandLineMarker = L"__cvn_empty_command_line";

// The mailslot name of the process into `out` (kMailslotNameCapacity); logs it.
void mailslotName(DWORD processId, char* out, size_t capacity) noexcept;
// Creates the mailslot `name` with a descriptor that admits the current user only, so that
// programs of other users cannot write to it. INVALID_HANDLE_VALUE (logged) on failure.
HANDLE createPrivateMailslot(const char* name) noexcept;
// Sends one message (the marker for an empty text) to the process's mailslot, retrying the
// open for about 5 s; failures are only logged. With `pidValueName` each retry follows a newer
// id recorded under that name (a stale id of an earlier run gives way to the running one's).
void sendToRunningInstance(DWORD processId, const wchar_t* text,
                           const char* pidValueName = nullptr) noexcept;
// Thread procedure; owns the mailslot handle passed as parameter and closes it when a read
// error ends it. Returns 0.
DWORD WINAPI mailslotListener(void* mailslot);

// Waits for the next message and reads it whole into `message` (bytes); false (logged) when
// the mailslot failed and the listener must end.
bool receiveMailslotMessage(HANDLE mailslot, std::vector<char>& message);

// The listener thread's Java state, kept for the thread's life.
struct StartupReceiver {
  JNIEnv* env = nullptr;
  jclass controller = nullptr;
  jmethodID method = nullptr;
};
// Calls the controller's startupPerformed with the message (null for the marker); a failed
// look-up drops the message and is repeated for the next one. Leaves no exception pending.
void deliverStartup(StartupReceiver& receiver, const jchar* units, size_t count);

}  // namespace tessel

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
// The first instance's mailslot carries a random part after its id (only the per-user record
// names it), so that no other user's program can take the name first.
constexpr size_t kChannelTokenLength = 32;
constexpr size_t kMailslotNameCapacity = 34 + 21 + 1 + kChannelTokenLength + 1;
constexpr DWORD kMaxMailslotMessage = 65536;
// Sent instead of an empty argument text; the receiver turns exactly this into null.
constexpr const wchar_t* kEmptyCommandLineMarker = L"__cvn_empty_command_line";

// The mailslot name of the process into `out` (kMailslotNameCapacity): the prefix and the id,
// then "_" and the token when one is given; logs it.
void mailslotName(DWORD processId, char* out, size_t capacity, const char* token = nullptr) noexcept;
// kChannelTokenLength hex digits from the system's random generator into `out`
// (kChannelTokenLength + 1); false when the generator failed.
bool makeChannelToken(char* out, size_t capacity) noexcept;
// True when `channel` is "<processId>_<token>", as the first instance records it.
bool isChannelOf(const char* channel, DWORD processId) noexcept;
// Creates the mailslot `name` with a descriptor that admits the current user only, so that
// programs of other users cannot write to it. INVALID_HANDLE_VALUE (logged; the last error
// kept) on failure.
HANDLE createPrivateMailslot(const char* name) noexcept;
// Sends one message (the marker for an empty text) to the process's mailslot, retrying the
// open for about 5 s; false (logged) when it was not delivered. With `pidValueName` the
// mailslot is the one the running instance recorded for that executable (a name with its
// random part; nothing is sent without that record), and each retry follows a newer verified
// instance recorded under that name. Without it, the plain name of the id (tests only).
bool sendToRunningInstance(DWORD processId, const wchar_t* text,
                           const char* pidValueName = nullptr) noexcept;
// Thread procedure; owns the mailslot handle passed as parameter and closes it when a read
// error ends it, or a message arrives after the gate of machine calls closed (that message
// reaches no Java code). Returns 0.
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

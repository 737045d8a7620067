#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "util/handles.h"
#include "instance/fake_jni.h"
#include "instance/mailslot.h"
#include "instance/sender_process.h"
#include "vm/java_vm.h"

namespace tessel {
namespace {

using test::fakeJava;

// A mailslot of the kind the first instance makes, under this process's own id.
unique_hfile createOwnMailslot() {
  char name[kMailslotNameCapacity];
  mailslotName(GetCurrentProcessId(), name, sizeof name);
  return unique_hfile(createPrivateMailslot(name));
}

std::wstring receive(HANDLE mailslot) {
  std::vector<char> message;
  if (!receiveMailslotMessage(mailslot, message)) return L"<failed>";
  return std::wstring(reinterpret_cast<const wchar_t*>(message.data()), message.size() / 2);
}

TEST(Mailslot, NameCarriesTheProcessId) {
  char name[kMailslotNameCapacity];
  mailslotName(4294967, name, sizeof name);
  EXPECT_STREQ("\\\\.\\mailslot\\corvane_notification_4294967", name);
}

TEST(Mailslot, FirstInstanceNamesCarryARandomPart) {
  char a[kChannelTokenLength + 1], b[kChannelTokenLength + 1];
  ASSERT_TRUE(makeChannelToken(a, sizeof a));
  ASSERT_TRUE(makeChannelToken(b, sizeof b));
  EXPECT_EQ(kChannelTokenLength, std::strlen(a));
  EXPECT_STRNE(a, b);
  EXPECT_FALSE(makeChannelToken(a, kChannelTokenLength)) << "no room for the terminator";
  char name[kMailslotNameCapacity];
  mailslotName(4294967, name, sizeof name, b);
  EXPECT_EQ(std::string("\\\\.\\mailslot\\corvane_notification_4294967_") + b, name);

  const std::string channel = std::string("1234_") + b;
  EXPECT_TRUE(isChannelOf(channel.c_str(), 1234));
  EXPECT_FALSE(isChannelOf(channel.c_str(), 123)) << "another id";
  EXPECT_FALSE(isChannelOf(channel.c_str(), 12345));
  EXPECT_FALSE(isChannelOf("1234_", 1234)) << "no random part";
  EXPECT_FALSE(isChannelOf((channel + "0").c_str(), 1234)) << "too long";
  EXPECT_FALSE(isChannelOf(("1234_" + std::string(kChannelTokenLength, 'G')).c_str(), 1234));
  EXPECT_FALSE(isChannelOf(("1234_..\\" + std::string(kChannelTokenLength - 3, 'a')).c_str(), 1234));
}

TEST(Mailslot, OnlyTheCurrentUserIsAdmitted) {
  unique_hfile mailslot = createOwnMailslot();
  ASSERT_TRUE(mailslot);
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, GetSecurityInfo(mailslot.get(), SE_KERNEL_OBJECT,
                                           DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                           nullptr, &descriptor));
  ASSERT_NE(dacl, nullptr) << "a null DACL would admit everybody";
  ASSERT_EQ(dacl->AceCount, 1);
  void* entry = nullptr;
  ASSERT_TRUE(GetAce(dacl, 0, &entry));
  auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
  EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);

  unique_handle token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()));
  BYTE user[256];
  DWORD size = sizeof user;
  ASSERT_TRUE(GetTokenInformation(token.get(), TokenUser, user, size, &size));
  EXPECT_TRUE(EqualSid(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &allowed->SidStart));
  LocalFree(descriptor);
}

TEST(Mailslot, LaterStartsReachTheReaderWholeAndInOrder) {
  unique_hfile mailslot = createOwnMailslot();
  ASSERT_TRUE(mailslot);
  ASSERT_EQ(0, test::runSender(GetCurrentProcessId(), 1, L"-x \"a b\"  c"));
  ASSERT_EQ(0, test::runSender(GetCurrentProcessId(), 1, L""));
  ASSERT_EQ(0, test::runSender(GetCurrentProcessId(), 3, L"\x00e4\x4e2d"));
  EXPECT_EQ(L"-x \"a b\"  c", receive(mailslot.get()));
  EXPECT_EQ(kEmptyCommandLineMarker, receive(mailslot.get()));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(L"\x00e4\x4e2d", receive(mailslot.get()));
}

TEST(Mailslot, ReaderWaitsForAMessageThatComesLater) {
  unique_hfile mailslot = createOwnMailslot();
  ASSERT_TRUE(mailslot);
  HANDLE sender = CreateThread(
      nullptr, 0,
      [](void*) -> DWORD {
        Sleep(300);
        sendToRunningInstance(GetCurrentProcessId(), L"late");
        return 0;
      },
      nullptr, 0, nullptr);
  DWORD start = GetTickCount();
  EXPECT_EQ(L"late", receive(mailslot.get()));
  EXPECT_GE(GetTickCount() - start, 200u);
  WaitForSingleObject(sender, 5000);
  CloseHandle(sender);
}

TEST(Mailslot, TooLongTextIsNotDeliveredAndDoesNotDisturbTheNext) {
  unique_hfile mailslot = createOwnMailslot();
  ASSERT_TRUE(mailslot);
  std::wstring longText(40000, L'x');
  EXPECT_FALSE(sendToRunningInstance(GetCurrentProcessId(), longText.c_str()));
  std::wstring largest(kMaxMailslotMessage / 2, L'y');
  sendToRunningInstance(GetCurrentProcessId(), largest.c_str());
  sendToRunningInstance(GetCurrentProcessId(), L"after");
  std::wstring first = receive(mailslot.get());
  EXPECT_TRUE(first == largest) << "got " << first.size() << " units";
  EXPECT_EQ(L"after", receive(mailslot.get()));
}

TEST(Mailslot, SenderGivesUpWhenNoInstanceListens) {
  DWORD start = GetTickCount();
  // No mailslot exists under this id: about 5 s of retries, then only a log line.
  EXPECT_FALSE(sendToRunningInstance(GetCurrentProcessId(), L"nobody"));
  DWORD took = GetTickCount() - start;
  EXPECT_GE(took, 4500u);
  EXPECT_LT(took, 15000u);
}

class Delivery : public ::testing::Test {
 protected:
  void SetUp() override {
    fakeJava().reset();
    receiver_.env = test::fakeEnv();
  }
  void deliver(const std::wstring& text) {
    deliverStartup(receiver_, reinterpret_cast<const jchar*>(text.data()), text.size());
  }
  StartupReceiver receiver_;
};

TEST_F(Delivery, MarkerBecomesNullAndTextsBecomeStrings) {
  deliver(L"a \"b c\"");
  deliver(kEmptyCommandLineMarker);
  deliver(L"__cvn_empty_command_lin");
  EXPECT_EQ((std::vector<std::string>{"a \"b c\"", "<null>", "__cvn_empty_command_lin"}),
            fakeJava().snapshot());
  EXPECT_EQ(1, fakeJava().findClassCalls);  // looked up once, kept for the thread's life
  EXPECT_EQ(2, fakeJava().deleteLocalRefs);
}

TEST_F(Delivery, ExceptionFromTheListenerIsDescribedAndCleared) {
  fakeJava().throwFromCall = true;
  deliver(L"one");
  deliver(L"two");
  EXPECT_EQ(2u, fakeJava().callCount());
  EXPECT_EQ(2, fakeJava().describes);
  EXPECT_FALSE(fakeJava().pending);
  EXPECT_FALSE(fakeJava().callWithPending);
}

TEST_F(Delivery, MissingControllerDropsEachMessageAndRetriesTheLookUp) {
  fakeJava().classMissing = true;
  deliver(L"dropped");
  deliver(L"dropped too");
  EXPECT_EQ(0u, fakeJava().callCount());
  EXPECT_EQ(2, fakeJava().findClassCalls);
  EXPECT_FALSE(fakeJava().callWithPending);
  fakeJava().classMissing = false;
  deliver(L"found");
  EXPECT_EQ((std::vector<std::string>{"found"}), fakeJava().snapshot());
}

// The listener thread: messages sent before the machine exists wait and then arrive in order.
TEST(MailslotListener, MessagesBeforeTheMachineRunsAreDeliveredOnceItDoes) {
  fakeJava().reset();
  unique_hfile mailslot = createOwnMailslot();
  ASSERT_TRUE(mailslot);
  HANDLE thread = CreateThread(nullptr, 0, mailslotListener, mailslot.release(), 0, nullptr);
  ASSERT_NE(nullptr, thread);
  CloseHandle(thread);
  ASSERT_EQ(0, test::runSender(GetCurrentProcessId(), 1, L"early one"));
  ASSERT_EQ(0, test::runSender(GetCurrentProcessId(), 1, L""));
  Sleep(400);
  EXPECT_EQ(0u, fakeJava().callCount());

  javaVm = test::fakeVm();
  vmCreated.store(true, std::memory_order_release);
  EXPECT_TRUE(fakeJava().waitForCalls(2, 10000));
  ASSERT_EQ(0, test::runSender(GetCurrentProcessId(), 2, L"later"));
  EXPECT_TRUE(fakeJava().waitForCalls(4, 10000));
  EXPECT_EQ((std::vector<std::string>{"early one", "<null>", "later", "later"}),
            fakeJava().snapshot());
  // Once, and as a daemon, so that the machine's end does not wait for the listener.
  EXPECT_EQ(1, fakeJava().daemonAttaches);
  EXPECT_EQ(0, fakeJava().attaches);
  // The listener keeps its environment; put the process-wide machine back for other tests.
  vmCreated.store(false, std::memory_order_release);
  javaVm = nullptr;
}

}  // namespace
}  // namespace tessel

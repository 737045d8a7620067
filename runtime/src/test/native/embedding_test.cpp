// Starts the machine's JVM in-process and drives the runtime library exactly through the JNI
// calls the launcher makes: the launcher class's main on the creating thread, startupPerformed
// from an attached listener thread, getAction/getText from an attached splash thread, then
// DestroyJavaVM. Exit code 0 when every check holds.
#include <jni.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

int failures = 0;

void check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  std::fflush(stdout);
  if (!ok) ++failures;
}

JavaVM* javaVm = nullptr;

// Ends the process when something hangs: no check may wait without a limit.
void startWatchdog(int seconds) {
  std::thread([seconds] {
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    std::printf("FAILED: still running after %d s\n", seconds);
    std::fflush(stdout);
    std::_Exit(3);
  }).detach();
}

jobjectArray stringArray(JNIEnv* env, const std::vector<std::u16string>& items) {
  jclass stringClass = env->FindClass("java/lang/String");
  jobjectArray array = env->NewObjectArray(static_cast<jsize>(items.size()), stringClass, nullptr);
  for (size_t i = 0; i < items.size(); ++i) {
    jstring s = env->NewString(reinterpret_cast<const jchar*>(items[i].data()),
                               static_cast<jsize>(items[i].size()));
    env->SetObjectArrayElement(array, static_cast<jsize>(i), s);
    env->DeleteLocalRef(s);
  }
  return array;
}

bool callLauncherMain(JNIEnv* env, const std::vector<std::u16string>& args) {
  jclass launcher = env->FindClass("com/tessel/runtime/WinLauncher");
  jmethodID main = launcher ? env->GetStaticMethodID(launcher, "main", "([Ljava/lang/String;)V")
                            : nullptr;
  if (!main) return false;
  env->CallStaticVoidMethod(launcher, main, stringArray(env, args));
  if (env->ExceptionOccurred()) {
    env->ExceptionDescribe();
    return false;
  }
  return true;
}

// The mailslot listener's part: attach, look up, deliver a text and the "no arguments" null.
// The listener stays attached for the life of the process, so it must attach as a daemon, or
// DestroyJavaVM waits for it forever.
void listenerThread() {
  JNIEnv* env = nullptr;
  if (javaVm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) {
    return;
  }
  jclass controller = env->FindClass("com/tessel/Controller");
  jmethodID performed = controller ? env->GetStaticMethodID(controller, "startupPerformed",
                                                            "(Ljava/lang/String;)V")
                                   : nullptr;
  check(performed != nullptr, "listener thread finds Controller.startupPerformed");
  if (performed) {
    const std::u16string text = u"\"C:\\My Files\\\u00e4.txt\" -x";
    jstring s = env->NewString(reinterpret_cast<const jchar*>(text.data()),
                               static_cast<jsize>(text.size()));
    env->CallStaticVoidMethod(controller, performed, s);
    env->DeleteLocalRef(s);
    env->CallStaticVoidMethod(controller, performed, static_cast<jstring>(nullptr));
    check(!env->ExceptionCheck(), "startupPerformed leaves no exception pending");
  }
  javaVm->DetachCurrentThread();
}

// The splash timer's part: poll every 10 ms until action 1, collecting the texts.
std::vector<std::u16string> splashTexts;
std::atomic<bool> splashHidden{false};
void splashThread() {
  JNIEnv* env = nullptr;
  if (javaVm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) return;
  jclass controller = env->FindClass("com/tessel/runtime/TesselController");
  jmethodID getAction = controller ? env->GetStaticMethodID(controller, "getAction", "()I") : nullptr;
  jmethodID getText =
      controller ? env->GetStaticMethodID(controller, "getText", "()Ljava/lang/String;") : nullptr;
  check(getAction && getText, "splash thread finds getAction and getText");
  for (int tick = 0; getAction && getText && tick < 4000; ++tick) {
    jint action = env->CallStaticIntMethod(controller, getAction);
    if (action == 1) {
      splashHidden = true;
      break;
    }
    if (action == 2) {
      auto text = static_cast<jstring>(env->CallStaticObjectMethod(controller, getText));
      if (text) {
        const jchar* chars = env->GetStringChars(text, nullptr);
        splashTexts.emplace_back(reinterpret_cast<const char16_t*>(chars),
                                 env->GetStringLength(text));
        env->ReleaseStringChars(text, chars);
        env->DeleteLocalRef(text);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  javaVm->DetachCurrentThread();
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s class-path scratch-directory\n", argv[0]);
    return 2;
  }
  startWatchdog(60);
  const std::string classPath = std::string("-Djava.class.path=") + argv[1];
  const std::string scratch = argv[2];
  JavaVMOption options[] = {{const_cast<char*>(classPath.c_str()), nullptr},
                            {const_cast<char*>("-Djava.awt.headless=true"), nullptr},
                            {const_cast<char*>("_ignored_unknown_option"), nullptr}};
  JavaVMInitArgs initArgs{JNI_VERSION_1_2, 3, options, JNI_TRUE};
  JNIEnv* env = nullptr;
  auto start = std::chrono::steady_clock::now();
  if (JNI_CreateJavaVM(&javaVm, reinterpret_cast<void**>(&env), &initArgs) != JNI_OK) {
    std::printf("FAILED: JNI_CreateJavaVM\n");
    return 1;
  }
  std::printf("JVM created in %.0f ms\n",
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                  .count());

  check(!callLauncherMain(env, {u"true", u"org.example.Missing", u"", u"", u"true", u"app.exe"}),
        "a missing main class leaves an exception for the launcher");
  check(!env->ExceptionCheck(), "ExceptionDescribe cleared it");

  std::thread listener(listenerThread);
  std::thread splash(splashThread);
  const std::string out = scratch + "/var/log/output.log";
  std::remove(out.c_str());
  bool ran = callLauncherMain(env, {u"true", u"com.tessel.embedding.EmbeddedApp", u"",
                                    std::u16string(out.begin(), out.end()), u"true", u"app.exe",
                                    u"configured", u"gr\u00fc\u00dfe"});
  check(ran, "the launcher class ran the application without an exception");
  listener.join();
  splash.join();
  check(splashHidden, "the splash poller saw action 1");
  check(splashTexts.size() == 2 && splashTexts[0] == u"step one" && splashTexts[1] == u"step two",
        "the splash poller received both status texts in order");

  javaVm->DestroyJavaVM();
  const std::string output = readFile(out);
  std::printf("application output:\n%s", output.c_str());
  check(output.find("args configured|gr") != std::string::npos &&
            output.find("arguments unchanged true") != std::string::npos,
        "the application received its arguments");
  check(output.find("heard true") != std::string::npos, "both later starts arrived");
  check(output.find("later \"C:\\My Files\\") != std::string::npos &&
            output.find("|null\n") != std::string::npos,
        "later starts arrived as sent, the empty one as null");
  check(output.find("main returns\nworker done\n") != std::string::npos,
        "DestroyJavaVM waited for the application's last thread");
  return failures == 0 ? 0 : 1;
}

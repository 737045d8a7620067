#include "launch/java_vm_launcher.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "config/config_access.h"
#include "config/locale.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/paths.h"
#include "text_match.h"
#include "argument_list.h"
#include "files/expansion.h"
#include "vm/java_vm.h"
#include "vm/start_outcome.h"
#include "config/launcher_flavour.h"
#include "launch/entry_point_options.h"
#include "launch/vm_arguments.h"

namespace tessel {
namespace {

const char kMainSignature[] = "([Ljava/lang/String;)V";
// The runtime library's launcher class: splash settings and the reason for a failed start live
// there whatever the flavour's launcher class is.
const char kSplashClass[] = "com/tessel/runtime/WinLauncher";
const char kSplashSignature[] =
    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/String;II)V";

// Keys 103 and 105: expanded; "$..." passes unchanged, anything else becomes absolute.
std::wstring outputFileArgument(int32_t flagKey, int32_t fileKey) {
  if (!configInt(flagKey)) return std::wstring();
  wchar_t value[kPathCapacity];
  configStringW(fileKey, value, kPathCapacity);
  expandVariables(value, kPathCapacity, PathForm::Long);
  if (value[0] == L'$') return value;
  wchar_t absolute[kPathCapacity];
  if (!absolutePathW(absolute, value, PathForm::Long)) {
    logError("output file name too long: %S", value);
    return value;
  }
  return absolute;
}

// Configuration texts are bytes; each byte becomes the character of the same number.
jstring newWidenedString(JNIEnv* env, int32_t key) {
  wchar_t text[limit::kJavaTextCapacity];
  configStringW(key, text, limit::kJavaTextCapacity);
  return env->NewString(reinterpret_cast<const jchar*>(text), static_cast<jsize>(std::wcslen(text)));
}

// The runtime calls this before it ends the process itself, for example when the boot layer
// cannot be resolved because the main module or a module it requires is missing; what it
// printed went to standard error, which a GUI application does not show.
void JNICALL virtualMachineAborted() {
  if (vmCreated.load(std::memory_order_acquire)) return;
  logError("the virtual machine stopped while starting");
  char text[kPathCapacity];
  formatText(text, kPathCapacity,
             "The Java runtime stopped while starting the module %s.\nThe module or a module it "
             "requires may be missing from the module path.",
             mainModuleName().c_str());
  fatalError(text);
}

// The first line of the exception that ended main, for the error text.
std::wstring mainException;

// Values of the launcher class's "startFailure" field.
enum class StartFailure { None = 0, MainClassNotFound = 1, MainMethodNotFound = 2 };

StartFailure readStartFailure(JNIEnv* env) {
  jclass launcher = env->FindClass(kSplashClass);
  jfieldID field = launcher ? env->GetStaticFieldID(launcher, "startFailure", "I") : nullptr;
  if (!field) {  // an older runtime library: every failure is the application's
    clearPendingException(env);
    return StartFailure::None;
  }
  jint value = env->GetStaticIntField(launcher, field);
  clearPendingException(env);
  if (value == 1) return StartFailure::MainClassNotFound;
  if (value == 2) return StartFailure::MainMethodNotFound;
  return StartFailure::None;
}

// Appends a Java string's characters (at most up to the first line break).
void appendJavaString(JNIEnv* env, jstring text, std::wstring& out) {
  if (!text) return;
  jsize n = env->GetStringLength(text);
  const jchar* chars = env->GetStringChars(text, nullptr);
  if (!chars) return;
  for (jsize i = 0; i < n && chars[i] != u'\n' && chars[i] != u'\r'; ++i)
    out.push_back(static_cast<wchar_t>(chars[i]));
  env->ReleaseStringChars(text, chars);
}

jstring callStringMethod(JNIEnv* env, jobject target, const char* owner, const char* name) {
  jclass ownerClass = env->FindClass(owner);
  jmethodID method = ownerClass ? env->GetMethodID(ownerClass, name, "()Ljava/lang/String;") : nullptr;
  jstring result = method ? static_cast<jstring>(env->CallObjectMethod(target, method)) : nullptr;
  // A failing look-up or call leaves no description: the caller falls back to less text.
  return clearPendingException(env) ? nullptr : result;
}

// "<exception class>: <first line of its message>", or only the class without a message.
std::wstring describeThrowable(JNIEnv* env, jthrowable thrown) {
  constexpr size_t kLimit = 1000;  // a message box is no place for a whole document
  std::wstring text;
  jclass thrownClass = env->GetObjectClass(thrown);
  if (!thrownClass) return text;
  appendJavaString(env, callStringMethod(env, thrownClass, "java/lang/Class", "getName"), text);
  if (text.empty()) return text;
  std::wstring message;
  appendJavaString(env, callStringMethod(env, thrown, "java/lang/Throwable", "getMessage"), message);
  if (!message.empty()) text += L": " + message;
  if (text.size() > kLimit) text.resize(kLimit);
  return text;
}

// After main ended with an exception: ends the process with 1010 or 1011 when the Java side
// found no main class or no main method; otherwise keeps the exception's description.
void handleMainException(JNIEnv* env) {
  jthrowable thrown = env->ExceptionOccurred();
  env->ExceptionDescribe();
  StartFailure failure = readStartFailure(env);
  const std::wstring mainClass = configuredMainClass();
  if (failure != StartFailure::None) markFailedStart();
  if (failure == StartFailure::MainClassNotFound) {
    logError("main class %S not found in the class path", mainClass.c_str());
    fatalMessageW(key::MsgMainClassNotFound, mainClass.c_str());
  }
  if (failure == StartFailure::MainMethodNotFound) {
    logError("main class %S has no public static main(String[]) method", mainClass.c_str());
    fatalMessageW(key::MsgMainMethodNotFound, mainClass.c_str());
  }
  mainException = thrown ? describeThrowable(env, thrown) : std::wstring();
  logError("main ended with an exception: %S", mainException.c_str());
}

[[noreturn]] void argumentCreationFailed(const char* what) {
  logError("could not create %s for the main method", what);
  fatalMessageW(key::MsgJvmNotStarted, nullptr);
}

}  // namespace

std::string launcherClassName() {
  char name[kPathCapacity];
  copyText(name, kPathCapacity,
           corvaneFlavour() ? "com/corvane/runtime/launcher/WinLauncher" : "com/tessel/runtime/WinLauncher");
  for (char* c = name; *c; ++c)
    if (*c == '.') *c = '/';
  return name;
}

ArgumentList buildLauncherArguments(const ArgumentList& arguments) {
  ArgumentList launcher;
  launcher.push_back(configInt(key::ExecutableType) == 1 ? L"true" : L"false");
  launcher.push_back(configuredMainClass());
  launcher.push_back(outputFileArgument(key::RedirectStderr, key::StderrFile));
  launcher.push_back(outputFileArgument(key::RedirectStdout, key::StdoutFile));
  launcher.push_back(configInt(key::LauncherFlagFive) ? L"true" : L"false");
  if (arguments.empty()) return launcher;
  launcher.push_back(arguments[0]);
  appendExpandedTokens(key::ApplicationArguments, limit::kJavaTextCapacity, PathForm::Long, launcher);
  bool jOptions = configInt(key::AllowJOptions) != 0;
  for (size_t i = 1; i < arguments.size(); ++i) {
    if (startsWith(arguments[i], kFormatAsDefaultOption)) continue;
    if (jOptions && startsWith(arguments[i], L"-J")) continue;
    launcher.push_back(arguments[i]);
  }
  return launcher;
}

bool createVm(const std::vector<std::string>& properties, const ArgumentList& arguments) {
  JavaVMInitArgs* initArgs = buildVmOptions(properties, arguments);
  logLine("Creating JVM");
  CreateJavaVmFunction create = createJavaVmFunction();
  if (!create) {
    logError("no JNI_CreateJavaVM entry point");
    return false;
  }
  const bool abortHook = !mainModuleName().empty();
  // System.exit's code may decide a restart, and completes a written archive.
  const bool exitHook = wantsExitHook();
  if (abortHook || exitHook) {
    // Not logged as options: hooks the runtime calls, not options it reads.
    // Handed to the machine with the options it extends: kept until the next creation.
    static JavaVMOption* withHooks = nullptr;
    delete[] withHooks;
    withHooks = new JavaVMOption[static_cast<size_t>(initArgs->nOptions) + 2];
    jint count = 0;
    for (; count < initArgs->nOptions; ++count) withHooks[count] = initArgs->options[count];
    if (abortHook)
      withHooks[count++] = JavaVMOption{const_cast<char*>("abort"), reinterpret_cast<void*>(&virtualMachineAborted)};
    if (exitHook)
      withHooks[count++] = JavaVMOption{const_cast<char*>("exit"), reinterpret_cast<void*>(&virtualMachineExit)};
    initArgs->options = withHooks;
    initArgs->nOptions = count;
  }
  JavaVM* vm = nullptr;
  jint result = create(&vm, reinterpret_cast<void**>(&mainEnv), initArgs);
  if (result != 0) {
    logError("JNI_CreateJavaVM returned %d", static_cast<int>(result));
    return false;
  }
  javaVm = vm;
  return true;
}

void passSplashConfiguration() {
  JNIEnv* env = mainEnv;
  jclass splashClass = env->FindClass(kSplashClass);
  if (!splashClass) {
    logError("could not find main class for splash properties");
    clearPendingException(env);
    return;
  }
  jmethodID method = env->GetStaticMethodID(splashClass, "initAwtSplashConfig", kSplashSignature);
  if (!method) {
    logError("could not find method for splash properties");
    clearPendingException(env);
    return;
  }
  jstring statusText = newWidenedString(env, key::StatusLineText);
  jstring statusColour = newWidenedString(env, key::StatusLineColour);
  jstring versionText = newWidenedString(env, key::VersionLineText);
  jstring versionColour = newWidenedString(env, key::VersionLineColour);
  env->CallStaticVoidMethod(
      splashClass, method, JNI_TRUE, configInt(key::SplashConfigFlag) ? JNI_TRUE : JNI_FALSE,
      statusText, static_cast<jint>(configInt(key::StatusLineX)),
      static_cast<jint>(configInt(key::StatusLineY)), statusColour,
      static_cast<jint>(configInt(key::StatusLineSize)),
      static_cast<jint>(configInt(key::StatusLineWeight)), versionText,
      static_cast<jint>(configInt(key::VersionLineX)), static_cast<jint>(configInt(key::VersionLineY)),
      versionColour, static_cast<jint>(configInt(key::VersionLineSize)),
      static_cast<jint>(configInt(key::VersionLineWeight)));
  clearPendingException(env);
  env->DeleteLocalRef(statusText);
  env->DeleteLocalRef(statusColour);
  env->DeleteLocalRef(versionText);
  env->DeleteLocalRef(versionColour);
}

FirstRunOutcome runFirstRunHook() {
  const std::wstring installation = configTextW(key::InstallationDirectory);
  wchar_t marker[kPathCapacity];
  if (!absolutePathW(marker, installation.c_str(), PathForm::Long)) return FirstRunOutcome::Proceed;
  size_t n = std::wcslen(marker);
  if (!appendWhole(marker, kPathCapacity, (n > 0 && marker[n - 1] == L'\\') ? L".corvane\\firstrun"
                                                                            : L"\\.corvane\\firstrun"))
    return FirstRunOutcome::Proceed;
  if (!fileExistsW(marker)) return FirstRunOutcome::Proceed;
  JNIEnv* env = mainEnv;
  jclass firstRunClass = env->FindClass("com/corvane/runtime/launcher/FirstRun");
  if (!firstRunClass) fatalMessage(key::MsgInternalError, "14");
  jmethodID firstRun = env->GetStaticMethodID(firstRunClass, "firstRun", "()Z");
  if (!firstRun) fatalMessage(key::MsgInternalError, "15");
  jboolean goOn = env->CallStaticBooleanMethod(firstRunClass, firstRun);
  if (env->ExceptionOccurred()) {
    // A failed first-run step is a failed start, not a request to stop: the user must hear of it.
    logError("the first-run step ended with an exception");
    env->ExceptionDescribe();
    return FirstRunOutcome::Failed;
  }
  return goOn != JNI_FALSE ? FirstRunOutcome::Proceed : FirstRunOutcome::Stop;
}

bool runLauncherClass(const ArgumentList& arguments) {
  JNIEnv* env = mainEnv;
  FirstRunOutcome firstRun = corvaneFlavour() ? runFirstRunHook() : FirstRunOutcome::Proceed;
  if (firstRun == FirstRunOutcome::Failed) return false;
  if (firstRun == FirstRunOutcome::Stop) {
    logLine("checkFirstRun stopped further execution");
    return true;
  }
  std::string className = launcherClassName();
  logLine("main class: %s", className.c_str());
  // Named in the messages as a Java developer writes it.
  wchar_t dotted[kPathCapacity];
  formatText(dotted, kPathCapacity, L"%S", className.c_str());
  for (wchar_t* c = dotted; *c; ++c)
    if (*c == L'/') *c = L'.';
  jclass launcherClass = env->FindClass(className.c_str());
  if (!launcherClass) {
    logError("could not find main class");
    fatalMessageW(key::MsgMainClassNotFound, dotted);
  }
  jmethodID main = env->GetStaticMethodID(launcherClass, "main", kMainSignature);
  if (!main) {
    logError("could not find main method");
    fatalMessageW(key::MsgMainMethodNotFound, dotted);
  }
  ArgumentList launcherArguments = buildLauncherArguments(arguments);
  jsize count = static_cast<jsize>(launcherArguments.size());
  logLine("param count: %d", static_cast<int>(count));
  jclass stringClass = env->FindClass("java/lang/String");
  jobjectArray parameters = stringClass ? env->NewObjectArray(count, stringClass, nullptr) : nullptr;
  if (!parameters) argumentCreationFailed("the argument array");
  for (jsize i = 0; i < count; ++i) {
    const std::wstring& argument = launcherArguments[static_cast<size_t>(i)];
    logLine("param %d: %S", static_cast<int>(i), argument.c_str());
    // UTF-16 straight through: no code-page conversion.
    jstring text = env->NewString(reinterpret_cast<const jchar*>(argument.c_str()),
                                  static_cast<jsize>(argument.size()));
    if (!text) argumentCreationFailed("an argument string");
    env->SetObjectArrayElement(parameters, i, text);
  }
  logLine("calling main");
  markApplicationRunning();
  env->CallStaticVoidMethod(launcherClass, main, parameters);
  logLine("main returned");
  if (env->ExceptionCheck()) {
    handleMainException(env);
    return false;
  }
  return true;
}

const wchar_t* mainExceptionText() { return mainException.c_str(); }

void destroyVmAfterApplication() {
  // A windowed application's main returns at once and the application runs on inside
  // DestroyJavaVM: the runtime library waits for its threads first, so that the launcher's own
  // threads (hand-over, splash) may call in until the application has ended.
  JNIEnv* env = vmCreated.load() && !vmDestroyed.load() ? mainEnv : nullptr;
  jclass launcher = env ? env->FindClass(kSplashClass) : nullptr;
  jmethodID await =
      launcher ? env->GetStaticMethodID(launcher, "awaitApplicationThreads", "()V") : nullptr;
  if (await) {
    env->CallStaticVoidMethod(launcher, await);
  } else if (env) {
    logLine("the runtime library cannot wait for the application's threads");
  }
  if (env) clearPendingException(env);
  if (launcher) env->DeleteLocalRef(launcher);
  destroyVm();
}

bool launchProgram(ArgumentList& arguments, AfterMain afterMain) {
  logLine("launching program");
  mainException.clear();
  std::vector<std::string> properties = buildLauncherProperties();
  if (!createVm(properties, arguments)) {
    logError("could not initialize JVM");
    return false;
  }
  logLine("JVM created");
  vmCreated.store(true, std::memory_order_release);
  if (configInt(key::SplashScreen) && configInt(key::RuntimeSplash)) passSplashConfiguration();
  if (!runLauncherClass(arguments)) {
    logError("could not call main");
    return false;
  }
  if (afterMain == AfterMain::DestroyVm) {
    logLine("dest JVM");
    destroyVmAfterApplication();
  }
  logLine("launch done");
  return true;
}

}  // namespace tessel

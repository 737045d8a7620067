// The smallest program that loads a jvm.dll and calls a launcher class's main: the baseline
// of the launch-time figure, and a direct driver of the double.
// Usage: jvm_caller <jvm.dll> [VM option ...] [-- main argument ...]
#include <windows.h>

#include <jni.h>

#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  HMODULE jvm = LoadLibraryW(argv[1]);
  if (!jvm) return 3;
  using Create = jint(JNICALL*)(JavaVM**, void**, void*);
  Create create = reinterpret_cast<Create>(GetProcAddress(jvm, "JNI_CreateJavaVM"));
  if (!create) return 4;
  std::vector<std::string> texts;
  int i = 2;
  for (; i < argc && std::wstring(argv[i]) != L"--"; ++i) {
    char narrow[4096];
    WideCharToMultiByte(CP_ACP, 0, argv[i], -1, narrow, sizeof narrow, nullptr, nullptr);
    texts.push_back(narrow);
  }
  std::vector<JavaVMOption> options;
  for (std::string& text : texts) options.push_back(JavaVMOption{&text[0], nullptr});
  JavaVMInitArgs args{JNI_VERSION_1_2, static_cast<jint>(options.size()), options.data(), JNI_TRUE};
  JavaVM* vm = nullptr;
  JNIEnv* env = nullptr;
  if (create(&vm, reinterpret_cast<void**>(&env), &args) != 0) return 5;
  jclass launcher = env->FindClass("com/tessel/runtime/WinLauncher");
  jmethodID main = env->GetStaticMethodID(launcher, "main", "([Ljava/lang/String;)V");
  int first = i < argc ? i + 1 : argc;
  jobjectArray parameters = env->NewObjectArray(argc - first, env->FindClass("java/lang/String"), nullptr);
  for (int k = first; k < argc; ++k)
    env->SetObjectArrayElement(parameters, k - first,
                               env->NewString(reinterpret_cast<const jchar*>(argv[k]), static_cast<jsize>(wcslen(argv[k]))));
  env->CallStaticVoidMethod(launcher, main, parameters);
  if (env->ExceptionOccurred()) {
    env->ExceptionDescribe();
    return 1;
  }
  vm->DestroyJavaVM();
  return 0;
}

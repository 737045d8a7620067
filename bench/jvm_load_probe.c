/* The trivial counterpart of a start: load the given jvm.dll and call its JNI_CreateJavaVM. */
#include <windows.h>

typedef long (*CreateJavaVm)(void**, void**, void*);

int main(int argc, char** argv) {
  HMODULE library = argc > 1 ? LoadLibraryA(argv[1]) : NULL;
  CreateJavaVm create = library ? (CreateJavaVm)(void*)GetProcAddress(library, "JNI_CreateJavaVM") : NULL;
  void* vm = NULL;
  void* env = NULL;
  if (!create) return 3;
  return create(&vm, &env, NULL) == 0 ? 0 : 4;
}

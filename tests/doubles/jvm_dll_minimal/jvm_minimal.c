/* The least a runtime library must offer the launcher: the JNI_CreateJavaVM export. It creates
   nothing and reports failure (JNI_ERR). Built for 64 bits, and for 32 bits as the runtime of
   the wrong word size. */
#ifdef _WIN64
#define CALLCONV
#else
#define CALLCONV __stdcall
#endif

__declspec(dllexport) long CALLCONV JNI_CreateJavaVM(void** vm, void** env, void* args) {
  (void)args;
  if (vm) *vm = 0;
  if (env) *env = 0;
  return -1;
}

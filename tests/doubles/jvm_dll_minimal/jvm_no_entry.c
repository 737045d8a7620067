/* A jvm.dll that loads but lacks JNI_CreateJavaVM: a damaged or foreign library. */
__declspec(dllexport) int JNI_GetDefaultJavaVMInitArgs_missing_create(void* args) {
  (void)args;
  return -1;
}

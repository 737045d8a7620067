/* An application's native library that imports a helper library of its own folder. */
__declspec(dllimport) int helper_marker(void);
__declspec(dllexport) int app_native_marker(void) { return helper_marker(); }

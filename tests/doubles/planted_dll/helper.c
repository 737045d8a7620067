/* A library that another one imports; which copy was loaded shows in its module file name. */
__declspec(dllexport) int helper_marker(void) { return 7; }

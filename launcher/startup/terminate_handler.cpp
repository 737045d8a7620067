// Our own terminate handler and failure hooks of the standard library. The library's own
// versions print a demangled message through stdio or build exception objects with their
// strings, and bring the demangler, a printf implementation and the prebuilt string
// instances with them: a large share of the executable's size. The launcher is built
// without catching anything, so every one of these ends the process the same way.
#include <windows.h>

namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() { ExitProcess(3); }
}  // namespace __gnu_cxx

namespace std {
[[noreturn]] void __throw_bad_alloc() { ExitProcess(3); }
[[noreturn]] void __throw_bad_array_new_length() { ExitProcess(3); }
[[noreturn]] void __throw_length_error(const char*) { ExitProcess(3); }
[[noreturn]] void __throw_logic_error(const char*) { ExitProcess(3); }
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { ExitProcess(3); }
}  // namespace std

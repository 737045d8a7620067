// Our own terminate handler. The standard library's default one prints a demangled message
// through stdio and brings the demangler and a printf implementation with it, a large share
// of the executable's size; the launcher has no console to print to anyway.
#include <windows.h>

namespace __gnu_cxx {
[[noreturn]] void __verbose_terminate_handler() { ExitProcess(3); }
}  // namespace __gnu_cxx

// Fails in the standard library as its argument says: "terminate", "length", "thread".
// Errors go to standard error, as with the launcher's -q option.
#include <windows.h>

#include <cstring>
#include <exception>
#include <vector>

#include "diagnostics/errors.h"

namespace {

DWORD WINAPI terminateOnThread(void*) {
  std::terminate();
}

}  // namespace

int main(int argc, char** argv) {
  tessel::clearErrorDialogs();
  const char* what = argc > 1 ? argv[1] : "";
  if (std::strcmp(what, "terminate") == 0) std::terminate();
  if (std::strcmp(what, "length") == 0) {
    std::vector<int> v;
    v.reserve(static_cast<size_t>(-1));
  }
  if (std::strcmp(what, "thread") == 0) {
    HANDLE thread = CreateThread(nullptr, 0, terminateOnThread, nullptr, 0, nullptr);
    WaitForSingleObject(thread, 30000);
    return 4;  // the process should have ended from the thread
  }
  return 0;
}

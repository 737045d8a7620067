#include <cstdio>

int main() {
  std::puts("usage: tessel build PROJECT.toml -o APP.exe | tessel inspect APP.exe");
  return 2;
}

// Stands in for a runtime's unpack200.exe: "unpack200 -r <packed> <target>" copies the packed
// file to the target. Like the real tool it takes argv[0] for its own name, so a command line
// that begins with "-r" is refused (exit code 1). A packed file whose content begins with
// "FAIL" leaves a partial target behind and ends with exit code 2, like a tool that gave up
// half way; one that begins with "HANG" leaves a partial target and never ends.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  std::vector<const char*> files;
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] != '-') files.push_back(argv[i]);
  if (argc < 1 || argv[0][0] == '-' || files.size() != 2) {
    std::fprintf(stderr, "usage: unpack200 [-r] packed target\n");
    return 1;
  }
  FILE* in = std::fopen(files[0], "rb");
  if (!in) return 3;
  std::string content;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), in)) > 0) content.append(buffer, n);
  std::fclose(in);
  FILE* out = std::fopen(files[1], "wb");
  if (!out) return 4;
  bool fail = content.compare(0, 4, "FAIL") == 0;
  bool hang = content.compare(0, 4, "HANG") == 0;
  std::fwrite(content.data(), 1, (fail || hang) ? content.size() / 2 : content.size(), out);
  std::fclose(out);
  if (hang)
    for (;;) Sleep(INFINITE);
  return fail ? 2 : 0;
}

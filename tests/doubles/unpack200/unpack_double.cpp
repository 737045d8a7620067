// Stands in for a runtime's unpack200.exe: "[-r] <packed> <target>" copies the packed file to
// the target. A packed file whose content begins with "FAIL" leaves a partial target behind
// and ends with exit code 2, like a tool that gave up half way.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  // The launcher passes no program name, so argv[0] may already be "-r": skip options.
  std::vector<const char*> files;
  for (int i = 0; i < argc; ++i) {
    if (i == 0 && argv[0][0] != '-') continue;
    if (argv[i][0] == '-') continue;
    files.push_back(argv[i]);
  }
  if (files.size() != 2) {
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
  std::fwrite(content.data(), 1, fail ? content.size() / 2 : content.size(), out);
  std::fclose(out);
  return fail ? 2 : 0;
}

// Builds an application from the launcher template for the screen scripts, the way the build
// tool will: template bytes, configuration block, trailer.
// Usage: make_test_app TEMPLATE.exe OUT.exe KEY=VALUE ...   (values are UTF-8 text)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "block_writer.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_test_app TEMPLATE.exe OUT.exe KEY=VALUE ...\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (data.empty()) {
    std::fprintf(stderr, "no template at %s\n", argv[1]);
    return 1;
  }
  tessel::BlockContents block;
  for (int i = 3; i < argc; ++i) {
    std::string pair = argv[i];
    size_t equals = pair.find('=');
    if (equals == std::string::npos || equals == 0) {
      std::fprintf(stderr, "not KEY=VALUE: %s\n", argv[i]);
      return 2;
    }
    block.strings.emplace_back(std::atoi(pair.substr(0, equals).c_str()), pair.substr(equals + 1));
  }
  std::vector<uint8_t> serialized = tessel::serializeBlock(block);
  data.insert(data.end(), serialized.begin(), serialized.end());
  std::vector<uint8_t> trailer = tessel::trailerBytes(data.size());
  data.insert(data.end(), trailer.begin(), trailer.end());
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return out.good() ? 0 : 1;
}

// SPDX-License-Identifier: MIT
// A main() for the fuzz targets when libFuzzer is not linked (any compiler):
// runs every input file named on the command line, or found in a directory
// named there, once through LLVMFuzzerTestOneInput. Arguments that start with
// '-' are libFuzzer flags and are ignored. Fails when no input was run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::set<fs::path> inputs;  // sorted, so runs repeat in the same order
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-') continue;
    if (!fs::is_directory(argv[i])) {
      inputs.insert(argv[i]);
      continue;
    }
    for (const auto& entry : fs::directory_iterator(argv[i])) {
      if (entry.is_regular_file()) inputs.insert(entry.path());
    }
  }
  for (const auto& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 1;
    }
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(data.data(), data.size());
  }
  std::printf("%zu inputs run\n", inputs.size());
  return inputs.empty() ? 1 : 0;
}

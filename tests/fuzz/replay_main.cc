// Runs a fuzz target over files, without libFuzzer: each argument is a
// file, or a directory whose files are read, in name order. This makes a
// target's corpus a test of the suite; an input that once broke a rule
// stops the run (the target aborts) and names itself on stdout.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    if (fs::is_directory(argv[i])) {
      for (auto const& entry : fs::recursive_directory_iterator(argv[i])) {
        if (entry.is_regular_file()) inputs.push_back(entry.path());
      }
    } else {
      inputs.emplace_back(argv[i]);
    }
  }
  std::sort(inputs.begin(), inputs.end());
  if (inputs.empty()) {
    std::cerr << "usage: " << argv[0] << " <input file or directory>...; no inputs given\n";
    return 2;
  }
  for (fs::path const& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      std::cerr << "cannot read " << path << "\n";
      return 2;
    }
    std::vector<std::uint8_t> const bytes{std::istreambuf_iterator<char>(file), {}};
    std::cout << path.filename().string() << std::endl;
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::cout << inputs.size() << " inputs ran clean\n";
  return 0;
}

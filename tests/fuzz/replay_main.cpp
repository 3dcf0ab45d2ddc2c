// Replays fuzz inputs through a fuzz target without libFuzzer: every file named, and every file in
// every folder named, once. The normal test suite runs each target over its corpus this way, so
// that what fuzzing once found stays fixed; exit status 0 when every input ran.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::cerr << "cannot read " << file << "\n";
    return false;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path arg(argv[i]);
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(arg)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
        if (entry.is_regular_file())
          files.push_back(entry.path());
      }
    } else {
      files.push_back(arg);
    }
    for (const std::filesystem::path& file : files) {
      if (!Replay(file))
        return 1;
      ++inputs;
    }
  }
  std::cout << inputs << " inputs replayed\n";
  return inputs > 0 ? 0 : 1;
}

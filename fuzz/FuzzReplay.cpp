// A fuzz target's entry point run over files instead of libFuzzer's search, so that the tests can
// replay the inputs kept in tests/crashers/. Each input lies in a heap block of exactly its size, as
// under libFuzzer, so that AddressSanitizer sees any read past it. Arguments are files or folders; a
// folder gives its files in name order, and one that does not exist gives none.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

// libFuzzer's malloc limit: one allocation above 2 GiB is a find.
extern "C" const char* __asan_default_options() {
  return "max_allocation_size_mb=2048";
}

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Inputs(const fs::path& path) {
  if (!fs::is_directory(path))
    return fs::exists(path) ? std::vector<fs::path>{path} : std::vector<fs::path>{};
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(path))
    if (entry.is_regular_file())
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize)
    LLVMFuzzerInitialize(&argc, &argv);
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    for (const fs::path& path : Inputs(argv[i])) {
      std::ifstream file(path, std::ios::binary);
      const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
      if (file.bad()) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
      }
      const auto input = std::make_unique<std::uint8_t[]>(bytes.size());
      std::copy(bytes.begin(), bytes.end(), input.get());
      std::fprintf(stderr, "replaying %s\n", path.c_str());
      LLVMFuzzerTestOneInput(input.get(), bytes.size());
      ++count;
    }
  }
  std::fprintf(stderr, "inputs replayed: %zu\n", count);
  return 0;
}

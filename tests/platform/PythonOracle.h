// Python's codecs, decimal and configparser were written apart from our code, so tests use them as the oracle.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vrel::oracle {
namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}
inline void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ToHex(std::string_view bytes) {
  std::string hex;
  for (unsigned char b : bytes)
    hex += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
  return hex;
}
inline std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += char(std::stoi(std::string(hex.substr(i, 2)), 0, 16));
  return bytes;
}

// A folder of its own, removed afterwards.
struct TempFolder {
  fs::path path = [] {
    std::string pattern = (fs::temp_directory_path() / "vrel-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("cannot make a temporary folder");
    return fs::path(pattern);
  }();
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

// Runs `script` with `args` in `folder`; its standard output comes back as lines (none, and a failure, if it fails).
inline std::vector<std::string> RunPython(const TempFolder& folder, const std::string& script,
                                          const std::vector<std::string>& args) {
  WriteFile(folder.path / "oracle.py", script);
  std::string command = "python3 '" + (folder.path / "oracle.py").string() + "'";
  for (const std::string& arg : args)
    command += " '" + arg + "'";
  command += " > '" + (folder.path / "out").string() + "' 2> '" + (folder.path / "err").string() + "'";
  const bool ok = std::system(command.c_str()) == 0;
  std::vector<std::string> lines;
  std::ifstream out(folder.path / "out");
  for (std::string line; ok && std::getline(out, line);)
    lines.push_back(line);
  if (!ok)
    ADD_FAILURE() << "python3 (a test dependency, installed by ./dev) failed: " << ReadFile(folder.path / "err");
  return lines;
}

// The script gets a file holding `input` as its first argument.
inline std::vector<std::string> RunPython(const std::string& script, const std::string& input) {
  const TempFolder folder;
  WriteFile(folder.path / "input.txt", input);
  return RunPython(folder, script, {(folder.path / "input.txt").string()});
}

}  // namespace vrel::oracle

// ImageMagick and netpbm were written apart from our code: tests make their images with them and take
// the pixels they decode as the expectation.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Device.h"
#include "tests/platform/PythonOracle.h"

namespace vrel::oracle {

// Runs a shell command in `folder`; true when it succeeded.
inline bool RunTool(const TempFolder& folder, const std::string& command) {
  const std::string line = "cd '" + folder.path.string() + "' && " + command + " 2> oracle-error.txt";
  return std::system(line.c_str()) == 0;
}

inline std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
  const std::string text = ReadFile(path);
  return {text.begin(), text.end()};
}

inline void WriteBytes(const fs::path& path, std::span<const std::uint8_t> bytes) {
  WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

// The largest texture of common displays, for face images.
constexpr int kLargestTexture = 16384;

// A texture image's pixels as rows of blue, green, red and alpha without padding (alpha 255 where the
// image has none).
inline std::vector<std::uint8_t> BgraOf(const TextureImage& image) {
  std::vector<std::uint8_t> bgra;
  const std::size_t texel = image.format == TexelFormat::Bgr24 ? 3 : 4;
  for (std::size_t y = 0; y < std::size_t(image.height); ++y) {
    for (std::size_t x = 0; x < std::size_t(image.width); ++x) {
      const std::uint8_t* p = &image.pixels[y * image.RowBytes() + x * texel];
      bgra.insert(bgra.end(), {p[0], p[1], p[2], image.format == TexelFormat::Bgra32 ? p[3] : std::uint8_t(255)});
    }
  }
  return bgra;
}

// The largest difference between two byte strings of equal length (256 when the lengths differ).
inline int MaxDifference(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  if (a.size() != b.size())
    return 256;
  int worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
  return worst;
}

}  // namespace vrel::oracle

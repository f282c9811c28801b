// What the loader tests share: loading a graphic from bytes, the pixels ImageMagick decodes from the
// same file, and the sweep of cut-off and damaged copies that must be refused with a message (or load
// exactly as the whole file did), never crash or read past their bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "imaging/Graphics.h"
#include "imaging/Streams.h"
#include "tests/imaging/ImageOracle.h"

namespace vrel::oracle {

using Bytes = std::vector<std::uint8_t>;

template <class G>
std::unique_ptr<G> LoadGraphic(const Bytes& file) {
  TMemoryInputStream stream(file);
  auto graphic = std::make_unique<G>();
  graphic->LoadFromStream(stream);
  return graphic;
}

// The message a load raises, or "" when it loaded.
template <class G>
std::string LoadError(const Bytes& file) {
  try {
    LoadGraphic<G>(file);
  } catch (const Exception& e) {
    return e.what();
  }
  return "";
}

// BGRA rows without padding, as a texture gets them.
inline Bytes PixelsOf(const TBitmap& bitmap) {
  return bitmap.ToBgra();
}

// ImageMagick's decode of `file` (in `folder`) as 8-bit BGRA rows; fails the test when it cannot.
inline Bytes MagickBgra(const TempFolder& folder, const std::string& file, const std::string& options = "") {
  const std::string out = file + ".bgra";
  EXPECT_TRUE(RunTool(folder, "convert '" + file + "' " + options + " -depth 8 bgra:'" + out + "'"))
      << ReadFile(folder.path / "oracle-error.txt");
  return ReadBytes(folder.path / out);
}

// The pixels, or nothing when the load raised one of the system's exceptions.
template <class G>
std::optional<Bytes> LoadedPixels(const Bytes& file) {
  try {
    return PixelsOf(*LoadGraphic<G>(file));
  } catch (const Exception&) {
    return std::nullopt;
  }
}

// Every prefix of `file` (each `step`-th, and the last 64) is refused or loads exactly as the whole
// file; 200 seeded copies with 1 to 4 bytes changed load or are refused. Anything but the system's
// exceptions (a crash, an over-read under ASan, a std::bad_alloc) fails.
template <class G>
void SweepDamagedFiles(const Bytes& file, std::size_t step = 1, std::uint32_t seed = 23) {
  const Bytes whole = PixelsOf(*LoadGraphic<G>(file));
  for (std::size_t size = 0; size < file.size(); ++size) {
    if (size % step != 0 && size + 64 < file.size())
      continue;
    const auto pixels = LoadedPixels<G>(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)));
    if (pixels) {
      ASSERT_EQ(*pixels, whole) << "a prefix of " << size << " of " << file.size() << " bytes";
    }
  }
  std::mt19937 random(seed);
  for (int round = 0; round < 200; ++round) {
    Bytes damaged = file;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c) {
      std::uint8_t& byte = damaged[random() % damaged.size()];
      byte =
          random() % 2 ? static_cast<std::uint8_t>(random()) : static_cast<std::uint8_t>(byte ^ (1u << (random() % 8)));
    }
    LoadedPixels<G>(damaged);
  }
}

}  // namespace vrel::oracle

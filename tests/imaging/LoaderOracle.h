// What the loader tests share: the images that netpbm's and ImageMagick's decoders write, read back
// (PBM, PGM, PPM and PAM); a picture's colours and alpha as plain bytes; the sweep over cut-off and
// damaged files; and writers of the formats no tool here writes (Autodesk pictures, CUT images and
// their palette files), made from the format descriptions.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/Graphics.h"
#include "imaging/Streams.h"
#include "tests/imaging/DecoderOracle.h"

namespace vrel::oracle {

// A netpbm image: Depth samples a pixel (1 grey, 2 grey and alpha, 3 colour, 4 colour and alpha),
// each 0 to MaxValue.
struct Pnm {
  std::uint32_t Width = 0;
  std::uint32_t Height = 0;
  std::uint32_t Depth = 1;
  std::uint32_t MaxValue = 1;
  std::vector<std::uint32_t> Samples;

  std::uint32_t At(std::uint32_t x, std::uint32_t y, std::uint32_t sample) const {
    return Samples[(std::size_t{y} * Width + x) * Depth + sample];
  }
  // A sample on the 8-bit scale, rounded as pamdepth rounds.
  std::uint8_t Level(std::uint32_t v) const {
    return static_cast<std::uint8_t>((v * 255ull + MaxValue / 2) / MaxValue);
  }

  // Red, green, blue bytes a pixel (grey repeated), alpha left out.
  Bytes Rgb() const {
    Bytes out;
    for (std::uint32_t y = 0; y < Height; ++y) {
      for (std::uint32_t x = 0; x < Width; ++x) {
        for (std::uint32_t k = 0; k < 3; ++k)
          out.push_back(Level(At(x, y, Depth >= 3 ? k : 0)));
      }
    }
    return out;
  }
  // The last sample of each pixel, on the 8-bit scale.
  Bytes Alpha() const {
    Bytes out;
    for (std::uint32_t y = 0; y < Height; ++y) {
      for (std::uint32_t x = 0; x < Width; ++x)
        out.push_back(Level(At(x, y, Depth - 1)));
    }
    return out;
  }
};

inline Pnm ReadPnm(const Bytes& file) {
  std::size_t at = 0;
  const auto token = [&]() {
    for (;;) {
      if (at >= file.size())
        throw std::runtime_error("netpbm header cut off");
      if (file[at] == '#') {
        while (at < file.size() && file[at] != '\n')
          ++at;
      } else if (std::isspace(file[at])) {
        ++at;
      } else {
        break;
      }
    }
    std::string word;
    while (at < file.size() && !std::isspace(file[at]))
      word += static_cast<char>(file[at++]);
    return word;
  };
  const std::string magic = token();
  Pnm pnm;
  if (magic == "P7") {
    for (std::string key = token(); key != "ENDHDR"; key = token()) {
      if (key == "WIDTH")
        pnm.Width = std::stoul(token());
      else if (key == "HEIGHT")
        pnm.Height = std::stoul(token());
      else if (key == "DEPTH")
        pnm.Depth = std::stoul(token());
      else if (key == "MAXVAL")
        pnm.MaxValue = std::stoul(token());
      else if (key == "TUPLTYPE")
        token();
    }
  } else if (magic == "P4" || magic == "P5" || magic == "P6") {
    pnm.Width = std::stoul(token());
    pnm.Height = std::stoul(token());
    pnm.Depth = magic == "P6" ? 3 : 1;
    if (magic != "P4")
      pnm.MaxValue = std::stoul(token());
  } else {
    throw std::runtime_error("not a binary netpbm image: " + magic);
  }
  ++at;  // the one white-space character before the raster
  const std::size_t count = std::size_t{pnm.Width} * pnm.Height * pnm.Depth;
  if (magic == "P4") {
    const std::size_t rowBytes = (pnm.Width + 7) / 8;
    for (std::uint32_t y = 0; y < pnm.Height; ++y) {
      for (std::uint32_t x = 0; x < pnm.Width; ++x)
        pnm.Samples.push_back(((file.at(at + y * rowBytes + x / 8) >> (7 - x % 8)) & 1u) ? 0 : 1);  // 1 is black
    }
    return pnm;
  }
  const bool wide = pnm.MaxValue > 255;
  for (std::size_t i = 0; i < count; ++i)
    pnm.Samples.push_back(wide ? std::uint32_t{file.at(at + i * 2)} << 8 | file.at(at + i * 2 + 1) : file.at(at + i));
  return pnm;
}

// Runs a command whose standard output is a netpbm image, in `folder`, and reads that image.
inline Pnm DecodeWith(const TempFolder& folder, const std::string& command) {
  EXPECT_TRUE(RunTool(folder, command + " > decoded.pnm"))
      << command << ": " << ReadFile(folder.path / "oracle-error.txt");
  return ReadPnm(ReadBytes(folder.path / "decoded.pnm"));
}

// Files the tools make once for a build: the commands run in a fresh folder, which then takes a
// name of its own in the test's working folder (from a hash of the commands), where every later test
// process finds it. Two processes making it at once both succeed; one folder stays.
class ToolCorpus {
 public:
  explicit ToolCorpus(const std::string& make) {
    const fs::path root = fs::current_path() / "loader-corpus";
    folder_ = root / std::to_string(std::hash<std::string>{}(make));
    if (fs::exists(folder_ / "done"))
      return;
    fs::create_directories(root);
    std::string pattern = (root / "making-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("cannot make a folder for the corpus");
    const fs::path making = pattern;
    const std::string line = "cd '" + making.string() + "' && { " + make + " ; } 2> tool-error.txt && touch done";
    if (std::system(line.c_str()) != 0) {
      ADD_FAILURE() << make << ": " << ReadFile(making / "tool-error.txt");
      fs::remove_all(making);
      return;
    }
    std::error_code taken;
    fs::rename(making, folder_, taken);
    if (taken)
      fs::remove_all(making);
  }

  Bytes Read(const std::string& name) const { return ReadBytes(folder_ / name); }
  Pnm Image(const std::string& name) const { return ReadPnm(Read(name)); }

 private:
  fs::path folder_;
};

// The picture's colours, red, green, blue a pixel, its rows from the top.
inline Bytes RgbOf(const TBitmap& bitmap) {
  const Bytes bgra = bitmap.ToBgra();
  Bytes rgb;
  for (std::size_t i = 0; i < bgra.size(); i += 4)
    rgb.insert(rgb.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
  return rgb;
}

inline Bytes AlphaOf(const TBitmap& bitmap) {
  const Bytes bgra = bitmap.ToBgra();
  Bytes alpha;
  for (std::size_t i = 3; i < bgra.size(); i += 4)
    alpha.push_back(bgra[i]);
  return alpha;
}

// The palette index of a pixel of a 1-, 4- or 8-bit picture.
inline unsigned IndexAt(const TBitmap& bitmap, int x, int y) {
  const auto bits = static_cast<unsigned>(BitsPerPixel(bitmap.PixelFormat()));
  const std::size_t bit = static_cast<std::size_t>(x) * bits;
  return (bitmap.ScanLine(y)[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

template <class G>
std::unique_ptr<G> LoadBytes(const Bytes& file) {
  auto graphic = std::make_unique<G>();
  TMemoryInputStream stream(file);
  graphic->LoadFromStream(stream);
  return graphic;
}

// Loads `file`; the picture's colours, or nothing when the load raised one of the program's own
// errors (any other exception fails the test).
inline std::optional<Bytes> TryLoad(TGraphic& graphic, std::span<const std::uint8_t> file, std::string& message) {
  TMemoryInputStream stream(file);
  try {
    graphic.LoadFromStream(stream);
    const TBitmap* bitmap = graphic.AsBitmap();
    return bitmap ? RgbOf(*bitmap) : Bytes{};
  } catch (const Exception& e) {
    message = e.what();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "a load raised a foreign exception: " << e.what();
  }
  return std::nullopt;
}

using GraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// Every prefix of `file` either raises one of the program's errors or loads to the colours the
// whole file gives (a cut-off file never passes for another picture); then `mutations` seeded
// changes of one to four bytes load or raise, never crash, hang or read outside the bytes.
inline void SweepDamagedFiles(const GraphicFactory& make, const Bytes& file, const std::string& name,
                              int mutations = 200, std::uint32_t seed = 22) {
  std::string message;
  const std::unique_ptr<TGraphic> whole = make();
  const auto expected = TryLoad(*whole, file, message);
  ASSERT_TRUE(expected) << name << ": " << message;
  for (std::size_t size = 0; size < file.size(); ++size) {
    const std::unique_ptr<TGraphic> graphic = make();
    const auto loaded = TryLoad(*graphic, std::span(file).first(size), message);
    if (loaded) {
      ASSERT_EQ(*loaded, *expected) << name << " cut to " << size << " of " << file.size() << " bytes";
    }
  }
  std::mt19937 random(seed);
  for (int round = 0; round < mutations; ++round) {
    Bytes damaged = file;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int c = 0; c < changes; ++c) {
      std::uint8_t& byte = damaged[random() % damaged.size()];
      byte =
          random() % 2 ? static_cast<std::uint8_t>(random()) : static_cast<std::uint8_t>(byte ^ (1u << (random() % 8)));
    }
    const std::unique_ptr<TGraphic> graphic = make();
    TryLoad(*graphic, damaged, message);
  }
}

// The message a load raises; empty when it loaded.
inline std::string LoadError(TGraphic& graphic, const Bytes& file) {
  std::string message;
  TryLoad(graphic, file, message);
  return message;
}

inline void PutLE16(Bytes& bytes, unsigned value) {
  bytes.push_back(static_cast<std::uint8_t>(value));
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

// A CUT image: width, height, a reserved 0, then each row of 8-bit indexes run-length encoded.
inline Bytes WriteCut(std::uint16_t width, const Bytes& indexes) {
  Bytes file;
  PutLE16(file, width);
  PutLE16(file, static_cast<unsigned>(indexes.size() / width));
  PutLE16(file, 0);
  for (std::size_t at = 0; at < indexes.size(); at += width) {
    const Bytes row = EncodeCutRow(Bytes(indexes.begin() + static_cast<std::ptrdiff_t>(at),
                                         indexes.begin() + static_cast<std::ptrdiff_t>(at + width)));
    file.insert(file.end(), row.begin(), row.end());
  }
  return file;
}

// A Dr. Halo palette file: "AH", version, size, type, subtype, board, mode, the highest index, the
// highest red, green and blue (255), 20 bytes of name, then from offset 40 the entries as three
// 16-bit levels, none starting beyond byte 506 of its 512-byte block.
inline Bytes WriteCutPalette(const std::vector<TPaletteColor>& colours) {
  Bytes file{'A', 'H'};
  for (unsigned v : {0u, 0u})
    PutLE16(file, v);
  file.insert(file.end(), {0, 0});
  for (unsigned v : {0u, 0u, static_cast<unsigned>(colours.size() - 1), 255u, 255u, 255u})
    PutLE16(file, v);
  file.resize(40, 0);
  for (const TPaletteColor& c : colours) {
    if (file.size() % 512 > 506)
      file.resize((file.size() / 512 + 1) * 512, 0);
    for (unsigned v : {c.Red, c.Green, c.Blue})
      PutLE16(file, v);
  }
  return file;
}

// An Autodesk Animator picture: magic, size, position, depth 8, no compression, the image size, 16
// reserved bytes, 256 entries of 6-bit levels (red, green, blue) and the rows of indexes.
inline Bytes WriteAutodesk(std::uint16_t width, const Bytes& levels, const Bytes& indexes) {
  Bytes file;
  PutLE16(file, 0x9119);
  PutLE16(file, width);
  PutLE16(file, static_cast<unsigned>(indexes.size() / width));
  PutLE16(file, 0);
  PutLE16(file, 0);
  file.insert(file.end(), {8, 0});
  PutLE16(file, static_cast<unsigned>(indexes.size()));
  PutLE16(file, static_cast<unsigned>(indexes.size() >> 16));
  file.resize(32, 0);
  file.insert(file.end(), levels.begin(), levels.end());
  file.insert(file.end(), indexes.begin(), indexes.end());
  return file;
}

}  // namespace vrel::oracle

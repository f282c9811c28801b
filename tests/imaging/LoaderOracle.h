// What the loader tests share: loading a graphic from bytes and the sweep of cut-off and damaged
// copies that must be refused with one of the program's errors (or load exactly as the whole file
// did), never crash or read past their bytes; the images that netpbm's and ImageMagick's decoders
// write, read back (PBM, PGM, PPM and PAM, or ImageMagick's BGRA); a picture's colours and alpha as
// plain bytes; and writers of the formats no tool here writes (Autodesk pictures, CUT images and their
// palette files), made from the format descriptions.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/Graphics.h"
#include "imaging/Streams.h"
#include "platform/Exceptions.h"
#include "tests/files/TestBytes.h"
#include "tests/imaging/ByteWriters.h"
#include "tests/imaging/DecoderOracle.h"

namespace vrel::oracle {

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
  return bytes::ErrorOf<Exception>([&] { LoadGraphic<G>(file); });
}

// The pixels as BGRA rows without padding, or nothing when the load raised one of the program's own
// errors (anything else escapes and fails the test).
template <class G>
std::optional<Bytes> LoadedPixels(const Bytes& file) {
  try {
    return LoadGraphic<G>(file)->ToBgra();
  } catch (const Exception&) {
    return std::nullopt;
  }
}

// Every prefix of `file` (each `step`-th, and the last 64, for files too large to cut at every byte)
// is refused or loads to exactly the whole file's pixels: a cut-off file never passes for another
// picture. Then 200 seeded copies with 1 to 4 bytes changed load or are refused. Anything but the
// program's errors (a crash, an over-read under ASan, a std::bad_alloc) fails.
template <class G>
void SweepDamagedFiles(const Bytes& file, const std::string& name = "", std::size_t step = 1) {
  SCOPED_TRACE(name);
  const std::optional<Bytes> whole = LoadedPixels<G>(file);
  ASSERT_TRUE(whole) << LoadError<G>(file);
  for (std::size_t size = 0; size < file.size(); ++size) {
    if (size % step != 0 && size + 64 < file.size())
      continue;
    const auto pixels = LoadedPixels<G>(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)));
    if (pixels) {
      ASSERT_EQ(*pixels, *whole) << "a prefix of " << size << " of " << file.size() << " bytes";
    }
  }
  std::mt19937 random(22);
  for (int round = 0; round < 200; ++round)
    LoadedPixels<G>(Damaged(file, random));
}

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
  // The header's numbers are 32-bit at most.
  const auto number = [&] { return static_cast<std::uint32_t>(std::stoul(token())); };
  const std::string magic = token();
  Pnm pnm;
  if (magic == "P7") {
    for (std::string key = token(); key != "ENDHDR"; key = token()) {
      if (key == "WIDTH")
        pnm.Width = number();
      else if (key == "HEIGHT")
        pnm.Height = number();
      else if (key == "DEPTH")
        pnm.Depth = number();
      else if (key == "MAXVAL")
        pnm.MaxValue = number();
      else if (key == "TUPLTYPE")
        token();
    }
  } else if (magic == "P4" || magic == "P5" || magic == "P6") {
    pnm.Width = number();
    pnm.Height = number();
    pnm.Depth = magic == "P6" ? 3 : 1;
    if (magic != "P4")
      pnm.MaxValue = number();
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

// Files the tools make (`make`), each with the picture that netpbm or ImageMagick decodes from it:
// `decode` gives for a file's name the command whose standard output is that picture, `alpha` (where
// given) the one whose output is its alpha.
struct DecodedFiles {
  using Command = std::function<std::string(const std::string&)>;
  std::map<std::string, Bytes> Files;
  std::map<std::string, Pnm> Decoded;
  std::map<std::string, Pnm> Alpha;

  DecodedFiles(std::string make, const std::vector<std::string>& names, const Command& decode,
               const Command& alpha = nullptr) {
    for (const std::string& name : names)
      make +=
          " && " + decode(name) + " > " + name + ".pnm" + (alpha ? " && " + alpha(name) + " > " + name + ".alpha" : "");
    const ToolCorpus tools(make);
    for (const std::string& name : names) {
      Files[name] = tools.Read(name);
      Decoded[name] = tools.Image(name + ".pnm");
      if (alpha)
        Alpha[name] = tools.Image(name + ".alpha");
    }
  }
};

// ImageMagick's decode of `file` (in `folder`) as 8-bit BGRA rows; fails the test when it cannot.
inline Bytes MagickBgra(const TempFolder& folder, const std::string& file, const std::string& options = "") {
  const std::string out = file + ".bgra";
  EXPECT_TRUE(RunTool(folder, "convert '" + file + "' " + options + " -depth 8 bgra:'" + out + "'"))
      << ReadFile(folder.path / "oracle-error.txt");
  return ReadBytes(folder.path / out);
}

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

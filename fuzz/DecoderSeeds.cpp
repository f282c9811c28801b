// Seeds of the decoders target: small valid pieces of every scheme behind the eight-byte header that
// DecodersFuzz.cpp reads (decoder, option bits, width, height, JPEG tables length).

#include "fuzz/DecoderSeeds.h"

#include <jpeglib.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "imaging/RasterDecoders.h"

namespace vrel::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

void Write(const std::string& folder, const std::string& name, int kind, int options, int width, int height,
           const Bytes& data) {
  Bytes file{static_cast<std::uint8_t>(kind),
             static_cast<std::uint8_t>(options),
             static_cast<std::uint8_t>(width),
             static_cast<std::uint8_t>(width >> 8),
             static_cast<std::uint8_t>(height),
             static_cast<std::uint8_t>(height >> 8),
             0,
             0};
  file.insert(file.end(), data.begin(), data.end());
  std::ofstream(folder + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

// Codes given as text of '0' and '1', from each byte's high bit.
Bytes Bits(std::string_view codes) {
  Bytes out;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (i % 8 == 0)
      out.push_back(0);
    if (codes[i] == '1')
      out.back() |= static_cast<std::uint8_t>(0x80u >> (i % 8));
  }
  return out;
}

Bytes Ramp(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(i < size / 2 ? 7 : i * 13);
  return bytes;
}

// A whole 16 x 16 grey JPEG stream, tables included.
Bytes GreyJpeg() {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = 16;
  info.image_height = 16;
  info.input_components = 1;
  info.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  const Bytes row = Ramp(16);
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {const_cast<JSAMPLE*>(row.data())};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  Bytes jpeg(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return jpeg;
}

}  // namespace

void WriteDecoderSeeds(const std::string& folder) {
  std::filesystem::create_directories(folder);
  const Bytes pixels = Ramp(48);
  const TTargaRLEDecoder targa(24);
  Bytes encoded(targa.MaxEncodedSize(16));
  encoded.resize(targa.Encode(pixels, encoded));
  Write(folder, "targa", 0, 3, 12, 1, encoded);
  Write(folder, "packbits", 1, 0, 16, 2, {0xF1, 0x07, 0x0F, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
  Write(folder, "pcx", 2, 0, 16, 2, {0xD0, 0x07, 0xC5, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
  Write(folder, "sgi", 3, 0, 8, 1, {0x04, 0x09, 0x84, 1, 2, 3, 4, 0x00});
  Write(folder, "cut", 4, 0, 8, 1, {0x07, 0x00, 0x84, 0x09, 0x04, 1, 2, 3, 4, 0x00});
  Write(folder, "psp", 5, 0, 8, 1, {0x84, 0x09, 0x04, 1, 2, 3, 4});
  Write(folder, "rla", 6, 0, 8, 1, {0x03, 0x09, 0xFC, 1, 2, 3, 4});
  // Group 3 rows of white 3, black 5 behind end-of-line codes; the same rows two-dimensionally.
  Write(folder, "fax3", 7, 0, 8, 2,
        Bits("000000000001"
             "1000"
             "0011"
             "000000000001"
             "1000"
             "0011"));
  Write(folder, "fax3-2d", 7, 1, 8, 2,
        Bits("000000000001"
             "1"
             "1000"
             "0011"
             "000000000001"
             "0"
             "1"
             "1"));
  Write(folder, "mh", 8, 0, 8, 2,
        Bits("10000011"
             "10000011"));
  Write(folder, "fax4", 9, 0, 8, 2,
        Bits("001"
             "1000"
             "0011"
             "1"
             "1"));
  Bytes deflated(compressBound(64));
  uLongf size = deflated.size();
  const Bytes raw = Ramp(64);
  compress(deflated.data(), &size, raw.data(), raw.size());
  deflated.resize(size);
  Write(folder, "deflate", 10, 2, 8, 8, deflated);
  Write(folder, "thunder", 11, 0, 8, 1, {0xC5, 0x43, 0x89, 0x02, 0xC1, 0x03, 0xCF, 0x00, 0x07});
  Write(folder, "jpeg", 12, 0, 16, 16, GreyJpeg());
}

}  // namespace vrel::fuzz

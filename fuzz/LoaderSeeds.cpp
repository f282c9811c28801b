#include "fuzz/LoaderSeeds.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace vrel::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

void BE16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}
void BE32(Bytes& out, std::uint32_t v) {
  BE16(out, v >> 16);
  BE16(out, v & 0xFFFF);
}
void LE16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void LE32(Bytes& out, std::uint32_t v) {
  LE16(out, v & 0xFFFF);
  LE16(out, v >> 16);
}

void Write(const std::string& folder, const std::string& name, std::uint8_t kind, const Bytes& file) {
  std::filesystem::create_directories(folder);
  std::ofstream out(folder + "/" + name, std::ios::binary);
  const std::uint8_t head[2] = {kind, 0};
  out.write(reinterpret_cast<const char*>(head), 2);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

// 4 x 3 RGB, PackBits rows as one literal run each.
Bytes Photoshop(std::uint16_t mode, std::uint16_t channels, std::uint16_t depth) {
  Bytes out = {'8', 'B', 'P', 'S'};
  BE16(out, 1);
  out.insert(out.end(), 6, 0);
  BE16(out, channels);
  BE32(out, 3);
  BE32(out, 4);
  BE16(out, depth);
  BE16(out, mode);
  BE32(out, mode == 2 ? 768 : 0);
  for (int i = 0; i < (mode == 2 ? 768 : 0); ++i)
    out.push_back(static_cast<std::uint8_t>(i));
  BE32(out, 0);
  BE32(out, 0);
  BE16(out, 1);
  const unsigned rowBytes = (4u * depth + 7) / 8;
  for (unsigned i = 0; i < channels * 3u; ++i)
    BE16(out, rowBytes + 1);
  for (unsigned i = 0; i < channels * 3u; ++i) {
    out.push_back(static_cast<std::uint8_t>(rowBytes - 1));
    for (unsigned b = 0; b < rowBytes; ++b)
      out.push_back(static_cast<std::uint8_t>(i * 40 + b * 7));
  }
  return out;
}

Bytes PspBlock(std::uint16_t id, const Bytes& data) {
  Bytes out = {'~', 'B', 'K', 0};
  LE16(out, id);
  LE32(out, static_cast<std::uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// Version 5, 4 x 3, 24-bit, run-length channels.
Bytes PaintShopPro() {
  Bytes out(32, 0);
  const char* signature = "Paint Shop Pro Image File\n\x1a";
  std::memcpy(out.data(), signature, std::strlen(signature));
  LE16(out, 5);
  LE16(out, 0);
  Bytes attributes;
  LE32(attributes, 46);
  LE32(attributes, 4);
  LE32(attributes, 3);
  attributes.insert(attributes.end(), 8, 0);
  attributes.push_back(0);
  LE16(attributes, 1);
  LE16(attributes, 24);
  LE16(attributes, 1);
  LE32(attributes, 0);
  attributes.push_back(0);
  LE32(attributes, 0);
  LE32(attributes, 0);
  LE16(attributes, 1);
  LE32(attributes, 0);
  Bytes layer;
  LE32(layer, 4 + 2 + 115);
  LE16(layer, 0);
  Bytes info(115, 0);
  info[9] = 4;
  info[13] = 3;
  layer.insert(layer.end(), info.begin(), info.end());
  LE16(layer, 1);
  LE16(layer, 3);
  for (std::uint16_t c = 1; c <= 3; ++c) {
    Bytes channel;
    LE32(channel, 16);
    const Bytes packed = {130, static_cast<std::uint8_t>(c * 50), 10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    LE32(channel, static_cast<std::uint32_t>(packed.size()));
    LE32(channel, 12);
    LE16(channel, 0);
    LE16(channel, c);
    channel.insert(channel.end(), packed.begin(), packed.end());
    const Bytes block = PspBlock(5, channel);
    layer.insert(layer.end(), block.begin(), block.end());
  }
  for (const Bytes& block : {PspBlock(0, attributes), PspBlock(3, PspBlock(4, layer))})
    out.insert(out.end(), block.begin(), block.end());
  return out;
}

// 4 x 3 RGB with a matte, 8 bits, one literal run per channel row.
Bytes Rla() {
  Bytes out(740, 0);
  const auto put16 = [&](std::size_t at, unsigned v) {
    out[at] = static_cast<std::uint8_t>(v >> 8);
    out[at + 1] = static_cast<std::uint8_t>(v);
  };
  put16(10, 3);
  put16(14, 2);
  put16(20, 3);
  put16(22, 1);
  put16(26, 0xFFFE);
  std::memcpy(out.data() + 580, "rgb", 3);
  put16(658, 8);
  put16(662, 8);
  const std::size_t table = out.size();
  out.resize(out.size() + 12);
  for (int line = 0; line < 3; ++line) {
    const auto offset = static_cast<std::uint32_t>(out.size());
    for (int k = 0; k < 4; ++k)
      out[table + static_cast<std::size_t>(line * 4 + k)] = static_cast<std::uint8_t>(offset >> (24 - 8 * k));
    for (int c = 0; c < 4; ++c) {
      BE16(out, 5);
      out.insert(out.end(), {0xFC, static_cast<std::uint8_t>(c * 60), 20, 40, static_cast<std::uint8_t>(line * 90)});
    }
  }
  return out;
}

}  // namespace

void WriteLoaderSeeds(const std::string& folder) {
  Write(folder, "psd-rgb", 0, Photoshop(3, 3, 8));
  Write(folder, "psd-cmyk16", 0, Photoshop(4, 4, 16));
  Write(folder, "psd-lab", 0, Photoshop(9, 3, 8));
  Write(folder, "psd-bitmap", 0, Photoshop(0, 1, 1));
  Write(folder, "psd-indexed", 0, Photoshop(2, 1, 8));
  Write(folder, "psp-rgb", 1, PaintShopPro());
  Bytes pcd(6200, 0xFF);
  std::memcpy(pcd.data() + 2048, "PCD_IPI", 7);
  Write(folder, "pcd-head", 2, pcd);
  Write(folder, "rla-rgba", 3, Rla());
}

}  // namespace vrel::fuzz

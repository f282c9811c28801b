// The settings file: reading a large INI file, the display settings' load from it, and reading a
// section of many keys. Goals: memory at most 4 times the file's size, one parse per settings load,
// and a section read in time linear in its keys.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>

#include "bench/PeakMemory.h"
#include "files/RegMng.h"
#include "files/VrelProp.h"
#include "platform/IniFile.h"

namespace vrel {
namespace {

// Bytes the allocator hands out at the moment, the large mapped blocks included.
double HeapBytes() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

std::string WriteFile(const QTemporaryDir& dir, const std::string& bytes) {
  const std::string path = dir.path().toStdString() + "/vrel.ini";
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// A settings file of `size` bytes that are all line ends, with the display settings at its end.
std::string LineBreaksThenSettings(std::size_t size) {
  std::string bytes(size, '\n');
  bytes += "[Property]\nBackGroundColor=255\nPlaneSmooth=1\nStartPointLength=2.5\n";
  return bytes;
}

// Opening a settings file that is nothing but line ends: time, the memory the open file keeps, and
// the peak while it is read, each per byte of the file.
void BM_IniOpenLineBreaks(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  QTemporaryDir dir;
  const std::string path = WriteFile(dir, std::string(size, '\n'));
  for (auto _ : state) {
    TIniFile ini(path);
    benchmark::DoNotOptimize(ini.LineCount());
  }
  const double before = HeapBytes();
  {
    TIniFile ini(path);
    state.counters["kept_per_byte"] = (HeapBytes() - before) / static_cast<double>(size);
  }
  state.counters["peak_per_byte"] = bench::PeakBytesOf([&] { TIniFile ini(path); }) / static_cast<double>(size);
}
BENCHMARK(BM_IniOpenLineBreaks)->Arg(8 << 20)->Arg((64 << 20) - 4096)->Unit(benchmark::kMillisecond);

// The display settings' load from a settings file of line ends with the section at its end.
void BM_SettingsLoadLineBreaks(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  QTemporaryDir dir;
  TRegManager reg;
  reg.SetIniFileName(WriteFile(dir, LineBreaksThenSettings(size)));
  TVrelProp prop;
  for (auto _ : state)
    prop.LoadSettings(reg);
  if (prop.RenderBackGroundColor() != 255)
    state.SkipWithError("the settings were not read");
  state.counters["peak_per_byte"] = bench::PeakBytesOf([&] { prop.LoadSettings(reg); }) / static_cast<double>(size);
}
BENCHMARK(BM_SettingsLoadLineBreaks)->Arg(8 << 20)->Unit(benchmark::kMillisecond);

// Every value of one section of `keys` keys.
void BM_IniReadSectionValues(benchmark::State& state) {
  const auto keys = static_cast<int>(state.range(0));
  std::string bytes = "[Big]\r\n";
  for (int i = 0; i < keys; ++i)
    bytes += "Key" + std::to_string(i) + "=" + std::to_string(i * 7) + "\r\n";
  const TIniFile ini = TIniFile::FromBytes(bytes);
  std::size_t count = 0;
  for (auto _ : state) {
    count = ini.ReadSectionValues("big").size();
    benchmark::DoNotOptimize(count);
  }
  if (count != static_cast<std::size_t>(keys))
    state.SkipWithError("keys were lost");
}
BENCHMARK(BM_IniReadSectionValues)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A string list of `entries` entries through the settings store.
void BM_SettingsReadStrings(benchmark::State& state) {
  const auto entries = static_cast<int>(state.range(0));
  QTemporaryDir dir;
  std::string bytes = "[MainForm]\r\nHistory_ItemCount=" + std::to_string(entries) + "\r\n";
  for (int i = 0; i < entries; ++i)
    bytes += "History_Item" + std::to_string(i) + "=C:\\scenes\\scene" + std::to_string(i) + ".scn\r\n";
  TRegManager reg;
  reg.SetIniFileName(WriteFile(dir, bytes));
  reg.AddItem("History", "MainForm", "History", "");
  std::vector<std::string> list;
  for (auto _ : state)
    reg.GetItem("History").ReadStrings(list);
  if (list.size() != static_cast<std::size_t>(entries))
    state.SkipWithError("entries were lost");
}
BENCHMARK(BM_SettingsReadStrings)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vrel

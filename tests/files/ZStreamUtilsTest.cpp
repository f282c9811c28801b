// Byte streams as hexadecimal lines in the INI file (the settings store reaches the registry stand-in).
#include <gtest/gtest.h>
#include <cstdio>
#include <random>
#include "files/ZStreamUtils.h"
#include "platform/IniFile.h"
#include "tests/files/SceneFileFixture.h"

namespace vrel {
namespace {
using Pairs = std::vector<std::pair<std::string, std::string>>;

std::string Bytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes)
    c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// printf's %02X, an implementation apart from ours.
std::string Hex(std::string_view bytes) {
  std::string hex;
  char pair[3];
  for (const char c : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(c));
    hex += pair;
  }
  return hex;
}

class ZStreamFiles : public scenetest::TempFolder {
 protected:
  std::string Read(std::string_view section, std::string_view key) const {
    std::string stream;
    ReadStreamFromIni(stream, PathOf("vrel.ini"), section, key);
    return stream;
  }
};

// Every pair is read on its own, and a bad one spoils only its own byte.
TEST(ZStreams, OddAndMalformedDigitsReadPairByPair) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"ff0a", "Ab"}, "FF0AAB"}, {{"A"}, "0A"}, {{"123"}, "1203"},
      {{"", "Z", ""}, "00"},      {{}, ""},      {{"G1", "1G", " 1", "-1", "+1", "$1", "12"}, "00000000000012"},
      {{"01zz03"}, "010003"}};
  for (const auto& [lines, expected] : cases) {
    std::string out;
    HexStringsToStream(lines, out);
    EXPECT_EQ(Hex(out), expected);
  }
}

TEST_F(ZStreamFiles, AStreamGoesIntoItsSectionAsACountAndNumberedLines) {
  const std::string ini = PathOf("vrel.ini");
  const std::string bytes = Bytes(33, 33);
  WriteBytes(ini, "; settings\r\n[Other]\r\nx=1\r\n");
  WriteStreamToIni(bytes, ini, "Stream", "K");
  EXPECT_EQ(ReadBytes(ini), "; settings\r\n[Other]\r\nx=1\r\n\r\n[Stream]\r\nK_c=2\r\nK_d0=" +
                                Hex(bytes.substr(0, 32)) + "\r\nK_d1=" + Hex(bytes.substr(32)) + "\r\n");
  EXPECT_EQ(Read("stream", "k"), bytes);
}

// The 122 lines left over by the longest are gone.
TEST_F(ZStreamFiles, AStreamWrittenOverAnotherReadsBackAndLeavesNoLinesOver) {
  const std::string ini = PathOf("vrel.ini");
  for (const std::size_t size : {1u, 32u, 95u, 96u, 97u, 4000u, 70u}) {
    WriteStreamToIni(Bytes(size, static_cast<unsigned>(size)), ini, "Stream", "K");
    EXPECT_EQ(Read("Stream", "K"), Bytes(size, static_cast<unsigned>(size))) << size;
  }
  const Pairs last = TIniFile(ini).ReadSectionValues("Stream");
  ASSERT_EQ(last.size(), 4u);
  EXPECT_EQ(last[0], Pairs::value_type("K_c", "3"));
}

TEST_F(ZStreamFiles, AnEmptyStreamLeavesNoKeys) {
  const std::string ini = PathOf("vrel.ini");
  WriteStreamToIni(Bytes(70, 1), ini, "Stream", "K");
  WriteStreamToIni("", ini, "Stream", "K");
  EXPECT_TRUE(TIniFile(ini).ReadSectionValues("Stream").empty());
}

// The second stream's keys start like the first's lines.
TEST_F(ZStreamFiles, StreamsInOneSectionStayApart) {
  const std::string ini = PathOf("vrel.ini");
  WriteStreamToIni(Bytes(40, 4), ini, "S", "A");
  WriteStreamToIni(Bytes(80, 5), ini, "S", "A_d1");
  WriteStreamToIni(Bytes(10, 6), ini, "S", "A");
  EXPECT_EQ(Read("S", "A") + Read("S", "A_d1"), Bytes(10, 6) + Bytes(80, 5));
}

// Gaps read as empty lines, order comes from the numbers, names compare without case, and "K_d01" is no spelling
// the writer uses; a count that is no number, negative or absent gives nothing.
TEST_F(ZStreamFiles, HandWrittenLinesReadByTheirNumbersUpToTheCount) {
  const std::pair<std::string, std::string> handWritten[] = {
      {"K_c=4\nK_d2=CC\nk_D0=AA\nK_d01=EE\nK_d9=99\nK_d3=dd\n", "AACCDD"},
      {"K_c=abc\nK_d0=AA\n", ""},
      {"K_c=-3\nK_d0=AA\n", ""},
      {"K_d0=AA\n", ""},
      // Two billion claimed lines: a loop over the count would hang and a vector of them would not fit.
      {"K_c=2147483647\nK_d0=0102\nK_d1=03\nK_d2147483646=04\nK_d2147483647=05\n", "01020304"}};
  for (const auto& [text, expected] : handWritten) {
    WriteBytes(PathOf("vrel.ini"), "[S]\n" + text);
    EXPECT_EQ(Hex(Read("S", "K")), expected) << text;
  }
}

// As a loop down from the old count would.
TEST_F(ZStreamFiles, WritingOverAHandWrittenStreamDeletesTheLinesThatAreThere) {
  WriteBytes(PathOf("vrel.ini"), "[S]\nK_c=2147483647\nK_d0=0102\nK_d1=03\nK_d2147483646=04\nK_d2147483647=05\n");
  WriteStreamToIni("\x7f", PathOf("vrel.ini"), "S", "K");
  EXPECT_EQ(TIniFile(PathOf("vrel.ini")).ReadSectionValues("S"),
            (Pairs{{"K_c", "1"}, {"K_d0", "7F"}, {"K_d2147483647", "05"}}));
}
}  // namespace
}  // namespace vrel

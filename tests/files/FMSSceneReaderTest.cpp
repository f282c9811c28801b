// The scene reader: its tokeniser, the header keys, the fallbacks on the simulator's own keywords, the
// two error boxes, and a corpus of damaged files, each of which must end in a result or a message.
#include <gtest/gtest.h>
#include "files/FMSSceneReader.h"
#include "platform/Cp932.h"
#include "tests/files/SceneFileFixture.h"
#include "tests/platform/NonRegularFiles.h"

namespace vrel {
namespace {
using scenetest::CapturedBoxes;
using Strings = std::vector<std::string>;

const std::string kTail = "\r\nDorvatel.exe では扱えないシーンファイルです。";
const std::string kLandscapeBox = "3D_LANDSCAPE セクションが見つかりました。" + kTail;
const std::string kTextureBox = "TEXTURE セクションの画像ファイル名が判別できません。" + kTail;

std::string Lines(std::initializer_list<std::string> lines, const std::string& end = "\r\n") {
  std::string text;
  for (const std::string& line : lines)
    text += line + end;
  return text;
}

// "kind:text" per token, kinds 0 end, 1 symbol, 2 string, 3 integer, 4 float, 5 character.
std::string Tokens(std::string_view line) {
  std::string out;
  for (TSceneLineParser p(line); p.Token() != TSceneToken::End; p.Next())
    out += std::to_string(static_cast<int>(p.Token())) + ":" + std::string(p.TokenText()) + " ";
  return out;
}

TEST(SceneTokens, EachTokenHasItsKindAndText) {
  EXPECT_EQ(Tokens("// sf_AreaRadius       : 1000"), "5:/ 5:/ 1:sf_AreaRadius 5:: 3:1000 ");
  EXPECT_EQ(Tokens("3D_LANDSCAPE // ----"), "4:3D 1:_LANDSCAPE 5:/ 5:/ 4:---- ");  // a dash line is one token
  EXPECT_EQ(Tokens("-5.00 -1.7e+2 1.2.3 5s 7 - $1F $ 4x"), "4:-5.00 4:-1.7e+2 4:1.2.3 4:5s 3:7 3:- 3:$1F 3:$ 3:4 1:x ");
  // A double-byte character is one token, even when its trail byte is an underscore; a NUL byte ends the line.
  EXPECT_EQ(Tokens("\x83\x5FX \xB1"), "5:\x83\x5F 1:X 5:\xB1 ");
  EXPECT_EQ(Tokens(std::string("a b\0c d", 7)), "1:a 1:b ");
}

// Doubled quotes and character codes that keep their low byte; blanks are any byte up to 0x20.
TEST(SceneTokens, StringsJoinQuotedPiecesAndCharacterCodes) {
  TSceneLineParser p(" \t'o''hare'#65'x'  'two words'\x01");
  EXPECT_EQ(std::tuple(p.Token(), p.StringValue(), p.TokenStart()), std::tuple(TSceneToken::String, "o'hareAx", 2u));
  p.Next();
  EXPECT_EQ(p.StringValue(), "two words");
  p.Next();
  EXPECT_EQ(p.Token(), TSceneToken::End);
  p.Next();
  EXPECT_EQ(p.Token(), TSceneToken::End);
  EXPECT_EQ(TSceneLineParser("#256#321#").StringValue(), std::string("\0A\0", 3));
}

// More among the damaged lines below.
TEST(SceneTokens, AMalformedNumberRaises) {
  for (const char* bad : {"-", "$", "1e", "1-2", "$FFFFFFFFFFFFFFFFF"})
    EXPECT_THROW(TSceneLineParser(bad).NumberValue(), ESceneLineError) << bad;
}

TEST(SceneTokens, AnyLineEndSplitsLines) {
  EXPECT_EQ(SplitTextLines("a\r\nb\nc\rd\r\n\n\r\r\n"), (Strings{"a", "b", "c", "d", "", "", ""}));
  EXPECT_EQ(SplitTextLines(""), Strings{});
}

class SceneReader : public scenetest::TempFolder {
 protected:
  bool Read(const std::string& text) { return filer_.LoadSceneText(text); }
  // Scene type, 'base name', then the placement counts and the radius.
  static std::string State(const TVrelPanoFiler& filer) {
    std::string out = std::to_string(filer.SceneType()) + " '" + filer.TextureBasename() + "'";
    for (int64_t v : scenetest::Placement(*filer.FMSData()))
      out += " " + std::to_string(v);
    return out;
  }
  TVrelPanoFiler filer_;
  CapturedBoxes boxes_;
};

// The base name ends the read: the keywords after it are not looked at.
TEST_F(SceneReader, TheHeaderKeysGiveThePlacementAndTheBaseNameEndsTheRead) {
  EXPECT_TRUE(Read(Lines({"", "// sf_SceneType         : 1  [stSphere]", "// sf_CubeSuffix        : 1  [csZero]",
                          "// sf_AreaRadius        : 1500", "// sf_SceneRotate       : -12.34", "// sf_SlopeX : 0.5",
                          "// sf_SlopeY : -0.25", "// sf_AirCraftX : 3.00", "// sf_AirCraftY : -4",
                          "// sf_AirCraftZ : 1.23456", "// sf_PilotZ : 0.01", "// sf_TextureBasename   : 'o''hare'",
                          "AIRCRAFT_POSITION  9  9  9  9", "TEXTURE park_zz"})));
  EXPECT_EQ(State(filer_), "1 'o'hare' -123400 5000 -2500 30000 -40000 12346 100 1500");
  EXPECT_EQ(filer_.CubeSuffix(), csZero);
}

TEST_F(SceneReader, HeaderKeysAreCaseSensitive) {
  TVrelPanoFiler other;
  EXPECT_FALSE(other.LoadSceneText(Lines({"// sf_arearadius : 5000", "// SF_AIRCRAFTX : 7", "// sf_AreaRadius : 50"})));
  // The area radius has its floor.
  EXPECT_EQ(State(other), "0 '' 0 0 0 0 0 0 0 100");
  EXPECT_TRUE(boxes_.Shown().empty());
}

// What the keywords do not name stays.
TEST_F(SceneReader, WithoutAHeaderTheSimulatorsOwnKeywordsGiveThePlacement) {
  filer_.FMSData()->SetAirCraftZ(Currency::FromCount(777));
  filer_.SetSceneFormat(sfRCP);
  EXPECT_TRUE(Read(Lines({"AIRCRAFT_POSITION 1 2 3 4", "PILOT_POSITION 0 0 5", "TEXTURE park_0"})));
  EXPECT_EQ(State(filer_), "0 'park' 0 0 0 10000 20000 777 50000 0");
  EXPECT_EQ(filer_.SceneFormat(), sfFMS);
}

// 2.5 + (1 + 2 + 3.5 + 4.5) / 4.
TEST_F(SceneReader, PositionAndTheFirstQuadGiveTheAircraftHeight) {
  EXPECT_TRUE(Read(Lines({"AIRCRAFT_POSITION -5 0 -1.7 -0.7", "POSITION 0 0 2.5 trailing 99", "POSITION 0 0 100",
                          "QUADS", "-10 -10 1", "10 -10 2", "10 10 3.5", "-10 10 4.5", "-1 -1 1000", "TEXTURE p_0"})));
  EXPECT_EQ(filer_.FMSData()->AirCraftZ().Count(), 52500);
}

// The number after QUADS fires the look-ahead on its own line, whose third token is 6.
TEST_F(SceneReader, QuadsOnTheLastLineLooksAtNothingBeyondIt) {
  EXPECT_FALSE(Read("POSITION 0 0 1.5\nQUADS 5 6 7"));
  EXPECT_EQ(filer_.FMSData()->AirCraftZ().Count(), 15000 + 15000);
  TVrelPanoFiler last;
  EXPECT_FALSE(last.LoadSceneText("QUADS\n1 2 3\n"));
  EXPECT_EQ(last.FMSData()->AirCraftZ().Count(), 7500);
}

TEST_F(SceneReader, TextureNamesGiveTheBaseNameInEitherSchemeAndTheSphere) {
  const std::tuple<const char*, TSceneType, const char*> cases[] = {
      // an empty base name: refused
      {"TEXTURE park_front", stCube, "park"}, {"TEXTURE   field_a_Bottom.bmp", stCube, "field_a"},
      {"TEXTURE park_5", stCube, "park"},     {"TEXTURE park_2x", stSphere, "park"},
      {"TEXTURE park_9", stCube, ""},         {"TEXTURE park_zz", stCube, ""},
      {"TEXTURE park", stCube, ""},           {"TEXTURE park_", stCube, ""},
      {"TEXTURE park_0 ", stCube, ""},        {"TEXTURE", stCube, ""},
      {"TEXTURE my_dir/park", stCube, ""}};
  for (const auto& [line, type, base] : cases) {
    TVrelPanoFiler filer;
    CapturedBoxes boxes;
    filer.SetSceneType(type == stCube ? stSphere : stCube);
    EXPECT_EQ(filer.LoadSceneText(std::string(line) + "\r\nTEXTURE other_0\r\n"), *base != '\0') << line;
    EXPECT_EQ(filer.TextureBasename(), base) << line;
    if (*base) {
      EXPECT_EQ(std::tuple(filer.SceneType(), boxes.Shown().size()), std::tuple(type, 0u)) << line;
    } else {
      ASSERT_EQ(boxes.Shown().size(), 1u) << line;
      EXPECT_EQ(std::tuple(boxes.Shown()[0].Text, boxes.Shown()[0].Icon, boxes.Shown()[0].Buttons),
                std::tuple(kTextureBox, TMsgIcon::Error, TMsgButtons::OK));
    }
  }
}

// The kana's trail byte is no underscore, and the name arrives as UTF-8.
TEST_F(SceneReader, AJapaneseBaseNameArrivesAsUtf8) {
  EXPECT_TRUE(Read("TEXTURE \x83\x5F\x83\x5F_left\r\n"));
  EXPECT_EQ(filer_.TextureBasename(), "ダダ");
}

// What came before stays.
TEST_F(SceneReader, ALandscapeSectionBeforeTheEndIsRefused) {
  EXPECT_FALSE(Read(Lines({"AIRCRAFT_POSITION 1 2 3 4", "  3D_LANDSCAPE  ", "TEXTURE park_0"})));
  ASSERT_EQ(boxes_.Shown().size(), 1u);
  EXPECT_EQ(boxes_.Shown()[0].Text, kLandscapeBox);
  EXPECT_EQ(State(filer_), "0 '' 0 0 0 10000 20000 0 0 0");
}

// After the end it is not seen; "3D" on its own, "3d" and "3D LANDSCAPE" are no section.
TEST_F(SceneReader, OnlyALandscapeSectionBeforeTheEndIsOne) {
  EXPECT_TRUE(Read(Lines({"TEXTURE park_0", "3D_LANDSCAPE"})));
  EXPECT_TRUE(Read(Lines({"3D x", "3d_LANDSCAPE", "3D LANDSCAPE", "TEXTURE park_0"})));
  EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(SceneReader, ANameWithAControlCharacterIsPassedOverForTheNextName) {
  for (const std::string name : {"'park'#13#10'x'", "'park'#0", "'pa'#9'rk'", "'park'#127"}) {
    TVrelPanoFiler filer;
    EXPECT_TRUE(filer.LoadSceneText("// sf_TextureBasename : " + name + "\r\nTEXTURE field_0\r\n")) << name;
    EXPECT_EQ(filer.TextureBasename(), "field") << name;
  }
  EXPECT_TRUE(Read("TEXTURE pa\x01rk_0\r\nTEXTURE field_left\r\n"));
  EXPECT_EQ(filer_.TextureBasename(), "field");
}

TEST_F(SceneReader, AFifoOrADeviceIsRefusedWithoutWaitingAndChangesNothing) {
  const std::string fifo = PathOf("park.scn");
  nonregular::MakeFifo(fifo);
  filer_.SetTextureBasename("kept");
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    bool refused = false;
    const bool waited = nonregular::WaitsOnFifo(fifo, [&] {
      try {
        filer_.LoadSceneFile(path);
      } catch (const Exception&) {
        refused = true;
      }
    });
    EXPECT_FALSE(waited) << path;
    EXPECT_TRUE(refused) << path;
  }
  EXPECT_EQ(filer_.TextureBasename(), "kept");
}

// Ground data is kept, not read: its keys would override the header's after the next save.
TEST_F(SceneReader, GroundDataIsCapturedVerbatimAndNotRead) {
  const std::string comment = "// \x8F\xAC\x82\xB3\x82\xC8\x94\xA8";  // 小さな畑 in CP932
  for (const char* end : {"\r\n", "\n", "\r"}) {
    EXPECT_TRUE(Read(Lines(
        {"// sf_AreaRadius : 2000", "// sf_GroundDataStart", comment, "  POSITION 0 0 9   ", "// sf_AirCraftX : 1.5",
         "// sf_GroundDataEnd trailing", "// not ground", "// sf_CubeSuffix : 1", "// sf_TextureBasename : 'park'"},
        end)));
    EXPECT_EQ(filer_.GroundDataLines(), (Strings{"// sf_GroundDataStart", comment, "  POSITION 0 0 9   ",
                                                 "// sf_AirCraftX : 1.5", "// sf_GroundDataEnd trailing"}));
    EXPECT_EQ(std::tuple(filer_.CubeSuffix(), filer_.FMSData()->AirCraftX().Count(), filer_.FMSData()->AreaRadius(),
                         filer_.TextureBasename()),
              std::tuple(csZero, 0, 2000, "park"));
  }
}

// The line that ends the read is the reader's own.
TEST_F(SceneReader, GroundDataWithoutItsEndRunsToTheEndOfTheRead) {
  EXPECT_TRUE(Read(Lines({"// sf_GroundDataStart", "a", "// sf_TextureBasename : 'p'", "b"})));
  EXPECT_EQ(std::tuple(filer_.GroundDataLines(), filer_.TextureBasename()),
            std::tuple(Strings{"// sf_GroundDataStart", "a"}, "p"));
  EXPECT_TRUE(Read(Lines({"// sf_TextureBasename : 'q'"})));  // reading again starts a fresh list
  EXPECT_TRUE(filer_.GroundDataLines().empty());
}

TEST_F(SceneReader, AMissingFileOrAFolderChangesNothing) {
  filer_.SetTextureBasename("q");
  filer_.GroundDataLines() = {"kept"};
  EXPECT_FALSE(filer_.LoadSceneFile(PathOf("nothing.scn")));
  EXPECT_FALSE(filer_.LoadSceneFile(folder_.string()));
  EXPECT_EQ(std::tuple(filer_.GroundDataLines(), filer_.TextureBasename()), std::tuple(Strings{"kept"}, "q"));
}

TEST_F(SceneReader, ADamagedLineEndsOnlyItsOwnScan) {
  filer_.FMSData()->SetAreaRadius(300);
  EXPECT_TRUE(
      Read(Lines({"// Bob's field, sf_AirCraftX : 9", "// sf_AirCraftX : 1.2.3",
                  "// sf_AirCraftY : 2 sf_AirCraftX : 1e999 sf_PilotZ : 4", "// sf_AreaRadius : 99999999999999999999",
                  "// sf_AreaRadius : 5000000000", "// sf_SceneType : 7", "// sf_SlopeX : 1e300", "// sf_SlopeY : -3",
                  "// sf_TextureBasename : 'open", std::string("// sf_SceneRotate : 7\0 sf_PilotZ : 8", 36),
                  std::string("\0// sf_AirCraftZ : 5", 20), "TEXTURE park_1"})));
  EXPECT_EQ(State(filer_), "0 'park' 70000 0 -30000 0 20000 0 0 300");
  EXPECT_TRUE(boxes_.Shown().empty());
}

// Half a million quotes, then one open string.
TEST_F(SceneReader, HugeLinesAreReadInOnePass) {
  std::string big = "// " + std::string(10 * 1024 * 1024, 'x') + "\r\n";
  big += "'" + std::string(1024 * 1024, '\'') + "\r\n";
  big += std::string(1024 * 1024, '-') + "\r\n" + std::string(1024 * 1024, '#') + "\r\n";
  big += std::string(3, '\0') + std::string(1000, '\xFF') + "\r\n// sf_PilotZ : 2.5\r\n// sf_TextureBasename : 'p'\r\n";
  EXPECT_TRUE(Read(big));
  EXPECT_EQ(filer_.FMSData()->PilotZ().Count(), 25000);
}

// Every QUADS of a long line fires the look-ahead, which must not read the long lines after it again each time.
TEST_F(SceneReader, ALineOfManyQuadsLooksAheadWithoutRereading) {
  std::string quads;
  for (int i = 0; i < 20000; ++i)
    quads += "QUADS 1 ";
  quads += "\n1 2 " + std::string(2 * 1024 * 1024, '7') + "\n" + std::string(1024 * 1024, 'q') + "\n";
  EXPECT_FALSE(Read(quads));
  EXPECT_EQ(filer_.FMSData()->AirCraftZ().Count(), 0);  // the long number does not convert, so adds nothing
}

// The read can end true only once the whole key is there, with whatever string follows complete.
TEST_F(SceneReader, AFileCutAnywhereEndsCleanly) {
  const std::string text = Lines({"// sf_SceneType         : 0  [stCube]", "// sf_CubeSuffix        : 0  [csLeft]",
                                  "// sf_AreaRadius        : 1000", "// sf_AirCraftX         : -5.00", "QUADS", "1 2 3",
                                  "// sf_TextureBasename   : 'o''hare'"});
  for (std::size_t n = 0; n < text.size(); ++n) {
    TVrelPanoFiler filer;
    bool result = false;
    EXPECT_NO_THROW(result = filer.LoadSceneText(text.substr(0, n))) << n;
    const std::string base = filer.TextureBasename();
    const bool keyWhole = n >= text.find("sf_TextureBasename") + 18;
    EXPECT_TRUE(!result || (keyWhole && (base == "" || base == "o" || base == "o'hare"))) << n << ": " << base;
  }
  TVrelPanoFiler whole;
  EXPECT_TRUE(whole.LoadSceneText(text));
  EXPECT_EQ(State(whole), "0 'o'hare' 0 0 0 -50000 0 7500 0 1000");
}
}  // namespace
}  // namespace vrel

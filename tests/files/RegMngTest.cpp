// The settings store: typed items in the INI file (and the registry stand-in), read and written by name.
#include <gtest/gtest.h>
#include "files/RegMng.h"
#include "platform/MessageBox.h"
#include "tests/files/SceneFileFixture.h"

namespace vrel {
namespace {
namespace fs = std::filesystem;
using scenetest::ScopedEnv;
using Strings = std::vector<std::string>;

class RegStore : public scenetest::TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    config_ = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", PathOf("config").c_str());
    reg_.SetIniFileName(ini_ = PathOf("vrel.ini"));
  }
  // The texts of the boxes shown so far.
  Strings Errors() const {
    Strings texts;
    for (const TMessageBoxRequest& box : boxes_.Shown)
      texts.push_back(box.Text);
    return texts;
  }
  // One item "I" in section "S" under key "K" with that default, over a file that holds "[S]" and `keys`.
  TRegFiler& Item(const std::string& defaultValue, const char* keys = nullptr) {
    if (keys)
      WriteBytes(ini_, std::string("[S]\r\n") + keys);
    reg_.RegItems()->Clear();
    reg_.AddItem("I", "S", "K", defaultValue);
    return reg_.GetItem("I");
  }
  std::string Stored() const { return TIniFile(ini_).ReadString("S", "K", "<none>"); }

  std::string ini_;
  std::unique_ptr<ScopedEnv> config_;
  TCapturingMessageBox boxes_;
  TScopedMessageBox scopedBoxes_{boxes_};
  TRegManager reg_;
};

TEST_F(RegStore, ASessionReadsWhatItWroteAndWritesTheFileOnlyAtCommit) {
  WriteBytes(ini_, "[S]\r\nK=1\r\n");
  TRegFiler& filer = Item("0");
  {
    TRegSession session(reg_);
    filer.WriteInteger(2);
    EXPECT_EQ(filer.ReadInteger(), 2);
    EXPECT_EQ(Stored(), "1");
    session.Commit();
    EXPECT_EQ(Stored(), "2");
    filer.WriteInteger(3);
  }
  // What was not committed is dropped with the session.
  EXPECT_EQ(Stored(), "2");
}

TEST_F(RegStore, ABooleansDefaultTextIsTrueWhenItIs1TrueOrYes) {
  for (const char* yes : {"True", "true", "TRUE", "yes", "Yes", "1"})
    EXPECT_TRUE(Item(yes, "").ReadBool()) << yes;
  for (const char* no : {"False", "no", "", "0", "2", "T", " True", "-1"})
    EXPECT_FALSE(Item(no, "").ReadBool()) << no;
}

// The default matters only when the key is absent.
TEST_F(RegStore, AStoredBooleanIsAnIntegerNotZeroInItsLowByte) {
  const std::pair<std::string, bool> stored[] = {{"1", true},     {"0", false},    {"2", true},    {"255", true},
                                                 {"256", false},  {"257", true},   {"-1", true},   {"-256", false},
                                                 {"TRUE", false}, {"yes", false},  {"abc", false}, {"", false},
                                                 {" 1 ", true},   {"$100", false}, {"$101", true}};
  for (const auto& [text, expected] : stored)
    EXPECT_EQ(Item("True", ("K=" + text + "\r\n").c_str()).ReadBool(), expected) << text;
}

// The default is itself read as an integer, or 0.
TEST_F(RegStore, ABadStoredIntegerReadsAsTheDefault) {
  EXPECT_EQ(Item("145", "K=12abc\r\n").ReadInteger(), 145);
  EXPECT_EQ(Item("x").ReadInteger(), 0);
  EXPECT_EQ(Item("-12", "").ReadInteger(), -12);
  EXPECT_EQ(Item("$10").ReadInteger(), 16);
}

TEST_F(RegStore, StoredIntegersReadInDecimalOrHexadecimalWithinTheirRange) {
  const std::pair<std::string, int32_t> stored[] = {{"42", 42},
                                                    {" -7 ", -7},
                                                    {"+3", 3},
                                                    {"$FF", 255},
                                                    {"0x10", 16},
                                                    {"$FF000008", int32_t(0xFF000008u)},
                                                    {"2147483647", 2147483647},
                                                    {"-2147483648", INT32_MIN},
                                                    {"2147483648", 99},
                                                    {"1.5", 99},
                                                    {"", 99},
                                                    {"$", 99},
                                                    {"$1FFFFFFFF", 99}};
  for (const auto& [text, expected] : stored)
    EXPECT_EQ(Item("99", ("K=" + text + "\r\n").c_str()).ReadInteger(), expected) << text;
}

// A shorter list deletes the entries beyond it.
TEST_F(RegStore, AWrittenListReplacesTheListStored) {
  TRegFiler& filer = Item("");
  Strings list = {"stale"};
  filer.WriteStrings({"a", "b", "c", "d", "e"});
  filer.WriteStrings({"x", "y"});
  EXPECT_EQ(ReadBytes(ini_), "[S]\r\nK_ItemCount=2\r\nK_Item0=x\r\nK_Item1=y\r\n");
  filer.ReadStrings(list);
  EXPECT_EQ(list, (Strings{"x", "y"}));
  filer.WriteStrings({});
  EXPECT_EQ(ReadBytes(ini_), "[S]\r\n");
}

// Missing entries read empty, entries beyond the count or spelt otherwise are not read, a count that is no number
// reads nothing, and one no file of this size could hold ends at the last entry present.
TEST_F(RegStore, AHandWrittenListReadsByItsCountAndItsNumbers) {
  TRegFiler& filer = Item("");
  Strings list;
  for (const auto& [text, expected] : std::vector<std::pair<std::string, Strings>>{
           {"", {}},
           {"K_ItemCount=4\nK_Item2=two\nK_Item0=zero\nK_Item4=four\nK_Item01=no\n", {"zero", "", "two", ""}},
           {"K_ItemCount=lots\r\nK_Item0=zero\r\n", {}},
           {"K_ItemCount=2000000000\r\nK_Item0=zero\r\nK_Item2=two\r\n", {"zero", "", "two"}}}) {
    WriteBytes(ini_, "[S]\r\n" + text);
    filer.ReadStrings(list);
    EXPECT_EQ(list, expected) << text;
  }
}

TEST_F(RegStore, WritingOverAHandWrittenListDeletesTheEntriesThatExist) {
  TRegFiler& filer = Item("", "K_ItemCount=2000000000\r\nK_Item0=zero\r\nK_Item2=two\r\n");
  filer.WriteStrings({"only"});
  EXPECT_EQ(ReadBytes(ini_), "[S]\r\nK_ItemCount=1\r\nK_Item0=only\r\n");
}

TEST_F(RegStore, ItemsAreFoundByNameWithoutCase) {
  reg_.AddItem("Left", "MainForm", "Left", "10");
  EXPECT_EQ(std::tuple(reg_.GetItem("LEFT").ReadInteger(), boxes_.Shown.size()), std::tuple(10, 0u));
}

// Nothing is read or written, and no file made.
TEST_F(RegStore, AnUnknownItemOrAnEmptyNameDoesNothing) {
  reg_.AddItem("NoSection", "", "K", "7");
  reg_.AddItem("NoKey", "S", "", "8");
  EXPECT_EQ(std::tuple(reg_.GetItem("NoSection").ReadInteger(), reg_.GetItem("NoKey").ReadInteger()), std::tuple(7, 8));
  TRegFiler& filer = reg_.GetItem("Right");
  Strings list = {"kept"};
  filer.ReadStrings(list);
  EXPECT_EQ(std::tuple(filer.Item(), filer.ReadBool(), filer.ReadInteger(), filer.ReadFloat(), filer.ReadString()),
            std::tuple(nullptr, false, 0, 0.0, ""));
  EXPECT_EQ(list, Strings{"kept"});
  filer.WriteInteger(5);
  filer.WriteStrings({"a"});
  filer.WriteStream("abc");
  reg_.GetItem("NoSection").WriteInteger(1);
  reg_.GetItem("NoKey").WriteString("x");
  reg_.GetItem("NoKey").WriteStrings({"x"});
  EXPECT_FALSE(fs::exists(ini_));
}

// Within a session too.
TEST_F(RegStore, AFileThatCannotBeReadGivesDefaultsAndRefusesWrites) {
  fs::create_directory(ini_);
  TRegFiler& filer = Item("11");
  EXPECT_EQ(filer.ReadInteger(), 11);
  EXPECT_THROW(filer.WriteInteger(1), EIniFileError);
  TRegSession session(reg_);
  EXPECT_EQ(filer.ReadInteger(), 11);
  EXPECT_THROW(filer.WriteInteger(1), EIniFileError);
}

TEST_F(RegStore, WithoutAFileTheBoxSaysWhichAndTheDefaultsAreRead) {
  reg_.GetItem("Right");
  reg_.SetIniFileName("");
  EXPECT_EQ(Item("3").ReadInteger(), 3);
  Item("3").WriteInteger(4);
  reg_.SetRegType(rtReg);
  EXPECT_EQ(Item("3").ReadInteger(), 3);
  EXPECT_EQ(Errors(), (Strings{"[' Right '] is invalid.", "can not create Inifile object.",
                               "can not create Inifile object.", "can not create Registry object."}));
  EXPECT_EQ(std::tuple(boxes_.Shown[0].Icon, boxes_.Shown[0].Buttons), std::tuple(TMsgIcon::Error, TMsgButtons::OK));
}

TEST_F(RegStore, TheRegistryStandInKeepsItsSectionsUnderTheRegistryKey) {
  reg_.SetRegType(rtReg);
  reg_.SetRegDir("Software\\Tovesklabs\\Vrel");
  reg_.AddItem("Left", "MainForm", "Left", "0");
  reg_.AddItem("Data", "MainForm", "Data", "");
  reg_.GetItem("Left").WriteInteger(120);
  reg_.GetItem("Data").WriteStream(std::string("\x01\xfe", 2));
  EXPECT_FALSE(fs::exists(ini_));
  EXPECT_EQ(ReadBytes(RegistryFileName()), "[Software\\Tovesklabs\\Vrel\\MainForm]\r\nLeft=120\r\nData=01FE\r\n");
  std::string stream = ">";
  reg_.GetItem("Data").ReadStream(stream);
  EXPECT_EQ(std::tuple(reg_.GetItem("Left").ReadInteger(), stream), std::tuple(120, std::string(">\x01\xfe", 3)));
}

// Nothing stored leaves the component alone.
TEST_F(RegStore, AComponentIsStoredAndReadBack) {
  reg_.AddItem("Component", "Samples", "Reg", "");
  reg_.AddItem("Nothing", "Samples", "Nothing", "");
  TRegManager source;
  TRegManager target;
  TRegManager untouched;
  source.SetName("Source");
  source.SetRegDir("Software\\X");
  source.AddItem("\x83\x41", "\x90\xdd\x92\xe8", "C", "D");
  reg_.GetItem("Component").WriteComponent(source);
  reg_.GetItem("Component").ReadComponent(target);
  untouched.SetName("Untouched");
  reg_.GetItem("Nothing").ReadComponent(untouched);
  ASSERT_EQ(target.RegItems()->Count(), 1);
  const TRegItem* item = target.RegItems()->Items(0);
  EXPECT_EQ((Strings{target.Name(), target.RegDir(), item->Name(), item->Section(), item->Ident(), item->DefaultValue(),
                     untouched.Name()}),
            (Strings{"Source", "Software\\X", "\x83\x41", "\x90\xdd\x92\xe8", "C", "D", "Untouched"}));
}

// "section|key=value" for every key of an INI text, in order, as a reader of the format sees it.
std::string Pairs(const std::string& text) {
  std::string out;
  std::string section;
  std::string line;
  std::istringstream lines(text);
  while (std::getline(lines, line)) {
    if (line.starts_with("["))
      section = line.substr(1, line.find(']') - 1);
    else if (line.find('=') != std::string::npos)
      out += section + "|" + line.substr(0, line.find('\r')) + "\n";
  }
  return out;
}

// A settings file after a window's save: the hand-written lines kept, new keys at the end of their sections.
class RegStoreSaved : public RegStore {
 protected:
  void SetUp() override {
    RegStore::SetUp();
    WriteBytes(ini_, "; Vrel\n[MainForm]\nLeft=3\nNote=hand written\n\n[Unknown]\nkeep=me\n");
    for (const char* name : {"Left", "Top", "Maximize", "History"})
      reg_.AddItem(name, "MainForm", name, "0");
    for (const char* name : {"BackGroundColor", "StartPointLength", "IgnoreVisible", "Sample"})
      reg_.AddItem(name, "Property", name, "1");
    reg_.AddItem("Font", "MemoForm", "Memo", "");
    reg_.GetItem("Left").WriteInteger(120);
    reg_.GetItem("Top").WriteInteger(-32000);
    reg_.GetItem("Maximize").WriteBool(true);
    reg_.GetItem("BackGroundColor").WriteInteger(5849112);
    reg_.GetItem("StartPointLength").WriteFloat(0.1);
    reg_.GetItem("IgnoreVisible").WriteBool(false);
    reg_.GetItem("History").WriteStrings({"C:\\scenes\\a.scn", "\x83\x5c\x83\x74\x83\x67.scn", "c d"});
    reg_.GetItem("Sample").WriteStream(std::string(40, '\xc3'));
    reg_.GetItem("Font").WriteFont(kFont);
  }
  static inline const TFontData kFont{"\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e", 9, 0x0000FF,
                                      FontStyleBit(fsBold) | FontStyleBit(fsUnderline), 128};
};

std::string Golden() {
  std::string c3;
  for (int i = 0; i < 40; ++i)
    c3 += "C3";
  return "; Vrel\r\n[MainForm]\r\nLeft=120\r\nNote=hand written\r\nTop=-32000\r\nMaximize=1\r\nHistory_ItemCount=3\r\n"
         "History_Item0=C:\\scenes\\a.scn\r\nHistory_Item1=\x83\x5c\x83\x74\x83\x67.scn\r\nHistory_Item2=c d\r\n\r\n"
         "[Unknown]\r\nkeep=me\r\n\r\n[Property]\r\nBackGroundColor=5849112\r\nStartPointLength=0.1\r\nIgnoreVisible="
         "0\r\n"
         "Sample_c=2\r\nSample_d0=" +
         c3.substr(0, 64) + "\r\nSample_d1=" + c3.substr(64) +
         "\r\n\r\n[MemoForm]\r\n"
         "Memo_FontName=\x82\x6c\x82\x72 "
         "\x83\x53\x83\x56\x83\x62\x83\x4e\r\nMemo_FontSize=9\r\nMemo_FontColor=clRed\r\n"
         "Memo_FontStyle=5\r\nMemo_FontCharset=128\r\n";
}

TEST_F(RegStoreSaved, TheFileHoldsTheGoldenText) {
  EXPECT_EQ(ReadBytes(ini_), Golden());
}

TEST_F(RegStoreSaved, ConfigParserReadsTheKeysAlike) {
  EXPECT_EQ(ConfigParserView(ini_), Pairs(Golden()));
}

TEST_F(RegStoreSaved, StreamsAndFontsReadBack) {
  std::string stream = ">";
  TFontData read;
  reg_.GetItem("Sample").ReadStream(stream);
  reg_.GetItem("Font").ReadFont(read);
  EXPECT_EQ(std::tuple(stream, read), std::tuple(">" + std::string(40, '\xc3'), kFont));
}

TEST(RegColors, ColoursAreWrittenAsNamesOrHexadecimalAndReadBack) {
  const std::pair<int32_t, std::string> texts[] = {
      {0x0000FF, "clRed"}, {clWindowText, "clWindowText"}, {5849112, "$00594018"}, {int32_t(0xFF000019u), "$FF000019"}};
  for (const auto& [color, text] : texts) {
    int32_t back = 0;
    EXPECT_EQ(ColorToString(color), text);
    EXPECT_TRUE(StringToColor(text, back)) << text;
    EXPECT_EQ(back, color) << text;
  }
}

// Anything else leaves the colour alone.
TEST(RegColors, NamesInAnyCaseAndPlainIntegersReadToo) {
  for (const auto& [text, expected] : {std::pair("CLWINDOWTEXT", clWindowText), std::pair("255", 255),
                                       std::pair("clPink", 7), std::pair("#FF0000", 7), std::pair("", 7)}) {
    int32_t color = 7;
    EXPECT_EQ(StringToColor(text, color), expected != 7) << text;
    EXPECT_EQ(color, expected) << text;
  }
}

TEST_F(RegStore, FontsKeepTheirValuesForAbsentKeysAndTextsThatDoNotConvert) {
  TFontData font{"Tahoma", 8, clWindowText, FontStyleBit(fsItalic), 1};
  Item("", "K_FontSize=12pt\r\nK_FontColor=$00FF8000\r\nK_FontStyle=bold\r\nK_FontCharset=x\r\n").ReadFont(font);
  EXPECT_EQ(font, (TFontData{"Tahoma", 8, 0xFF8000, FontStyleBit(fsItalic), 1}));
  // Style and character set keep the bits they have room for.
  Item("", "K_FontColor=clNoSuchColour\r\nK_FontStyle=31\r\nK_FontCharset=384\r\n").ReadFont(font);
  EXPECT_EQ(font, (TFontData{"Tahoma", 8, 0xFF8000, 15, 128}));
}

TEST(SettingsLocation, TheVariableTheExecutablesFolderOrTheConfigFolder) {
  ScopedEnv home("HOME", "/home/pilot");
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  std::string asked;
  auto writable = [&](const std::string& folder) {
    asked = folder;
    return true;
  };
  auto readOnly = [](const std::string&) { return false; };
  {
    ScopedEnv ini(kSettingsFileVariable, "/tmp/test settings.ini");
    EXPECT_EQ(SettingsFileNameFor("/opt/vrel/vrel", writable), "/tmp/test settings.ini");
    EXPECT_EQ(SettingsFileName(), "/tmp/test settings.ini");
  }
  ScopedEnv ini(kSettingsFileVariable, "");  // empty counts as unset
  EXPECT_EQ(SettingsFileNameFor("/opt/vrel/vrel", writable), "/opt/vrel/vrel.ini");
  EXPECT_EQ(asked, "/opt/vrel");
  EXPECT_EQ(SettingsFileNameFor("/opt/vrel/Vrel.exe", writable), "/opt/vrel/Vrel.ini");
  EXPECT_EQ(SettingsFileNameFor("/usr/bin/vrel", readOnly), "/home/pilot/.config/vrel/vrel.ini");
  EXPECT_EQ(RegistryFileName(), "/home/pilot/.config/vrel/registry.ini");
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/var/cfg");
    EXPECT_EQ(SettingsFileNameFor("/usr/bin/vrel", readOnly), "/var/cfg/vrel/vrel.ini");
    EXPECT_EQ(RegistryFileName(), "/var/cfg/vrel/registry.ini");
  }
  {
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/cfg");  // only an absolute folder counts
    EXPECT_EQ(ConfigFolder(), "/home/pilot/.config/vrel");
  }
  // This test program's own folder is writable (the build folder), so the file sits beside it.
  EXPECT_EQ(fs::path(SettingsFileName()).filename(), "files_tests.ini");
}
}  // namespace
}  // namespace vrel

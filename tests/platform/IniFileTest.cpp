#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <random>
#include "NonRegularFiles.h"
#include "PythonOracle.h"

// The address sanitizer's allocator counts the bytes in use (GCC ships no header for it).
#if defined(__SANITIZE_ADDRESS__)
#define VREL_COUNTS_ALLOCATIONS 1
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace vrel {
namespace {
using oracle::FromHex;
using oracle::ReadFile;
using oracle::TempFolder;
using oracle::WriteFile;
namespace fs = std::filesystem;

// Second bytes: ア 'A', ヂ 'a', ゾ ']', ソ '\'.
const std::string kA = "\x83\x41";
const std::string kDi = "\x83\x61";
const std::string kZo = "\x83\x5d";
const std::string kSo = "\x83\x5c";
const std::string kSettei = "\x90\xdd\x92\xe8";  // 設定

TEST(IniFileRead, NamesCompareWithoutCaseOrSurroundingBlanks) {
  const TIniFile ini = TIniFile::FromBytes("[MainForm]\r\n  Left =  10 \r\nTOP=20\r\n[ Property ]\r\nx=1\r\n");
  EXPECT_EQ(ini.ReadString("mainform", "LEFT", "d"), "10");
  EXPECT_EQ(ini.ReadString("MAINFORM", "top", "d"), "20");
  EXPECT_EQ(ini.ReadString("property", " X ", "d"), "1");
  EXPECT_EQ(ini.ReadString("MainForm", "Width", "d"), "d");
  EXPECT_EQ(ini.ReadString("Missing", "Left", "d"), "d");
  EXPECT_TRUE(ini.ValueExists("MAINFORM", "left"));
  EXPECT_FALSE(ini.ValueExists("MainForm", "x"));
  EXPECT_TRUE(ini.SectionExists("PROPERTY"));
  EXPECT_FALSE(ini.SectionExists("Prop"));
}

// A fold of every byte would make ア and ヂ one key; a bracket search by byte would end the header inside ゾ, and
// "[x" + ゾ (no bracket of its own) is a line of no meaning, so y stays in ゾ's section.
TEST(IniFileRead, DoubleByteCharactersAreNeitherFoldedNorCutAtABracket) {
  const TIniFile kana = TIniFile::FromBytes("[" + kZo + "]\n" + kA + "=a\n" + kDi + "=di\n[x" + kZo + "\ny=1\n[" +
                                            kSettei + kSo + "]\n" + kSo + "=so\n");
  EXPECT_EQ(kana.ReadString(kZo, kA, ""), "a");
  EXPECT_EQ(kana.ReadString(kZo, kDi, ""), "di");
  EXPECT_FALSE(kana.SectionExists("x" + kZo.substr(0, 1)));
  EXPECT_EQ(kana.ReadString(kZo, "y", ""), "1");
  EXPECT_EQ(kana.ReadString(kSettei + kSo, kSo, ""), "so");
  EXPECT_TRUE(SameIniName("ab" + kA, "AB" + kA));
  EXPECT_FALSE(SameIniName(kA, kDi));
  EXPECT_FALSE(
      SameIniName("\x83"
                  "a",
                  "\x83"
                  "A"));
}

TEST(IniFileRead, TheFirstOfDuplicateKeysAndSectionsWins) {
  const TIniFile ini = TIniFile::FromBytes("[S]\nk=first\nK=second\n[T]\nk=t\n[s]\nk=third\nonly=later\n");
  EXPECT_EQ(ini.ReadString("S", "k", ""), "first");
  EXPECT_EQ(ini.ReadString("S", "only", "none"), "none");  // the later [s] is not reachable at all
  EXPECT_EQ(ini.ReadSectionValues("s"), (std::vector<std::pair<std::string, std::string>>{{"k", "first"}}));
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"S", "T"}));
}

TEST(IniFileRead, ValuesAreTrimmedOfBlanksAndOneEnclosingPairOfQuotes) {
  const TIniFile values = TIniFile::FromBytes(
      "[V]\ndouble=  \"a b \"  \nsingle='c'\nmixed=\"d'\nlone=\"\n"
      "empty=\"\"\ninner=e \"f\" g\ntab=\t h\t\neq=a=b\nblank=\n");
  const std::pair<const char*, const char*> expected[] = {{"double", "a b "}, {"single", "c"},
                                                          {"mixed", "\"d'"},  {"lone", "\""},
                                                          {"empty", ""},      {"inner", "e \"f\" g"},
                                                          {"tab", "h"},       {"eq", "a=b"},
                                                          {"blank", ""}};  // a key with nothing after "=" exists;
                                                                           // defaults are for absent keys
  for (const auto& [key, value] : expected)
    EXPECT_EQ(values.ReadString("V", key, "?"), value) << key;
}

TEST(IniFileRead, CommentsForeignLinesAndKeysBeforeAnySectionAreNoKeys) {
  const TIniFile ini = TIniFile::FromBytes(
      "orphan=1\n[S]\n;k=commented\n  ; also=commented\nno equals sign\nk=real\n[unclosed\nafter=still S\n");
  EXPECT_EQ(ini.ReadString("S", "k", ""), "real");
  EXPECT_FALSE(ini.ValueExists("S", ";k"));
  EXPECT_FALSE(ini.ValueExists("S", "also"));
  EXPECT_FALSE(ini.ValueExists("", "orphan"));
  EXPECT_EQ(ini.ReadString("S", "after", ""), "still S");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"S"}));
}

TEST(IniFileRead, EveryLineEndReadsAndSavesAsCrLf) {
  for (const std::string eol : {"\r\n", "\n", "\r"}) {
    const TIniFile ended = TIniFile::FromBytes("[S]" + eol + "a=1" + eol + eol + "b=2");
    EXPECT_EQ(ended.ReadString("S", "a", ""), "1") << oracle::ToHex(eol);
    EXPECT_EQ(ended.ReadString("S", "b", ""), "2") << oracle::ToHex(eol);
    EXPECT_EQ(ended.ToBytes(), "[S]\r\na=1\r\n\r\nb=2\r\n") << oracle::ToHex(eol);
  }
  // Mixed ends; "\n\r" is two line ends, not one.
  const TIniFile mixed = TIniFile::FromBytes("[S]\r\na=1\nb=2\rc=3\n\rd=4\r\n");
  EXPECT_EQ(mixed.ToBytes(), "[S]\r\na=1\r\nb=2\r\nc=3\r\n\r\nd=4\r\n");
  EXPECT_EQ(mixed.ReadString("S", "d", ""), "4");
}

TEST(IniFileWrite, AWriteChangesItsLineOnlyAndANewKeyGoesToTheEndOfItsSection) {
  TIniFile ini = TIniFile::FromBytes(
      "; Vrel settings\n[MainForm]\nLeft = 10\n; window placement\nForeign=kept\njunk line\n\n"
      "[Property]\nBackGroundColor=5849112\n");
  ini.WriteString("MAINFORM", "left", "42");  // the file's spelling of the key stays
  ini.WriteString("MainForm", "Top", "7");
  ini.WriteString("Property", "PlaneSmooth", "1");
  ini.WriteString("MemoForm", "Width", "450");
  ini.WriteString("MemoForm", kSettei, kSo + "\\" + kZo);
  EXPECT_TRUE(ini.Modified());
  EXPECT_EQ(ini.ToBytes(),
            "; Vrel settings\r\n[MainForm]\r\nLeft=42\r\n; window placement\r\nForeign=kept\r\njunk line\r\nTop=7\r\n"
            "\r\n[Property]\r\nBackGroundColor=5849112\r\nPlaneSmooth=1\r\n\r\n[MemoForm]\r\nWidth=450\r\n" +
                kSettei + "=" + kSo + "\\" + kZo + "\r\n");
  EXPECT_EQ(ini.ReadString("memoform", kSettei, ""), kSo + "\\" + kZo);
}

TEST(IniFileWrite, AWriteChangesTheFirstOfDuplicates) {
  TIniFile ini = TIniFile::FromBytes("[S]\nk=1\nK=2\nother=x\nk=3\n[T]\nk=t\n");
  ini.WriteString("S", "k", "one");
  EXPECT_EQ(ini.ToBytes(), "[S]\r\nk=one\r\nK=2\r\nother=x\r\nk=3\r\n[T]\r\nk=t\r\n");
}

// Every duplicate goes, so no older value shows through afterwards.
TEST(IniFileWrite, DeleteKeyRemovesEveryDuplicate) {
  TIniFile ini = TIniFile::FromBytes("[S]\nk=1\nK=2\nother=x\nk=3\n[T]\nk=t\n");
  ini.DeleteKey("s", "K");
  EXPECT_FALSE(ini.ValueExists("S", "k"));
  EXPECT_EQ(ini.ToBytes(), "[S]\r\nother=x\r\n[T]\r\nk=t\r\n");
}

TEST(IniFileWrite, DeleteKeysAndEraseSectionRemoveWhatTheyName) {
  TIniFile ini = TIniFile::FromBytes("[S]\nother=x\n[T]\nk=t\n");
  ini.WriteString("S", "L_d0", "a");
  ini.WriteString("S", "L_d1", "b");
  ini.WriteString("S", "L_d12", "c");
  ini.DeleteKeys("S", [](std::string_view name) { return name.starts_with("L_d1"); });
  EXPECT_EQ(ini.ToBytes(), "[S]\r\nother=x\r\nL_d0=a\r\n[T]\r\nk=t\r\n");
  ini.WriteString("T", "k2", "v");
  ini.EraseSection("t");
  EXPECT_EQ(ini.ToBytes(), "[S]\r\nother=x\r\nL_d0=a\r\n");
}

TEST(IniFileWrite, WritesAndDeletionsThatChangeNothingLeaveTheFileUnmodified) {
  TIniFile same = TIniFile::FromBytes("[S]\nk=v\n");
  same.WriteString("S", "k", "v");
  same.DeleteKey("S", "absent");
  same.DeleteKey("Absent", "k");
  same.EraseSection("Absent");
  EXPECT_FALSE(same.Modified());
}

// "k = v" is not byte for byte what a write gives.
TEST(IniFileWrite, AnEqualValueInAnotherFormIsRewrittenInTheWritersForm) {
  TIniFile spaced = TIniFile::FromBytes("[S]\nk = v\n");
  spaced.WriteString("S", "k", "v");
  EXPECT_TRUE(spaced.Modified());
  EXPECT_EQ(spaced.ToBytes(), "[S]\r\nk=v\r\n");
}

TEST(IniFileWrite, RefusesWhatWouldReadBackAsSomethingElse) {
  TIniFile ini;
  const std::pair<std::string, std::string> refused[] = {// section, key; the last lead byte would eat ']'
                                                         {"S", "a=b"},
                                                         {"S", ";k"},
                                                         {"S", "[k"},
                                                         {"S\n", "k"},
                                                         {"S\x83", "k"}};
  for (const auto& [section, key] : refused)
    EXPECT_THROW(ini.WriteString(section, key, "v"), EIniFileError) << key;
  EXPECT_THROW(ini.WriteString("S", "k", "a\r\nb=c"), EIniFileError);
  EXPECT_FALSE(ini.Modified());
  ini.WriteString("a]b", "k", "v");  // the header ends at its last bracket
  EXPECT_EQ(TIniFile::FromBytes(ini.ToBytes()).ReadString("A]B", "k", ""), "v");
}

TEST(IniFileDisk, AMissingFileReadsEmptyAndIsMadeWithItsFolderAtTheFirstChange) {
  TempFolder folder;
  const fs::path path = folder.path / "sub" / "vrel.ini";
  TIniFile ini(path.string());
  EXPECT_TRUE(ini.ReadSections().empty());
  ini.UpdateFile();  // nothing changed: nothing written
  EXPECT_FALSE(fs::exists(path));
  ini.WriteString("S", "k", "v");
  ini.UpdateFile();
  EXPECT_FALSE(ini.Modified());
  EXPECT_EQ(ReadFile(path), "[S]\r\nk=v\r\n");
  EXPECT_EQ(TIniFile(path.string()).ReadString("s", "K", ""), "v");
  // The temporary file was renamed over the target; nothing else is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()), 1);
}

TEST(IniFileDisk, AFolderOrAnOversizedFileIsRefused) {
  TempFolder folder;
  EXPECT_THROW(TIniFile(folder.path.string()), EIniFileError);
  const fs::path big = folder.path / "big.ini";
  WriteFile(big, "[S]\n");
  fs::resize_file(big, kMaxIniFileSize + 1);
  EXPECT_THROW(TIniFile(big.string()), EIniFileError);
  fs::resize_file(big, kMaxIniFileSize);
  EXPECT_NO_THROW(TIniFile(big.string()));
}

TEST(IniFileDisk, AFailedSaveLeavesTheOldFileAndKeepsTheChanges) {
  TempFolder folder;
  const fs::path path = folder.path / "vrel.ini";
  WriteFile(path, "[S]\nk=old\n");
  TIniFile ini(path.string());
  ini.WriteString("S", "k", "new");
  // A folder where the temporary file's rename must go makes the commit fail.
  fs::remove(path);
  fs::create_directory(path);
  WriteFile(path / "inside", "x");
  EXPECT_THROW(ini.UpdateFile(), EIniFileError);
  EXPECT_TRUE(ini.Modified());
  EXPECT_EQ(ReadFile(path / "inside"), "x");
  TIniFile unnamed;
  unnamed.WriteString("S", "k", "v");
  EXPECT_THROW(unnamed.UpdateFile(), EIniFileError);
}

TEST(IniFileDisk, AFifoOrADeviceIsRefusedWithoutWaiting) {
  TempFolder folder;
  const std::string fifo = (folder.path / "vrel.ini").string();
  nonregular::MakeFifo(fifo);
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    bool refused = false;
    const bool waited = nonregular::WaitsOnFifo(fifo, [&] {
      try {
        TIniFile ini(path);
      } catch (const EIniFileError&) {
        refused = true;
      }
    });
    EXPECT_FALSE(waited) << path;
    EXPECT_TRUE(refused) << path;
  }
}

#if VREL_COUNTS_ALLOCATIONS
// The bytes an open file keeps, over the size of the file.
double KeptPerFileByte(const std::string& bytes) {
  TempFolder folder;
  WriteFile(folder.path / "vrel.ini", bytes);
  const std::size_t before = __sanitizer_get_current_allocated_bytes();
  const TIniFile ini((folder.path / "vrel.ini").string());
  return static_cast<double>(__sanitizer_get_current_allocated_bytes() - before) / static_cast<double>(bytes.size());
}
#endif

TEST(IniFileMemory, AnOpenFileKeepsAtMostFourTimesItsSize) {
#if VREL_COUNTS_ALLOCATIONS
  std::string crlf;
  std::string keys;
  for (int i = 0; i < (1 << 18); ++i) {
    crlf += "\r\n";
    keys += "k=\n";
  }
  const std::pair<const char*, std::string> files[] = {
      {"LF", std::string(1 << 20, '\n')}, {"CR", std::string(1 << 20, '\r')}, {"CR LF", crlf}, {"short keys", keys}};
  for (const auto& [shape, bytes] : files)
    EXPECT_LE(KeptPerFileByte(bytes), 4.0) << shape;
#else
  GTEST_SKIP() << "counting the bytes held needs the address sanitizer's allocator";
#endif
}

// A long run of writes, deletions and erasures ends in the same file as parsing what it saves.
TEST(IniFileWrite, EditsAgreeWithAReadOfTheirOwnText) {
  TIniFile ini = TIniFile::FromBytes("; head\n\n[A]\nk0=x\n; note\n\n\n[B]\r\n\r\nj=1\n   \n");
  std::mt19937 random(7);
  for (int step = 0; step < 3000; ++step) {
    const std::string section = std::string(1, "ABC"[random() % 3]);
    const std::string key = "k" + std::to_string(random() % 12);
    switch (random() % 8) {
      case 0:
        ini.DeleteKey(section, key);
        break;
      case 1:
        if (random() % 20 == 0)
          ini.EraseSection(section);
        break;
      default:
        ini.WriteString(section, key, std::string(random() % 40, 'v') + std::to_string(step));
        break;
    }
    const TIniFile reread = TIniFile::FromBytes(ini.ToBytes());
    ASSERT_EQ(reread.ToBytes(), ini.ToBytes()) << step;
    ASSERT_EQ(reread.LineCount(), ini.LineCount()) << step;
    ASSERT_EQ(reread.ReadSectionValues(section), ini.ReadSectionValues(section)) << step;
  }
}

// configparser reads back every section, key and value we write, printed as hex of the CP932 bytes.
TEST(IniFileOracle, ConfigParserReadsWhatWeWrite) {
  TempFolder folder;
  const fs::path path = folder.path / "vrel.ini";
  WriteFile(path, "; written by hand\n[Keep]\nForeign = 1\n");
  std::map<std::string, std::map<std::string, std::string>> expected{{"Keep", {{"Foreign", "1"}}}}, found;
  const std::string pieces[] = {"a", "Z", "0", "9",     " ",    "_", ".",  "$", "-", kA,
                                kDi, kZo, kSo, kSettei, "\xb1", "%", "\\", ":", "#"};
  std::mt19937 random(20240611);
  const auto text = [&](int length) {
    std::string s;
    while (length-- > 0)
      s += pieces[random() % std::size(pieces)];
    return s;
  };
  TIniFile ini(path.string());
  for (int s = 0; s < 6; ++s) {
    const std::string section = "S" + std::to_string(s) + text(3) + "x";
    for (int k = 0; k < 12; ++k) {
      // Values with no blank or quote at either end read back the same in both readers.
      const std::string key = "k" + std::to_string(k) + text(int(random() % 4)) + "y", value = text(int(random() % 9));
      ini.WriteString(section, key, expected[section][key] = value.empty() ? value : "v" + value + "w");
    }
  }
  ini.UpdateFile();
  for (const std::string& line : oracle::RunPython(folder, R"(import configparser, sys
p = configparser.RawConfigParser(delimiters=('=',), comment_prefixes=(';',), strict=True)
p.optionxform = str
with open(sys.argv[1], encoding='cp932', newline='') as f:
    p.read_file(f)
for s in p.sections():
    for k, v in p.items(s):
        print(s.encode('cp932').hex(), k.encode('cp932').hex(), v.encode('cp932').hex())
)",
                                                   {path.string()})) {
    std::istringstream fields(line);
    std::string s, k, v;
    fields >> s >> k >> v;
    found[FromHex(s)][FromHex(k)] = FromHex(v);
  }
  EXPECT_EQ(found, expected);
}
}  // namespace
}  // namespace vrel

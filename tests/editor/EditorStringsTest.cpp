#include "editor/EditorStrings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "editor/EditorProperties.h"
#include "editor/EditorScreenStrings.h"
#include "platform/UpdateGuard.h"
#include "tests/editor/FakeEditor.h"
#include "tests/platform/PythonOracle.h"

namespace vrel {
namespace {

using Rows = std::vector<RowImage>;

// The editor's Lines over the rows.
struct Fixture : EditorRows {
  using EditorRows::EditorRows;
  TEditorStrings lines{editor};
};

// ---------------------------------------------------------------------------------------------
// Lines over rows

TEST(Lines, AddOnATextWithoutFinalLineBreakKeepsItWithout) {
  Fixture f("one\r\ntwo");
  EXPECT_EQ(f.lines.Add("three"), 2);
  EXPECT_EQ(std::tuple(f.lines.Text(), f.rows.RowAttribute(2), f.editor.Row(), f.editor.Col()),
            std::tuple("one\r\ntwo\r\nthree", 2, 2, 5));
}

TEST(Lines, AddOnAnEmptyEditorGivesOneRowThatEndsItsLine) {
  Fixture f;
  EXPECT_EQ(f.lines.Add("first"), 0);
  EXPECT_EQ(std::tuple(RowsOf(f.rows), f.lines.Count(), f.editor.Row()), std::tuple(Rows{{"first", 0}}, 1, 1));
}

TEST(Lines, AWrappedLineIsOneLine) {
  Fixture f("x\r\n" + std::string(45, 'a') + "\r\ny", true);
  EXPECT_EQ(std::tuple(f.rows.Count(), f.lines.Count(), f.lines.Get(1), f.lines.Get(2), f.lines.LineToRow(2)),
            std::tuple(5, 3, std::string(45, 'a'), "y", 4));
  EXPECT_EQ(f.lines.StreamedLines(), (std::vector<std::string>{"x", std::string(45, 'a'), "y"}));
}

TEST(Lines, PutReplacesAWholeWrappedLineAndLeavesTheCaretAfterIt) {
  Fixture f("x\r\n" + std::string(45, 'a') + "\r\ny", true);
  f.lines.Put(1, "short");
  EXPECT_EQ(std::tuple(f.lines.Text(), f.editor.Row(), f.editor.Col()), std::tuple("x\r\nshort\r\ny", 2, 0));
  f.lines.Put(2, "last");
  EXPECT_EQ(std::tuple(f.lines.Text(), f.editor.Row(), f.editor.Col()), std::tuple("x\r\nshort\r\nlast", 2, 4));
}

TEST(Lines, InsertPutsALineBeforeAnotherAndAtTheEndAdds) {
  Fixture f("a\r\nc\r\n");
  f.lines.Insert(1, "b");
  EXPECT_EQ(std::tuple(f.lines.Text(), f.editor.Row()), std::tuple("a\r\nb\r\nc\r\n", 2));
  f.lines.Insert(3, "d");
  EXPECT_EQ(f.lines.Text(), "a\r\nb\r\nc\r\nd\r\n");
}

TEST(Lines, DeleteRemovesAWholeWrappedLine) {
  Fixture f("x\r\n" + std::string(45, 'a') + "\r\ny\r\n", true);
  f.lines.Delete(1);
  EXPECT_EQ(std::tuple(RowsOf(f.rows), f.editor.Row()), std::tuple(Rows{{"x", 0}, {"y", 0}}, 1));
}

TEST(Lines, EditsAreOneUndoStepEachAndCancelTheSelection) {
  Fixture f("a\r\n");
  f.lines.Add("b");
  f.lines.Put(0, "A");
  f.lines.Delete(1);
  EXPECT_EQ(std::tuple(f.editor.selectionsCancelled, f.editor.hidden, f.rows.UndoObj()->UndoList().size()),
            std::tuple(4, 0, 3u));
  f.rows.Undo();
  f.rows.Undo();
  EXPECT_EQ(f.lines.Text(), "a\r\nb\r\n");
}

TEST(Lines, AnIndexOutsideTheLinesRaisesTheListError) {
  Fixture f("a\r\nb");
  EXPECT_THROW(f.lines.Get(2), EStringListError);
  EXPECT_THROW(f.lines.Get(-1), EStringListError);
  EXPECT_THROW(f.lines.Put(2, "x"), EStringListError);
  EXPECT_THROW(f.lines.Delete(2), EStringListError);
  EXPECT_THROW(f.lines.Insert(3, "x"), EStringListError);
  EXPECT_EQ(f.lines.Text(), "a\r\nb");
}

TEST(Lines, SetTextBreaksAtCrLfCrAndLfAndKeepsNul) {
  Fixture f;
  f.lines.SetText(std::string("a\rb\nc\r\n\r\nd\0e", 12));
  EXPECT_EQ(RowsOf(f.rows), (Rows{{"a", 0}, {"b", 0}, {"c", 0}, {"", 0}, {std::string("d\0e", 3), 2}}));
  EXPECT_FALSE(f.rows.UndoObj()->CanUndo());
}

TEST(Lines, AssignTakesTheTextOfAnotherLinesOrAStringList) {
  Fixture f("old\r\n");
  Fixture g("one\r\ntwo");
  f.lines.Assign(&g.lines);
  EXPECT_EQ(std::tuple(f.lines.Text(), f.editor.Row()), std::tuple("one\r\ntwo", 1));
  TzeStringList list;
  list.Add("p");
  list.Add("q");
  f.lines.Assign(&list);
  EXPECT_EQ(f.lines.Text(), "p\r\nq\r\n");
  TEditorWrapOption other;
  EXPECT_THROW(f.lines.Assign(&other), EConvertError);
}

TEST(Lines, ABatchHidesTheCaretOnceAndRefreshesEveryEditorAtItsEnd) {
  Fixture f;
  FakeEditor second(f.rows);
  f.editor.changes.clear();
  f.editor.refreshes = 0;
  {
    UpdateGuard batch(f.lines);
    f.lines.Add("a");
    f.lines.Add("b");
    EXPECT_EQ(std::tuple(f.editor.updating, f.editor.hidden, f.editor.changes.size()), std::tuple(true, 1, 0u));
  }
  EXPECT_EQ(std::tuple(f.editor.updating, f.editor.hidden, f.editor.moving, f.editor.changes.size()),
            std::tuple(false, 0, 0, 1u));
  EXPECT_EQ(std::tuple(f.editor.refreshes, second.refreshes), std::tuple(1, 1));
}

TEST(Lines, StoredLinesWithLineBreaksBecomeSeveralLines) {
  Fixture f;
  f.lines.SetStreamedLines({"a", "b\r\nc"});
  EXPECT_EQ(RowsOf(f.rows), (Rows{{"a", 0}, {"b", 0}, {"c", 0}}));
}

// ---------------------------------------------------------------------------------------------
// Files

using oracle::ReadFile;
using oracle::TempFolder;
using oracle::WriteFile;

TEST(LinesFile, ACrLfAcrossTheFirst8192BytesIsOneLineBreak) {
  const TempFolder folder;
  const std::string text = std::string(8191, 'a') + "\r\nb";
  WriteFile(folder.path / "memo.txt", text);
  Fixture f;
  f.lines.LoadFromFile((folder.path / "memo.txt").string());
  EXPECT_EQ(RowsOf(f.rows), (Rows{{std::string(8191, 'a'), 0}, {"b", 2}}));
}

TEST(LinesFile, OnlyTrailingCtrlZEndsTheTextAndNulIsKept) {
  const TempFolder folder;
  WriteFile(folder.path / "memo.txt", std::string("a\x1a"
                                                  "b\0c\r\n\x1a\x1a",
                                                  9));
  Fixture f;
  f.lines.LoadFromFile((folder.path / "memo.txt").string());
  EXPECT_EQ(f.lines.Text(), std::string("a\x1a"
                                        "b\0c\r\n",
                                        7));
}

TEST(LinesFile, AFileThatCannotBeReadRaisesAndLeavesTheText) {
  const TempFolder folder;
  ASSERT_EQ(mkfifo((folder.path / "fifo").c_str(), 0600), 0);
  Fixture f("kept\r\n");
  f.rows.ReplaceText(0, 1, "kept!\r\n");
  for (const char* name : {"missing.txt", "fifo", "."}) {
    EXPECT_THROW(f.lines.LoadFromFile((folder.path / name).string()), EEditorFileError) << name;
    EXPECT_EQ(std::tuple(f.lines.Text(), f.rows.UndoObj()->CanUndo()), std::tuple("kept!\r\n", true));
  }
}

// The first save writes every line break as CR LF; after that the bytes stay the same.
TEST(LinesFile, LoadSaveLoadSaveGivesTheSameBytes) {
  const TempFolder folder;
  const char raw[] =
      "one\rtwo\nthree\r\n\n\xe0\x40\x82\xa0\x1a"
      "end\0x\r\r\n\x1a";
  const std::string original(raw, sizeof raw - 1);
  WriteFile(folder.path / "in.txt", original);
  // Python's universal line splitting, as an outside reading of "lines ending in CR LF".
  const std::vector<std::string> expected = oracle::RunPython(R"(
import sys
data = open(sys.argv[1], 'rb').read().rstrip(b'\x1a')
out = b''.join(l.rstrip(b'\r\n') + (b'\r\n' if l.endswith((b'\r', b'\n')) else b'') for l in data.splitlines(True))
print(out.hex())
)",
                                                              original);
  ASSERT_EQ(expected.size(), 1u);
  for (bool wrap : {false, true}) {
    Fixture f({}, wrap);
    f.lines.LoadFromFile((folder.path / "in.txt").string());
    f.lines.SaveToFile((folder.path / "first.txt").string());
    EXPECT_EQ(ReadFile(folder.path / "first.txt"), oracle::FromHex(expected[0]));
    Fixture g({}, wrap);
    g.lines.LoadFromFile((folder.path / "first.txt").string());
    g.lines.SaveToFile((folder.path / "second.txt").string());
    EXPECT_EQ(ReadFile(folder.path / "second.txt"), ReadFile(folder.path / "first.txt"));
  }
}

TEST(LinesFile, AFailedSaveRaisesAndLeavesWhatWasThere) {
  const TempFolder folder;
  std::filesystem::create_directory(folder.path / "taken");
  WriteFile(folder.path / "taken" / "inside", "x");
  Fixture f("text\r\n");
  EXPECT_THROW(f.lines.SaveToFile((folder.path / "taken").string()), EEditorFileError);
  EXPECT_EQ(ReadFile(folder.path / "taken" / "inside"), "x");
  EXPECT_THROW(f.lines.SaveToFile((folder.path / "no" / "such" / "folder.txt").string()), EEditorFileError);
}

}  // namespace
}  // namespace vrel

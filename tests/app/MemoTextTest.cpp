// The memo's texts without its window: the FMS button's lines (expected bytes written out by hand
// from Python's cp932 codec), the notice for text the memo cannot hold, and the memo as the main
// window's document sees it through the editor's lines.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MemoText.h"
#include "editor/EditorCore.h"
#include "editor/EditorStrings.h"
#include "files/SimFilers.h"
#include "tests/app/MainFormFixture.h"

namespace vrel {
namespace {

// "広さ: " and "回転: " in CP932.
const std::string kArea = "\x8d\x4c\x82\xb3\x3a\x20";
const std::string kRotation = "\x89\xf1\x93\x5d\x3a\x20";

const TFMSDataHolder& Defaults() {
  static TFMSDataHolder data;
  data.SetDefaults();
  return data;
}

TEST(MemoTextTest, TheFMSLinesRoundEachValueToTwoDecimalsHalfAwayFromZero) {
  TFMSDataHolder data;
  data.SetAreaRadius(250);
  data.SetSceneRotate(Currency::FromCount(123450));  // 12.345
  data.SetAirCraftX(Currency::FromCount(-12350));    // -1.235
  data.SetAirCraftY(Currency::FromCount(-50));       // -0.005
  data.SetAirCraftZ(Currency::FromCount(12349));     // 1.2349
  EXPECT_EQ(FMSDataMemoLines(data),
            (std::vector<std::string>{"----", kArea + "250", kRotation + "12.35", "X       : -1.24", "Y(FMS z): 1.23",
                                      "Z(FMS y): -0.01", "----"}));
}

TEST(MemoTextTest, TheFMSDataGoesAfterTheNotesWithOneChangePerLine) {
  EditorCore memo;
  memo.Lines()->SetText("note");
  int changes = 0;
  memo.OnChange = [&changes] { ++changes; };
  AppendFMSData(*memo.Lines(), Defaults());
  EXPECT_EQ(memo.Lines()->Text(), "note\r\n----\r\n" + kArea + "1000\r\n" + kRotation +
                                      "0.00\r\nX       : -5.00\r\nY(FMS z): -1.70\r\nZ(FMS y): 0.00\r\n----");
  EXPECT_EQ(changes, 7);
}

// Python's cp932 codec refuses 한, € and 😀 and takes ソ and ①.
TEST(MemoTextTest, OnlyCharactersCp932LacksAreNamedEachOnce) {
  EXPECT_EQ(CharactersCp932Lacks("x한y€ソ①😀한€"), (std::vector<std::string>{"한", "€", "😀"}));
  EXPECT_TRUE(CharactersCp932Lacks("ソ①ｱabc").empty());
}

TEST(MemoTextTest, TheNoticeNamesTheFirstFiveCharactersWithTheirCodesAndSaysNothingWentIn) {
  EXPECT_EQ(UnmappableTextNotice("a한b😀"), "「한😀」(U+D55C U+1F600) は CP932 にない文字のため入力しませんでした。");
  EXPECT_EQ(UnmappableTextNotice("가나다라마바"),
            "「가나다라마…」(U+AC00 U+B098 U+B2E4 U+B77C U+B9C8 …) は CP932 にない文字のため入力しませんでした。");
}

// U+202E would turn the rest of the line round, U+0301 would sit on the quotation mark.
TEST(MemoTextTest, TheNoticeShowsOnlyPrintableCharactersThatStandAloneButNamesEveryCode) {
  EXPECT_EQ(UnmappableTextNotice("a\u202Eb\u0301€"),
            "「€」(U+202E U+0301 U+20AC) は CP932 にない文字のため入力しませんでした。");
  EXPECT_EQ(UnmappableTextNotice("\u202E"), "U+202E は CP932 にない文字のため入力しませんでした。");
}

class MemoOfTheDocumentTest : public apptest::StartedMainForm {};

TEST_F(MemoOfTheDocumentTest, TheMemoIsTheEditorsTextWithCrLfLineBreaks) {
  form_->SetMemo("one\ntwo\rthree\r\nfour");
  EXPECT_EQ(memo_.Lines()->Count(), 4);
  EXPECT_EQ(form_->Memo(), "one\r\ntwo\r\nthree\r\nfour");
}

TEST_F(MemoOfTheDocumentTest, ALoadedMemoCannotBeUndoneIntoThePreviousOne) {
  memo_.Lines()->Add("typed");
  form_->SetMemo("loaded\r\n");
  EXPECT_FALSE(memo_.CanUndo());
  EXPECT_EQ(form_->Memo(), "loaded\r\n");
}

TEST_F(MemoOfTheDocumentTest, ClearingTheDocumentEmptiesTheMemo) {
  form_->SetMemo("notes\r\n");
  form_->ClearAll();
  EXPECT_EQ(form_->Memo(), "");
  EXPECT_FALSE(memo_.CanUndo());
}

}  // namespace
}  // namespace vrel

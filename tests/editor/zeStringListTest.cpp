#include "editor/zeStringList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/zeRaStrings.h"
#include "platform/UpdateGuard.h"

namespace vrel {
namespace {

// Records the list's events in order.
struct EventLog {
  std::vector<std::string> events;
  void Changing(TObject*) { events.push_back("changing"); }
  void Changed(TObject*) { events.push_back("changed"); }
  void Attach(TzeStringList& list) {
    list.OnChanging = TNotifyEvent::Of<&EventLog::Changing>(this);
    list.OnChange = TNotifyEvent::Of<&EventLog::Changed>(this);
  }
};

const std::vector<std::string> kAround = {"changing", "changed"};

TEST(StringList, AnIndexOutsideTheListRaisesTheListErrorAndChangesNothing) {
  TzeStringList list;
  list.Add("a");
  list.Add("b");
  EventLog log;
  log.Attach(list);
  for (int bad : {-1, 2}) {
    EXPECT_THROW(list.Get(bad), EStringListError);
    EXPECT_THROW(list.Put(bad, "x"), EStringListError);
    EXPECT_THROW(list.Delete(bad), EStringListError);
    EXPECT_THROW(list.Data(bad), EStringListError);
    EXPECT_THROW(list.SetMarkWord(bad, 1), EStringListError);
    EXPECT_THROW(list.Exchange(0, bad), EStringListError);
    EXPECT_THROW(list.Exchange(bad, 0), EStringListError);
  }
  EXPECT_THROW(list.Insert(3, "x"), EStringListError);
  try {
    list.Get(5);
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "リストのインデックスが範囲を超えています");
  }
  EXPECT_EQ(std::tuple(list.Get(0), list.Get(1), log.events.size()), std::tuple("a", "b", 0u));
}

TEST(StringList, DeleteAndExchangeAnnounceBeforeAndAfter) {
  TzeStringList list;
  list.Add("a");
  list.Add("b");
  list.Add("c");
  EventLog log;
  log.Attach(list);
  list.Delete(1);
  EXPECT_EQ(log.events, kAround);
  log.events.clear();
  list.Exchange(0, 1);
  EXPECT_EQ(std::tuple(log.events, list.Get(0)), std::tuple(kAround, "c"));
}

TEST(StringList, NothingIsAnnouncedInsideAnUpdateButOnePairAroundIt) {
  TzeStringList list;
  EventLog log;
  log.Attach(list);
  {
    UpdateGuard<TzeStringList> outer(list);
    UpdateGuard<TzeStringList> inner(list);
    list.Add("a");
    list.Add("b");
    list.Delete(0);
    EXPECT_EQ(log.events, std::vector<std::string>{"changing"});
  }
  EXPECT_EQ(log.events, kAround);
}

TEST(StringList, ExchangeSwapsTheWholeItem) {
  TzeStringList list;
  list.Add("a");
  list.Add("b");
  list.SetStateText(0, "state");
  list.SetData(0, 7);
  list.SetStateWord(0, 0x1234);
  list.SetMarkWord(0, 0x50000);
  list.Exchange(0, 1);
  EXPECT_EQ(std::tuple(list.Get(1), list.StateText(1), list.Data(1), list.StateWord(1), list.MarkWord(1)),
            std::tuple("a", "state", 7, 0x1234u, 0x50000u));
  EXPECT_EQ(list.MarkWord(0), 0u);
}

// Lines taken whole are counted at once and made as they are reached; they read, and change, as
// lines added one by one. The last one has its own state word.
TEST(StringList, TakenLinesReadAndChangeAsAddedOnes) {
  TzeStringList list;
  list.TakeLines("a\r\nb\rc\nd\r\n\r\ne", 1, 2);
  ASSERT_EQ(list.Count(), 6);
  EXPECT_EQ(list.StateWord(4), 1u);
  EXPECT_EQ(list.StateWord(5), 2u);
  list.Insert(2, "i");
  list.Delete(5);
  list.Exchange(0, 5);
  const std::vector<std::string> texts{"e", "b", "i", "c", "d", "a"};
  const std::vector<uint32_t> words{2, 1, 0, 1, 1, 1};
  ASSERT_EQ(list.Count(), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(list.Get(i), texts[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(list.StateWord(i), words[static_cast<std::size_t>(i)]) << i;
  }
}

TEST(StringList, CapacityNeverDropsBelowTheCount) {
  TzeStringList list;
  for (int i = 0; i < 10; ++i)
    list.Add(std::to_string(i));
  list.SetCapacity(3);
  EXPECT_EQ(std::tuple(list.Capacity(), list.Get(9)), std::tuple(10, "9"));
  list.Clear();
  EXPECT_EQ(std::tuple(list.Count(), list.Capacity()), std::tuple(0, 0));
}

TEST(StringList, SpliceReplacesARangeByOtherItemsWithOneAnnouncement) {
  TzeStringList list;
  for (const char* text : {"a", "b", "c", "d"})
    list.Add(text);
  EventLog log;
  log.Attach(list);
  std::vector<TzeStringItem> items(3);
  items[0].Text = "x";
  items[1].Text = "y";
  items[2].Text = "z";
  items[2].MarkWord = 7;
  list.SpliceItems(1, 2, std::move(items));
  ASSERT_EQ(std::tuple(log.events, list.Count()), std::tuple(kAround, 5));
  EXPECT_EQ(std::tuple(list.Get(0) + list.Get(1) + list.Get(2) + list.Get(3) + list.Get(4), list.MarkWord(3)),
            std::tuple("axyzd", 7u));
  list.SpliceItems(0, 4, {});
  EXPECT_EQ(std::tuple(list.Count(), list.Get(0)), std::tuple(1, "d"));
  EXPECT_THROW(list.SpliceItems(1, 1, {}), EStringListError);
  EXPECT_EQ(list.TakeItems().size(), 1u);
  EXPECT_EQ(list.Count(), 0);
}

TEST(StringList, NoEventFiresWhileTheListIsFreed) {
  EventLog log;
  {
    TzeStringList list;
    list.Add("a");
    log.Attach(list);
  }
  EXPECT_TRUE(log.events.empty());
}

TEST(RowAttributes, BracketIndexKeepsMinusTwoToThirteen) {
  TRowAttributeStringList rows;
  rows.Add("");
  EXPECT_EQ(rows.BracketIndex(0), -2);  // a new row's state is not computed
  for (int value : {-2, -1, 0, 13}) {
    rows.SetBracketIndex(0, value);
    EXPECT_EQ(rows.BracketIndex(0), value);
  }
}

TEST(RowAttributes, EachFieldKeepsItsNeighboursInTheSameWord) {
  TRowAttributeStringList rows;
  rows.Add("");
  rows.SetStateWord(0, 0xFFFFFFFF);
  rows.SetMarkWord(0, 0xFFFFFFFF);
  rows.SetRowAttribute(0, 2);
  rows.SetPrevRowAttribute(0, 1);
  rows.SetBracketIndex(0, 5);
  rows.SetParserValue1(0, 0x12);
  rows.SetParserValue2(0, 0x34);
  rows.SetParserValue3(0, 0x56);
  EXPECT_EQ(rows.StateWord(0), 0x56341276u);
  rows.SetTokenKind(0, 0x78);
  rows.SetParserValue4(0, 0x9A);
  rows.SetRowMarks(0, 0xBCDE);
  EXPECT_EQ(rows.MarkWord(0), 0xBCDE9A78u);
  rows.SetParserValue2(0, 0x1FF);  // only the low byte survives
  EXPECT_EQ(std::tuple(rows.ParserValue1(0), rows.ParserValue2(0), rows.ParserValue3(0)), std::tuple(0x12, 0xFF, 0x56));
}

TEST(RowAttributes, RowStateMovesInAndOutWithoutTheAttributeOrTheMarks) {
  TRowAttributeStringList rows;
  rows.Add("");
  rows.SetRowAttribute(0, 1);
  rows.SetRowMarks(0, 0x208);
  TRowAttributeData data;
  data.RowAttribute = 2;  // not stored: the row's own
  data.PrevRowAttribute = 1;
  data.BracketIndex = 3;
  data.ParserValue1 = 4;
  data.Remain = 5;
  data.ParserValue3 = 6;
  data.TokenKind = 24;
  data.ParserValue4 = 7;
  data.StateText = "s";
  rows.SetRowState(0, data);
  TRowAttributeData back = rows.RowData(0);
  EXPECT_EQ(std::tuple(rows.RowAttribute(0), rows.RowMarks(0), back.RowAttribute), std::tuple(1, 0x208, 1));
  back.RowAttribute = 2;
  EXPECT_EQ(back, data);
  EXPECT_TRUE(rows.SameRowState(0, data));
  data.StateText = "t";
  EXPECT_FALSE(rows.SameRowState(0, data));
  rows.ClearRowState(0);
  EXPECT_EQ(std::tuple(rows.RowStateComputed(0), rows.RowData(0).TokenKind, rows.RowMarks(0), rows.RowAttribute(0)),
            std::tuple(false, 0, 0x208, 1));
}

}  // namespace
}  // namespace vrel

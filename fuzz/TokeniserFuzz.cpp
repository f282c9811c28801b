// The colouring tokeniser on any rows under any scheme: every row is read to its end in bounded
// steps, tokens follow each other inside the row, and after an edit the incremental row states equal
// a full recompute.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "editor/EditorFountain.h"
#include "editor/RowStates.h"
#include "fuzz/FuzzFail.h"

namespace {

using namespace vrel;

void Configure(TEditorFountain& fountain, FuzzedDataProvider& input) {
  fountain.SetUrl(input.ConsumeBool());
  fountain.SetMail(input.ConsumeBool());
  fountain.SetControlCode(input.ConsumeBool());
  fountain.SetCommenter(input.ConsumeRandomLengthString(4));
  fountain.SetQuotation(input.ConsumeRandomLengthString(2));
  fountain.SetHexPrefix(input.ConsumeRandomLengthString(3));
  const int pairs = input.ConsumeIntegralInRange(0, 16);
  for (int i = 0; i < pairs; ++i) {
    try {
      TFountainBracketItem* item = fountain.Brackets()->Add();
      item->SetLeftBracket(input.ConsumeRandomLengthString(3));
      item->SetRightBracket(input.ConsumeRandomLengthString(3));
    } catch (const Exception&) {
      if (fountain.Brackets()->Count() != TFountainBracketCollection::kMaxItems)
        fuzz::Fail("a bracket pair was refused before the collection was full");
    }
  }
  fountain.SetReserveWordList({input.ConsumeRandomLengthString(6), input.ConsumeRandomLengthString(6)});
}

void ReadRow(TFountainParser& parser, const TRowAttributeStringList& rows, int row) {
  const std::string& text = rows.Get(row);
  parser.SetRowData(text, rows.RowData(row));
  std::size_t end = 0;
  for (std::size_t calls = 0;; ++calls) {
    if (calls > 2 * text.size() + 2)
      fuzz::Fail("the tokeniser stalls");
    if (parser.Next() == toEof)
      break;
    if (parser.TokenOffset() < end || parser.TokenOffset() + parser.TokenLength() > text.size())
      fuzz::Fail("a token lies outside the row or before the previous one");
    end = parser.TokenOffset() + parser.TokenLength();
    (void)parser.TokenColor();
  }
}

bool SameAsFullRecompute(const TRowAttributeStringList& rows, TFountain& fountain) {
  TRowAttributeStringList copy;
  for (int r = 0; r < rows.Count(); ++r)
    copy.SetRowAttribute(copy.Add(rows.Get(r)), rows.RowAttribute(r));
  auto parser = fountain.CreateParser();
  InitRowStates(copy, *parser, copy.Count() - 1);
  for (int r = 0; r < rows.Count(); ++r) {
    if (!rows.SameRowState(r, copy.RowData(r)))
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  TEditorFountain fountain;
  Configure(fountain, input);
  auto attributes = input.ConsumeIntegral<uint64_t>();
  const int edited = input.ConsumeIntegralInRange(0, 63);

  // Rows of a wrapped text hold at most 252 bytes.
  TRowAttributeStringList rows;
  const std::string text = input.ConsumeRemainingBytesAsString();
  for (std::size_t pos = 0; pos <= text.size() && rows.Count() < 64;) {
    const std::size_t end = std::min(text.find('\n', pos), text.size());
    rows.SetRowAttribute(rows.Add(text.substr(pos, std::min<std::size_t>(end - pos, 252))),
                         static_cast<int>(attributes & 1));
    attributes >>= 1;
    pos = end + 1;
  }
  auto parser = fountain.CreateParser();
  InitRowStates(rows, *parser, rows.Count() - 1);
  for (int r = 0; r < rows.Count(); ++r)
    ReadRow(*parser, rows, r);

  // An edit as the display rows make it: the row is replaced by a fresh one.
  const int row = edited % rows.Count();
  std::string changed = rows.Get(row);
  std::reverse(changed.begin(), changed.end());
  const int attribute = rows.RowAttribute(row) ^ 1;
  rows.Delete(row);
  rows.Insert(row, changed);
  rows.SetRowAttribute(row, attribute);
  UpdateRowStates(rows, *parser, row, rows.Count() - 1);
  if (!SameAsFullRecompute(rows, fountain))
    fuzz::Fail("the incremental row states differ from a full recompute");
  for (int r = 0; r < rows.Count(); ++r)
    ReadRow(*parser, rows, r);
  return 0;
}

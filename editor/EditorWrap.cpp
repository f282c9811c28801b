#include "editor/EditorWrap.h"

#include <algorithm>

#include "editor/EditorProperties.h"
#include "editor/zeUtils.h"

namespace vrel {

// ---------------------------------------------------------------------------------------------
// TEditorAttributeArray

TEditorAttributeArray::TEditorAttributeArray(std::string_view text, std::string_view kinds)
    : text_(text), kinds_(kinds) {
  Next();
}

char TEditorAttributeArray::CellAt(int position) const {
  return position >= 1 && position <= KindCount() ? kinds_[static_cast<std::size_t>(position - 1)] : '0';
}

void TEditorAttributeArray::Next() {
  if (kind_ == '0')
    return;
  ++position_;
  kind_ = CellAt(position_);
  if (kind_ != '3')
    ++textIndex_;
}

void TEditorAttributeArray::Prior() {
  if (position_ <= 1)
    return;
  const char old = kind_;
  --position_;
  kind_ = CellAt(position_);
  if (old != '3')
    --textIndex_;
}

void TEditorAttributeArray::MoveTo(int position) {
  while (position_ < position && kind_ != '0')
    Next();
  while (position_ > position && position_ > 1)
    Prior();
}

std::string_view TEditorAttributeArray::CurrentChar() const {
  const auto at = [this](int index, int length) -> std::string_view {
    if (index < 0 || static_cast<std::size_t>(index) >= text_.size())
      return {};
    return text_.substr(static_cast<std::size_t>(index), static_cast<std::size_t>(length));
  };
  switch (kind_) {
    case '0':
      return {};
    case '4':
      return at(textIndex_ - 1, 2);
    case '5':
      return at(textIndex_ - 2, 2);
    default:
      return at(textIndex_ - 1, 1);
  }
}

std::string_view TEditorAttributeArray::NextChar() {
  if (kind_ == '0')
    return {};
  Next();
  const std::string_view c = CurrentChar();
  Prior();
  return c;
}

// ---------------------------------------------------------------------------------------------
// TCharacterSet

TCharacterSet::TCharacterSet(std::string_view characters) {
  for (std::size_t i = 0; i < characters.size();) {
    const std::size_t length = CharLength(characters, i);
    const auto lead = static_cast<unsigned char>(characters[i]);
    if (length == 1)
      single_.set(lead);
    else
      double_.set(static_cast<std::size_t>(lead) << 8 | static_cast<unsigned char>(characters[i + 1]));
    i += length;
  }
}

bool TCharacterSet::Contains(std::string_view c) const {
  if (c.size() == 1)
    return single_.test(static_cast<unsigned char>(c[0]));
  if (c.size() == 2 && IsLeadByte(c[0]))
    return double_.test(static_cast<std::size_t>(static_cast<unsigned char>(c[0])) << 8 |
                        static_cast<unsigned char>(c[1]));
  return false;
}

// ---------------------------------------------------------------------------------------------
// TLineWrapper

TLineWrapper::TLineWrapper(const TEditorWrapOption& option, int tabSpaceCount, bool wordWrap)
    : wordWrap_(wordWrap),
      wrapByte_(option.WrapByte()),
      tabSpaceCount_(std::max(1, tabSpaceCount)),
      followRetMark_(option.FollowRetMark()),
      followPunctuation_(option.FollowPunctuation()),
      leading_(option.Leading()),
      wordBreak_(option.WordBreak()),
      // WrapByte + 3 cells cover as many bytes at most, plus the byte that tells whether the last
      // lead byte has its trail.
      lookAhead_(static_cast<std::size_t>(option.WrapByte()) + 8),
      follow_(option.FollowStr()),
      lead_(option.LeadStr()),
      punctuation_(option.PunctuationStr()) {}

TLineWrapper::Cut TLineWrapper::NextRow(std::string_view rest) const {
  if (!wordWrap_)
    return {rest.size(), true};
  const int w = wrapByte_;
  const std::string kinds = CellString(rest.substr(0, lookAhead_), tabSpaceCount_, w, static_cast<std::size_t>(w) + 3);
  if (static_cast<int>(kinds.size()) < w)
    return {rest.size(), true};

  TEditorAttributeArray a(rest, kinds);
  a.MoveTo(w);
  const auto backOffLead = [&a] {
    if (a.Kind() == '4')
      a.Prior();
  };
  if (a.Kind() == '4') {
    // A double-byte character is never split.
    a.Prior();
  } else if (wordBreak_ && a.KindCount() > w) {
    // Back to the last delimiter, tab or double-byte character; a row without one above a third of
    // the width is cut there.
    while (a.Kind() != '2' && a.Kind() != '3' && a.Kind() != '5' && a.Position() > w / 3)
      a.Prior();
    backOffLead();
  }
  if (followPunctuation_) {
    while (a.Position() < w + 2 && punctuation_.Contains(a.NextChar())) {
      a.Next();
      if (a.Kind() == '4')
        a.Next();
    }
  }
  if (leading_ && a.KindCount() > a.Position()) {
    // Never shorter than four fifths of the width.
    const int floor = w / 5 * 4;
    while (a.Position() > floor && lead_.Contains(a.CurrentChar())) {
      a.Prior();
      backOffLead();
    }
    if (a.KindCount() > a.Position() + 1) {
      std::string_view next = a.NextChar();
      std::string_view current = a.CurrentChar();
      if (follow_.Contains(next)) {
        while (a.Position() > floor && (lead_.Contains(current) || follow_.Contains(next))) {
          a.Prior();
          backOffLead();
          next = current;
          current = a.CurrentChar();
        }
      }
    }
  }

  // The row ends on a character boundary and holds one character at least, so wrapping always
  // moves on.
  const std::size_t want = std::min(static_cast<std::size_t>(std::max(a.TextIndex(), 1)), rest.size());
  std::size_t cut = 0;
  while (cut < want)
    cut += CharLength(rest, cut);
  return {cut, false};
}

int TLineWrapper::RowCount(std::string_view line) const {
  int rows = 0;
  WrapLine(line, [&rows](std::string_view, int) { ++rows; });
  return rows;
}

}  // namespace vrel

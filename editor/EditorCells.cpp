#include "editor/EditorCells.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "editor/zeUtils.h"
#include "platform/Cp932.h"

namespace vrel {

namespace {

int CountFill(std::string_view cells, std::size_t end) {
  end = std::min(end, cells.size());
  return static_cast<int>(std::count(cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(end), '3'));
}

bool IsTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Every CP932 character as one UTF-16 unit, decoded once: the single bytes, and each lead byte with
// each byte of the trail range (a pair the codec reads as one character, mapped or not).
class Cp932Table {
 public:
  Cp932Table() : singles_{}, doubles_(256 * 256, u'?') {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
      if (IsLeadByte(static_cast<unsigned char>(b)))
        continue;
      const std::u16string one = Cp932ToUtf16(std::string(1, static_cast<char>(b)));
      singles_[static_cast<std::size_t>(b)] = one.size() == 1 ? one[0] : u'?';
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead)))
        continue;
      std::vector<int> trails;
      bytes.clear();
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (!IsTrailByte(static_cast<unsigned char>(trail)))
          continue;
        trails.push_back(trail);
        bytes += static_cast<char>(lead);
        bytes += static_cast<char>(trail);
      }
      const std::u16string row = Cp932ToUtf16(bytes);
      for (std::size_t i = 0; i < trails.size(); ++i) {
        char16_t c = u'?';
        if (row.size() == trails.size()) {
          c = row[i];
        } else {
          const std::u16string one = Cp932ToUtf16(bytes.substr(i * 2, 2));
          c = one.size() == 1 ? one[0] : u'?';
        }
        doubles_[static_cast<std::size_t>(lead << 8 | trails[i])] = c;
      }
    }
    singles_['\t'] = u' ';
    for (int b = 0; b < 256; ++b) {
      if (IsLeadByte(static_cast<unsigned char>(b)))
        singles_[static_cast<std::size_t>(b)] = u'?';
    }
  }

  char16_t Single(unsigned char c) const { return singles_[c]; }
  char16_t Double(unsigned char lead, unsigned char trail) const {
    return doubles_[static_cast<std::size_t>(lead << 8 | trail)];
  }

 private:
  std::array<char16_t, 256> singles_;
  std::vector<char16_t> doubles_;
};

const Cp932Table& Table() {
  static const Cp932Table table;
  return table;
}

}  // namespace

std::size_t TabStopWidth(std::size_t sofar, const CellLayout& layout) {
  const auto tab = static_cast<std::size_t>(std::max(1, layout.TabSpaceCount));
  std::size_t width = tab - sofar % tab;
  if (layout.WrapByte > 0) {
    const auto wrap = static_cast<std::size_t>(layout.WrapByte);
    width = std::min(width, wrap - sofar % wrap);
  }
  return width;
}

std::string RowCells(std::string_view text, const CellLayout& layout) {
  std::string cells = CellString(text, layout.TabSpaceCount, layout.WrapByte, kMaxCellColumn + 1);
  if (cells.size() > static_cast<std::size_t>(kMaxCellColumn) && cells[kMaxCellColumn] != '5')
    cells.resize(kMaxCellColumn);
  return cells;
}

int TextCellWidth(std::string_view text, const CellLayout& layout) {
  std::size_t cells = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = CharLength(text, i);
    if (length == 1 && text[i] == '\t')
      cells += TabStopWidth(cells, layout);
    else
      cells += length;
    i += length;
  }
  return static_cast<int>(cells);
}

std::string ExpandTabs(std::string_view text, const CellLayout& layout) {
  if (text.find('\t') == std::string_view::npos)
    return std::string(text);
  std::string out;
  out.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = CharLength(text, i);
    if (length == 1 && text[i] == '\t')
      out.append(TabStopWidth(out.size(), layout), ' ');
    else
      out.append(text.substr(i, length));
    i += length;
  }
  return out;
}

int CaretByteIndexPastEnd(std::string_view cells, int col) {
  if (col <= 0)
    return 0;
  return std::max(0, col - CountFill(cells, static_cast<std::size_t>(col) + 1));
}

int CaretByteIndex(std::string_view cells, std::size_t textLength, int col) {
  return std::min(CaretByteIndexPastEnd(cells, col), static_cast<int>(textLength));
}

int ByteAtOrAfterCell(std::string_view cells, std::size_t textLength, int col) {
  if (col <= 0)
    return 0;
  if (static_cast<std::size_t>(col) > cells.size())
    return static_cast<int>(textLength);
  int index = col - CountFill(cells, static_cast<std::size_t>(col));
  if (static_cast<std::size_t>(col) < cells.size() && cells[static_cast<std::size_t>(col)] == '5')
    ++index;
  return std::clamp(index, 0, static_cast<int>(textLength));
}

char16_t Cp932Character(unsigned char single) {
  return Table().Single(single);
}

char16_t Cp932Character(unsigned char lead, unsigned char trail) {
  return Table().Double(lead, trail);
}

}  // namespace vrel

#include "app/MemoText.h"

#include <QChar>
#include <QList>
#include <QString>

#include <algorithm>

#include "editor/EditorStrings.h"
#include "files/SimFilers.h"
#include "platform/Cp932.h"

namespace vrel {

std::vector<std::string> FMSDataMemoLines(const TSimDataHolder& data) {
  const auto line = [](const char* label, const std::string& number) { return Utf8ToCp932(label) + number; };
  return {
      "----",
      line("広さ: ", std::to_string(data.AreaRadius())),
      line("回転: ", FormatCurrency(data.SceneRotate(), 2)),
      line("X       : ", FormatCurrency(data.AirCraftX(), 2)),
      line("Y(FMS z): ", FormatCurrency(data.AirCraftZ(), 2)),
      line("Z(FMS y): ", FormatCurrency(data.AirCraftY(), 2)),
      "----",
  };
}

void AppendFMSData(TEditorStrings& lines, const TSimDataHolder& data) {
  for (const std::string& line : FMSDataMemoLines(data))
    lines.Add(line);
}

std::vector<std::string> CharactersCp932Lacks(std::string_view text) {
  std::vector<std::string> lacking;
  const QList<uint> codes = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUcs4();
  for (const uint code : codes) {
    const auto unit = static_cast<char32_t>(code);
    const std::string character = QString::fromUcs4(&unit, 1).toStdString();
    if (!Utf8FitsCp932(character) && std::find(lacking.begin(), lacking.end(), character) == lacking.end())
      lacking.push_back(character);
  }
  return lacking;
}

namespace {

// Whether a character may stand for itself in the notice: one that prints and neither joins its
// neighbour (a combining mark) nor reorders or hides the text around it (a control or format
// character such as the right-to-left override, a line or paragraph separator).
bool ShownAsItself(char32_t code) {
  switch (QChar::category(code)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
      return false;
    default:
      return true;
  }
}

}  // namespace

std::string UnmappableTextNotice(std::string_view text) {
  constexpr std::size_t kShown = 5;
  const std::vector<std::string> lacking = CharactersCp932Lacks(text);
  std::string shown;
  // The codes of all: the screen may have no font for a character, and some are not shown.
  std::string codes;
  for (std::size_t i = 0; i < lacking.size() && i < kShown; ++i) {
    const auto code = static_cast<char32_t>(QString::fromStdString(lacking[i]).toUcs4().value(0));
    if (ShownAsItself(code))
      shown += lacking[i];
    codes += (i ? " U+" : "U+") + QString::number(code, 16).toUpper().rightJustified(4, u'0').toStdString();
  }
  if (lacking.size() > kShown) {
    if (!shown.empty())
      shown += "…";
    codes += " …";
  }
  const std::string named = shown.empty() ? codes : "「" + shown + "」(" + codes + ")";
  return named + " は CP932 にない文字のため入力しませんでした。";
}

}  // namespace vrel

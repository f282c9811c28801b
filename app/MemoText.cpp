#include "app/MemoText.h"

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

std::string UnmappableTextNotice(std::string_view text) {
  constexpr std::size_t kShown = 5;
  const std::vector<std::string> lacking = CharactersCp932Lacks(text);
  std::string shown;
  // The codes too: the screen may have no font for the character either.
  std::string codes;
  for (std::size_t i = 0; i < lacking.size() && i < kShown; ++i) {
    shown += lacking[i];
    const QString character = QString::fromStdString(lacking[i]);
    codes += (i ? " U+" : "U+") +
             QString::number(character.toUcs4().value(0), 16).toUpper().rightJustified(4, u'0').toStdString();
  }
  if (lacking.size() > kShown) {
    shown += "…";
    codes += " …";
  }
  return "「" + shown + "」(" + codes + ") は CP932 にない文字のため入力しませんでした。";
}

}  // namespace vrel

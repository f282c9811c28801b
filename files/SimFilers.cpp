#include "files/SimFilers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>

#include "files/FMSSceneReader.h"
#include "platform/Cp932.h"
#include "platform/MessageBox.h"
#include "platform/NumberFormat.h"
#include "platform/RegularFile.h"

namespace vrel {

namespace {

constexpr std::array<std::array<const char*, kCubeFaceCount>, 2> kFaceSuffixes{{
    {"_left", "_front", "_right", "_back", "_top", "_bottom"},
    {"_3", "_0", "_1", "_2", "_4", "_5"},
}};

constexpr std::array<const char*, 2> kCubeSuffixNames{"csLeft", "csZero"};
constexpr std::array<const char*, 3> kExtractImageTypeNames{"eiBitmap", "eiJpeg", "eiTiff"};
constexpr std::array<const char*, 3> kImageSizeModeNames{"ismSmall", "ismNormal", "ismLarge"};
constexpr std::array<const char*, 2> kSceneFormatNames{"sfFMS", "sfRCP"};
constexpr std::array<const char*, 2> kSceneTypeNames{"stCube", "stSphere"};

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// Where the file name of `text` starts and where its last underscore is (npos when it has none).
// With `cp932`, a lead byte and the byte after it are one character and never match.
struct NameSplit {
  std::size_t nameStart = 0;
  std::size_t underscore = std::string_view::npos;
};

NameSplit SplitName(std::string_view text, bool cp932) {
  NameSplit split;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (cp932 && IsCp932LeadByte(static_cast<unsigned char>(c))) {
      ++i;  // the trail byte; a lead byte at the very end stands alone
      continue;
    }
    if (IsSeparator(c)) {
      split.nameStart = i + 1;
      split.underscore = std::string_view::npos;
    } else if (c == '_') {
      split.underscore = i;
    }
  }
  return split;
}

std::string BaseBeforeUnderscore(std::string_view text, bool cp932) {
  const NameSplit split = SplitName(text, cp932);
  if (split.underscore == std::string_view::npos)
    return {};
  return std::string(text.substr(0, split.underscore));
}

std::string SuffixAfterUnderscore(std::string_view text, bool cp932) {
  const NameSplit split = SplitName(text, cp932);
  if (split.underscore == std::string_view::npos)
    return {};
  return std::string(text.substr(split.underscore + 1));
}

std::size_t NameStart(std::string_view path) {
  const std::size_t at = path.find_last_of("/\\");
  return at == std::string_view::npos ? 0 : at + 1;
}

// "// " and the key padded with blanks to 20 characters, then " : ".
std::string HeaderKey(std::string_view key) {
  std::string line = "// ";
  line += key;
  if (key.size() < 20)
    line.append(20 - key.size(), ' ');
  line += " : ";
  return line;
}

// A quoted string of the reader's tokeniser takes two quotes for one.
std::string DoubleQuotes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '\'')
      out += '\'';
  }
  return out;
}

}  // namespace

// ---- Currency ---------------------------------------------------------------------------------

std::optional<Currency> Currency::FromDouble(double value) {
  if (!std::isfinite(value))
    return std::nullopt;
  const double scaled = value * static_cast<double>(kScale);
  // 2^63: the first value beyond the count's range, exact in a double.
  constexpr double kLimit = 9223372036854775808.0;
  if (!(std::fabs(scaled) < kLimit))
    return std::nullopt;
  const double rounded = std::round(scaled);  // halves away from zero
  if (!(std::fabs(rounded) < kLimit))
    return std::nullopt;
  return Currency(static_cast<int64_t>(rounded));
}

std::string FormatCurrency(Currency value, int decimals) {
  decimals = std::clamp(decimals, 0, 18);
  const int64_t count = value.Count();
  const bool negative = count < 0;
  // The magnitude as unsigned, so that the most negative count has one too.
  uint64_t magnitude = negative ? uint64_t{0} - static_cast<uint64_t>(count) : static_cast<uint64_t>(count);
  std::string fraction;
  if (decimals <= 4) {
    uint64_t divisor = 1;
    for (int i = decimals; i < 4; ++i)
      divisor *= 10;
    const uint64_t remainder = magnitude % divisor;
    magnitude /= divisor;
    if (remainder >= divisor - remainder)
      ++magnitude;  // at least half: away from zero
    uint64_t unit = 1;
    for (int i = 0; i < decimals; ++i)
      unit *= 10;
    std::string digits = std::to_string(magnitude % unit);
    if (decimals > 0)
      fraction = std::string(static_cast<std::size_t>(decimals) - digits.size(), '0') + digits;
    magnitude /= unit;
  } else {
    const std::string digits = std::to_string(magnitude % 10000);
    fraction = std::string(4 - digits.size(), '0') + digits + std::string(static_cast<std::size_t>(decimals - 4), '0');
    magnitude /= 10000;
  }
  const bool zero = magnitude == 0 && fraction.find_first_not_of('0') == std::string::npos;
  std::string text = negative && !zero ? "-" : "";
  text += std::to_string(magnitude);
  if (decimals > 0) {
    text += '.';
    text += fraction;
  }
  return text;
}

// ---- TSimDataHolder ---------------------------------------------------------------------------

namespace {

template <class C, Currency (C::*Get)() const, void (C::*Set)(Currency)>
TPropInfo CurrencyPropOf(const char* name) {
  TPropInfo p;
  p.Name = name;
  p.Kind = TTypeKind::Float;
  p.FloatType = TFloatType::Currency;
  p.GetFloat = [](const TPersistent& o) { return (static_cast<const C&>(o).*Get)().ToDouble(); };
  p.SetFloat = [](TPersistent& o, double v) {
    if (const auto value = Currency::FromDouble(v))
      (static_cast<C&>(o).*Set)(*value);
  };
  return p;
}

}  // namespace

const TClassInfo& TSimDataHolder::StaticClass() {
  static const TClassInfo info(
      "TSimDataHolder", &Inherited::StaticClass(),
      {CurrencyPropOf<TSimDataHolder, &TSimDataHolder::AirCraftX, &TSimDataHolder::SetAirCraftX>("AirCraftX"),
       CurrencyPropOf<TSimDataHolder, &TSimDataHolder::AirCraftY, &TSimDataHolder::SetAirCraftY>("AirCraftY"),
       CurrencyPropOf<TSimDataHolder, &TSimDataHolder::AirCraftZ, &TSimDataHolder::SetAirCraftZ>("AirCraftZ"),
       props::Integer<&TSimDataHolder::AreaRadius, &TSimDataHolder::SetAreaRadius>("AreaRadius"),
       CurrencyPropOf<TSimDataHolder, &TSimDataHolder::SceneRotate, &TSimDataHolder::SetSceneRotate>("SceneRotate")});
  return info;
}

void TSimDataHolder::SetCurrency(Currency& field, Currency value) {
  if (field == value)
    return;
  field = value;
  Changed();
}

void TSimDataHolder::SetAirCraftX(Currency value) {
  SetCurrency(airCraftX_, value);
}
void TSimDataHolder::SetAirCraftY(Currency value) {
  SetCurrency(airCraftY_, value);
}
void TSimDataHolder::SetAirCraftZ(Currency value) {
  SetCurrency(airCraftZ_, value);
}
void TSimDataHolder::SetSceneRotate(Currency value) {
  SetCurrency(sceneRotate_, value);
}

void TSimDataHolder::SetAreaRadius(int32_t value) {
  value = std::max(value, kMinAreaRadius);
  if (areaRadius_ == value)
    return;
  areaRadius_ = value;
  Changed();
}

void TSimDataHolder::SetDefaults() {
  SetAirCraftX(Currency::FromCount(-50000));
  SetAirCraftY(Currency::FromCount(0));
  SetAirCraftZ(Currency::FromCount(-17000));
  SetAreaRadius(1000);
  SetSceneRotate(Currency::FromCount(0));
}

void TSimDataHolder::Changed() {
  if (updateCount_ > 0)
    changedInBatch_ = true;
  TNotifyPersistent::Changed();
}

void TSimDataHolder::Assign(const TPersistent* source) {
  const auto* holder = As<TSimDataHolder>(source);
  if (!holder) {
    TNotifyPersistent::Assign(source);
    return;
  }
  // The setters' announcements are held until the end; then one, when something changed.
  struct Batch {
    TSimDataHolder& holder;
    bool outerChanged;
    ~Batch() {
      --holder.updateCount_;
      const bool changed = holder.changedInBatch_;
      holder.changedInBatch_ = outerChanged;
      if (changed)
        holder.Changed();
    }
  } batch{*this, updateCount_ > 0 && changedInBatch_};
  changedInBatch_ = false;
  ++updateCount_;
  AssignValues(*holder);
}

void TSimDataHolder::AssignValues(const TSimDataHolder& source) {
  SetAirCraftX(source.AirCraftX());
  SetAirCraftY(source.AirCraftY());
  SetAirCraftZ(source.AirCraftZ());
  SetAreaRadius(source.AreaRadius());
  SetSceneRotate(source.SceneRotate());
}

// ---- TFMSDataHolder ---------------------------------------------------------------------------

const TClassInfo& TFMSDataHolder::StaticClass() {
  static const TClassInfo info(
      "TFMSDataHolder", &Inherited::StaticClass(),
      {CurrencyPropOf<TFMSDataHolder, &TFMSDataHolder::PilotZ, &TFMSDataHolder::SetPilotZ>("PilotZ"),
       CurrencyPropOf<TFMSDataHolder, &TFMSDataHolder::SlopeX, &TFMSDataHolder::SetSlopeX>("SlopeX"),
       CurrencyPropOf<TFMSDataHolder, &TFMSDataHolder::SlopeY, &TFMSDataHolder::SetSlopeY>("SlopeY")});
  return info;
}

void TFMSDataHolder::SetPilotZ(Currency value) {
  SetCurrency(pilotZ_, value);
}
void TFMSDataHolder::SetSlopeX(Currency value) {
  SetCurrency(slopeX_, value);
}
void TFMSDataHolder::SetSlopeY(Currency value) {
  SetCurrency(slopeY_, value);
}

void TFMSDataHolder::SetDefaults() {
  SetPilotZ(Currency());
  SetSlopeX(Currency());
  SetSlopeY(Currency());
  TSimDataHolder::SetDefaults();
}

void TFMSDataHolder::AssignValues(const TSimDataHolder& source) {
  TSimDataHolder::AssignValues(source);
  if (const auto* fms = As<TFMSDataHolder>(&source)) {
    SetPilotZ(fms->PilotZ());
    SetSlopeX(fms->SlopeX());
    SetSlopeY(fms->SlopeY());
  }
}

Vec3 TFMSDataHolder::GetAircraftVector() const {
  return {static_cast<float>(AirCraftX().ToDouble()), static_cast<float>(AirCraftZ().ToDouble()),
          static_cast<float>(AirCraftY().ToDouble())};
}

// ---- TRCPDataHolder ---------------------------------------------------------------------------

const TClassInfo& TRCPDataHolder::StaticClass() {
  static const TClassInfo info(
      "TRCPDataHolder", &Inherited::StaticClass(),
      {CurrencyPropOf<TRCPDataHolder, &TRCPDataHolder::AirCraftRotate, &TRCPDataHolder::SetAirCraftRotate>(
           "AirCraftRotate"),
       CurrencyPropOf<TRCPDataHolder, &TRCPDataHolder::SlopeX, &TRCPDataHolder::SetSlopeX>("SlopeX"),
       CurrencyPropOf<TRCPDataHolder, &TRCPDataHolder::SlopeZ, &TRCPDataHolder::SetSlopeZ>("SlopeZ")});
  return info;
}

void TRCPDataHolder::SetAirCraftRotate(Currency value) {
  SetCurrency(airCraftRotate_, value);
}
void TRCPDataHolder::SetSlopeX(Currency value) {
  SetCurrency(slopeX_, value);
}
void TRCPDataHolder::SetSlopeZ(Currency value) {
  SetCurrency(slopeZ_, value);
}

void TRCPDataHolder::SetDefaults() {
  SetAirCraftRotate(Currency());
  SetSlopeX(Currency());
  SetSlopeZ(Currency());
  TSimDataHolder::SetDefaults();
}

void TRCPDataHolder::AssignValues(const TSimDataHolder& source) {
  TSimDataHolder::AssignValues(source);
  if (const auto* rcp = As<TRCPDataHolder>(&source)) {
    SetAirCraftRotate(rcp->AirCraftRotate());
    SetSlopeX(rcp->SlopeX());
    SetSlopeZ(rcp->SlopeZ());
  }
}

// ---- names ------------------------------------------------------------------------------------

const char* FaceImageSuffix(TCubeSuffix set, int face) {
  return kFaceSuffixes.at(static_cast<std::size_t>(set)).at(static_cast<std::size_t>(face));
}

std::string ExtractCubeBaseName(std::string_view cp932) {
  return BaseBeforeUnderscore(cp932, true);
}
std::string ExtractCubeSuffix(std::string_view cp932) {
  return SuffixAfterUnderscore(cp932, true);
}
std::string ExtractCubeBaseNameUtf8(std::string_view path) {
  return BaseBeforeUnderscore(path, false);
}
std::string ExtractCubeSuffixUtf8(std::string_view path) {
  return SuffixAfterUnderscore(path, false);
}

std::string PathFolder(std::string_view path) {
  return std::string(path.substr(0, NameStart(path)));
}

std::string PathFileName(std::string_view path) {
  return std::string(path.substr(NameStart(path)));
}

std::string PathExtension(std::string_view path) {
  const std::string_view name = path.substr(NameStart(path));
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string PathWithoutExtension(std::string_view path) {
  return std::string(path.substr(0, path.size() - PathExtension(path).size()));
}

std::string FindFileIgnoringCase(const std::string& folder, const std::string& name) {
  auto decode = [](const std::string& utf8) { return QFile::decodeName(QByteArray::fromStdString(utf8)); };
  const std::string exact = folder + name;
  const QFileInfo exactInfo(decode(exact));
  if (exactInfo.exists() && !exactInfo.isDir())
    return exact;
  const QDir dir(folder.empty() ? QStringLiteral(".") : decode(folder));
  const QString wanted = decode(name);
  for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
    if (entry.compare(wanted, Qt::CaseInsensitive) == 0)
      return folder + QFile::encodeName(entry).toStdString();
  }
  return {};
}

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

void ShowSimError(const std::string& message) {
  ShowMessageBox("エラー", message, TMsgIcon::Error, TMsgButtons::OK);
}

// ---- TSimFiler --------------------------------------------------------------------------------

const TClassInfo& TSimFiler::StaticClass() {
  static const TClassInfo info(
      "TSimFiler", &Inherited::StaticClass(),
      {props::Enumeration<&TSimFiler::CubeSuffix, &TSimFiler::SetCubeSuffix>("CubeSuffix", kCubeSuffixNames),
       props::Enumeration<&TSimFiler::ExtractImageType, &TSimFiler::SetExtractImageType>("ExtractImageType",
                                                                                         kExtractImageTypeNames),
       props::String<&TSimFiler::ImageFileName, &TSimFiler::SetImageFileName>("ImageFileName"),
       props::Enumeration<&TSimFiler::ImageSizeMode, &TSimFiler::SetImageSizeMode>("ImageSizeMode",
                                                                                   kImageSizeModeNames),
       props::String<&TSimFiler::SceneFilename, &TSimFiler::SetSceneFilename>("SceneFilename"),
       props::Enumeration<&TSimFiler::SceneFormat, &TSimFiler::SetSceneFormat>("SceneFormat", kSceneFormatNames),
       props::Enumeration<&TSimFiler::SceneType, &TSimFiler::SetSceneType>("SceneType", kSceneTypeNames),
       props::String<&TSimFiler::TextureBasename, &TSimFiler::SetTextureBasename>("TextureBasename")});
  // OnProgress carries more than a Sender, so it has no place among the streamable events.
  return info;
}

TSimFiler::TSimFiler() : fmsData_(std::make_unique<TFMSDataHolder>()), rcpData_(std::make_unique<TRCPDataHolder>()) {}

TSimFiler::~TSimFiler() = default;

void TSimFiler::SetCubeSuffix(TCubeSuffix value) {
  SetField(cubeSuffix_, value);
}
void TSimFiler::SetExtractImageType(TExtractImageType value) {
  SetField(extractImageType_, value);
}
void TSimFiler::SetImageFileName(const std::string& value) {
  SetField(imageFileName_, value);
}
void TSimFiler::SetImageSizeMode(TImageSizeMode value) {
  SetField(imageSizeMode_, value);
}
void TSimFiler::SetSceneFilename(const std::string& value) {
  SetField(sceneFilename_, value);
}
void TSimFiler::SetSceneFormat(TSceneFormat value) {
  SetField(sceneFormat_, value);
}
void TSimFiler::SetSceneType(TSceneType value) {
  SetField(sceneType_, value);
}
void TSimFiler::SetTextureBasename(const std::string& value) {
  SetField(textureBasename_, value);
}

void TSimFiler::Reset() {
  fmsData_->SetDefaults();
  rcpData_->SetDefaults();
  SetImageFileName("");
  SetSceneFilename("");
  SetTextureBasename("");
}

std::string TSimFiler::GetSceneFolder() const {
  return PathFolder(sceneFilename_);
}

std::string TSimFiler::FirstImageName() const {
  return imageNames_.empty() ? std::string() : imageNames_.front();
}

void TSimFiler::DoProgress(const std::string& text, TSimProgressMode mode) {
  if (OnProgress)
    OnProgress(this, text, mode);
}

void TSimFiler::BuildImageList() {
  imageNames_.clear();
  const std::string folder = GetSceneFolder();
  for (int face = 0; face < kCubeFaceCount; ++face) {
    const std::string name = SceneImageName(face);
    const std::string found = FindFileIgnoringCase(folder, name);
    imageNames_.push_back(found.empty() ? folder + name : found);
  }
}

std::vector<std::string> TSimFiler::MissingSceneImages() const {
  std::vector<std::string> missing;
  for (int face = 0; face < kCubeFaceCount; ++face) {
    const std::string name = SceneImageName(face);
    if (FindFileIgnoringCase(GetSceneFolder(), name).empty())
      missing.push_back(name);
  }
  return missing;
}

std::string TSimFiler::SceneImageName(int face) const {
  return textureBasename_ + FaceImageSuffix(cubeSuffix_, face) + ".bmp";
}

bool TSimFiler::LoadSceneFile(const std::string& fileName) {
  const std::optional<std::string> bytes = ReadDocumentFile(fileName, kMaxSceneFileSize);
  return bytes && LoadSceneText(*bytes);
}

bool TSimFiler::LoadSceneText(std::string_view bytes) {
  return ReadSceneText(*this, bytes);
}

void TSimFiler::WriteSceneHeader(std::vector<std::string>& lines) const {
  const std::string dashes = "// " + std::string(64, '-');
  if (!Utf8FitsCp932(textureBasename_) || HasControlCharacter(textureBasename_)) {
    throw Exception(
        FormatMessage("画像ファイル名 %s にはシーンファイルに書けない文字があります。", {textureBasename_}));
  }
  const TFMSDataHolder& d = *fmsData_;
  lines.emplace_back();
  lines.push_back(dashes);
  lines.emplace_back("// FMS version 2.8 scene file created by Dorvatel.exe");
  lines.emplace_back("//");
  lines.emplace_back("// Line sf_SceneType .. sf_TextureBasename, Dorvatel.exe read it, please do not change.");
  lines.push_back(HeaderKey("sf_SceneType") + FormatInt(sceneType_) + "  [" +
                  kSceneTypeNames.at(static_cast<std::size_t>(sceneType_)) + "]");
  if (sceneType_ == stCube) {
    lines.push_back(HeaderKey("sf_CubeSuffix") + FormatInt(cubeSuffix_) + "  [" +
                    kCubeSuffixNames.at(static_cast<std::size_t>(cubeSuffix_)) + "]");
  }
  lines.push_back(HeaderKey("sf_AreaRadius") + FormatInt(d.AreaRadius()));
  const std::pair<const char*, Currency> values[] = {
      {"sf_SceneRotate", d.SceneRotate()}, {"sf_SlopeX", d.SlopeX()},       {"sf_SlopeY", d.SlopeY()},
      {"sf_AirCraftX", d.AirCraftX()},     {"sf_AirCraftY", d.AirCraftY()}, {"sf_AirCraftZ", d.AirCraftZ()},
      {"sf_PilotZ", d.PilotZ()},
  };
  for (const auto& [key, value] : values)
    lines.push_back(HeaderKey(key) + FormatCurrency(value, 2));
  lines.insert(lines.end(), groundDataLines_.begin(), groundDataLines_.end());
  lines.push_back(HeaderKey("sf_TextureBasename") + "'" + DoubleQuotes(Utf8ToCp932(textureBasename_)) + "'");
  lines.push_back(dashes);
  lines.emplace_back();
}

}  // namespace vrel

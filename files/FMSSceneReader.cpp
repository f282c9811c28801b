#include "files/FMSSceneReader.h"

#include <cmath>
#include <deque>
#include <limits>
#include <optional>

#include "files/SimFilers.h"
#include "platform/Cp932.h"
#include "platform/NumberFormat.h"

namespace vrel {

namespace {

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
bool IsSymbolChar(char c) {
  return IsLetter(c) || IsDigit(c) || c == '_';
}
bool IsFloatChar(char c) {
  return IsDigit(c) || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}
bool IsTypeLetter(char c) {
  return c == 'c' || c == 'C' || c == 'd' || c == 'D' || c == 's' || c == 'S';
}
bool IsCp932TrailByte(unsigned char c) {
  return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

int HexValue(char c) {
  if (IsDigit(c))
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return c - 'a' + 10;
}

[[noreturn]] void NotANumber(std::string_view text) {
  throw ESceneLineError("'" + std::string(text) + "' is not a valid number");
}

// ---- the reading operations on the current line ----

// Skips to the next integer token (a floating-point one is passed over) and answers its value; 0 at
// the end of the line.
int64_t ReadInteger(TSceneLineParser& p) {
  while (p.Token() != TSceneToken::End && p.Token() != TSceneToken::Integer)
    p.Next();
  return p.Token() == TSceneToken::End ? 0 : p.IntegerValue();
}

// Skips to the next integer or floating-point token and answers its value; 0 at the end of the line.
double ReadNumber(TSceneLineParser& p) {
  while (p.Token() != TSceneToken::End && !p.IsNumber())
    p.Next();
  return p.Token() == TSceneToken::End ? 0.0 : p.NumberValue();
}

// Skips to the next quoted string and answers its text; "" at the end of the line.
std::string ReadString(TSceneLineParser& p) {
  while (p.Token() != TSceneToken::End && p.Token() != TSceneToken::String)
    p.Next();
  return p.Token() == TSceneToken::End ? std::string() : p.StringValue();
}

void NextTokens(TSceneLineParser& p, int count) {
  for (int i = 0; i < count && p.Token() != TSceneToken::End; ++i)
    p.Next();
}

// ---- conversions into the filer's types ----

int32_t ToInt32(int64_t value) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    throw ESceneLineError(std::to_string(value) + " is beyond the range of an integer");
  }
  return static_cast<int32_t>(value);
}

// No placement in a scene lies this far out; within it, the value's four decimals survive the trip
// through a double exactly, so what the writer formats reads back as the same value.
constexpr double kMaxPlacement = 1e11;

Currency ToCurrency(double value) {
  const std::optional<Currency> c = std::fabs(value) < kMaxPlacement ? Currency::FromDouble(value) : std::nullopt;
  if (!c)
    throw ESceneLineError(FormatGeneral(value) + " is beyond the range of a placement value");
  return *c;
}

template <class Enum>
Enum ToEnum(int64_t ordinal, int count) {
  if (ordinal < 0 || ordinal >= count) {
    throw ESceneLineError(std::to_string(ordinal) + " is not a value of the enumeration");
  }
  return static_cast<Enum>(ordinal);
}

// The third token of a line when it is a number, else 0; a line that cannot be read that far, or
// whose third token is no number that converts, gives 0 as well.
double ThirdNumberOf(std::string_view line) {
  try {
    TSceneLineParser p(line);
    NextTokens(p, 2);
    return p.IsNumber() ? p.NumberValue() : 0.0;
  } catch (const ESceneLineError&) {
    return 0.0;
  }
}

// The file's lines as views into its bytes, read forward, with the few lines after the current one
// at hand for the QUADS look-ahead: the reader needs no more memory than a handful of lines,
// whatever the file holds.
class LineWindow {
 public:
  struct Line {
    std::string_view text;
    std::optional<double> thirdNumber;  // worked out at most once per line
  };

  explicit LineWindow(std::string_view bytes) : bytes_(bytes) {}

  // Line `index`, or nullptr past the end of the file. Lines before the last Forget are gone.
  Line* At(std::size_t index) {
    while (first_ + lines_.size() <= index) {
      if (!ReadLine())
        return nullptr;
    }
    return &lines_[index - first_];
  }

  void Forget(std::size_t index) {
    while (!lines_.empty() && first_ < index) {
      lines_.pop_front();
      ++first_;
    }
  }

 private:
  bool ReadLine() {
    if (offset_ >= bytes_.size())
      return false;
    std::size_t end = offset_;
    while (end < bytes_.size() && bytes_[end] != '\r' && bytes_[end] != '\n')
      ++end;
    lines_.push_back({bytes_.substr(offset_, end - offset_), std::nullopt});
    if (end < bytes_.size())
      end += (bytes_[end] == '\r' && end + 1 < bytes_.size() && bytes_[end + 1] == '\n') ? 2 : 1;
    offset_ = end;
    return true;
  }

  std::string_view bytes_;
  std::size_t offset_ = 0;
  std::size_t first_ = 0;
  std::deque<Line> lines_;  // references stay valid while lines are added at the back
};

// The header's placement keys in the order they are tried on a token, and the setters they feed.
const std::pair<const char*, void (TFMSDataHolder::*)(Currency)> kPlacementKeys[] = {
    {"sf_SceneRotate", &TFMSDataHolder::SetSceneRotate}, {"sf_SlopeX", &TFMSDataHolder::SetSlopeX},
    {"sf_SlopeY", &TFMSDataHolder::SetSlopeY},           {"sf_AirCraftX", &TFMSDataHolder::SetAirCraftX},
    {"sf_AirCraftY", &TFMSDataHolder::SetAirCraftY},     {"sf_AirCraftZ", &TFMSDataHolder::SetAirCraftZ},
    {"sf_PilotZ", &TFMSDataHolder::SetPilotZ},
};

const char* const kNotForDorvatel = "Dorvatel.exe では扱えないシーンファイルです。";

void ShowLandscapeError() {
  ShowSimError(std::string("3D_LANDSCAPE セクションが見つかりました。") + "\r\n" + kNotForDorvatel);
}

void ShowTextureNameError() {
  ShowSimError(std::string("TEXTURE セクションの画像ファイル名が判別できません。") + "\r\n" + kNotForDorvatel);
}

// Whether the line holds the key that starts ground data (as far as it can be cut into tokens).
bool StartsGroundData(std::string_view line) {
  try {
    for (TSceneLineParser p(line); p.Token() != TSceneToken::End; p.Next()) {
      if (p.IsSymbol("sf_GroundDataStart"))
        return true;
    }
  } catch (const ESceneLineError&) {
  }
  return false;
}

// The panorama kind that the suffix of a TEXTURE name stands for; nothing when it is none.
std::optional<TSceneType> SceneTypeOfSuffix(std::string_view suffix) {
  if (suffix.empty())
    return std::nullopt;
  const char first = suffix.front();
  if (suffix.size() == 1) {
    if (first >= '0' && first <= '5')
      return stCube;
    return std::nullopt;
  }
  if (first == '1' || first == '2' || first == '3')
    return stSphere;
  if (std::string_view("BFLRTbflrt").find(first) != std::string_view::npos)
    return stCube;
  return std::nullopt;
}

}  // namespace

// ---- TSceneLineParser -------------------------------------------------------------------------

TSceneLineParser::TSceneLineParser(std::string_view line) : line_(line) {
  Scan();
}

void TSceneLineParser::Next() {
  if (token_ != TSceneToken::End)
    Scan();
}

void TSceneLineParser::SkipToEnd() {
  while (More(pos_))
    ++pos_;
  start_ = end_ = pos_;
  token_ = TSceneToken::End;
  string_.clear();
  typeLetter_ = false;
}

void TSceneLineParser::Scan() {
  while (More(pos_) && static_cast<unsigned char>(line_[pos_]) <= ' ')
    ++pos_;
  start_ = pos_;
  string_.clear();
  typeLetter_ = false;
  if (!More(pos_)) {
    token_ = TSceneToken::End;
    end_ = pos_;
    return;
  }
  const char c = line_[pos_];
  if (IsLetter(c) || c == '_') {
    while (More(pos_) && IsSymbolChar(line_[pos_]))
      ++pos_;
    token_ = TSceneToken::Symbol;
  } else if (c == '#' || c == '\'') {
    while (More(pos_) && (line_[pos_] == '#' || line_[pos_] == '\'')) {
      if (line_[pos_] == '#') {
        ++pos_;
        unsigned code = 0;  // a character is one byte: only the low byte of the code counts
        while (More(pos_) && IsDigit(line_[pos_])) {
          code = (code * 10 + static_cast<unsigned>(line_[pos_++] - '0')) & 0xFFu;
        }
        string_ += static_cast<char>(code);
        continue;
      }
      ++pos_;  // the opening quote
      for (;;) {
        if (!More(pos_)) {
          token_ = TSceneToken::End;
          start_ = end_ = pos_;
          throw ESceneLineError("unterminated quoted string");
        }
        if (line_[pos_] == '\'') {
          ++pos_;
          if (More(pos_) && line_[pos_] == '\'') {
            string_ += '\'';
            ++pos_;
            continue;
          }
          break;
        }
        string_ += line_[pos_++];
      }
    }
    token_ = TSceneToken::String;
  } else if (c == '$') {
    ++pos_;
    while (More(pos_) && IsHexDigit(line_[pos_]))
      ++pos_;
    token_ = TSceneToken::Integer;
  } else if (c == '-' || IsDigit(c)) {
    ++pos_;
    while (More(pos_) && IsDigit(line_[pos_]))
      ++pos_;
    token_ = TSceneToken::Integer;
    while (More(pos_) && IsFloatChar(line_[pos_])) {
      ++pos_;
      token_ = TSceneToken::Float;
    }
    if (More(pos_) && IsTypeLetter(line_[pos_])) {
      ++pos_;
      token_ = TSceneToken::Float;
      typeLetter_ = true;
    }
  } else {
    const bool pair = IsCp932LeadByte(static_cast<unsigned char>(c)) && More(pos_ + 1) &&
                      IsCp932TrailByte(static_cast<unsigned char>(line_[pos_ + 1]));
    pos_ += pair ? 2 : 1;
    token_ = TSceneToken::Char;
  }
  end_ = pos_;
}

int64_t TSceneLineParser::IntegerValue() const {
  const std::string_view text = TokenText();
  if (!text.empty() && text.front() == '$') {
    const std::string_view digits = text.substr(1);
    if (digits.empty())
      NotANumber(text);
    uint64_t value = 0;
    for (char d : digits) {
      if (value > (static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) >> 4))
        NotANumber(text);
      value = (value << 4) | static_cast<uint64_t>(HexValue(d));
    }
    if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
      NotANumber(text);
    return static_cast<int64_t>(value);
  }
  long long value = 0;
  if (!ParseInt(text, value))
    NotANumber(text);
  return value;
}

double TSceneLineParser::NumberValue() const {
  if (token_ == TSceneToken::Integer)
    return static_cast<double>(IntegerValue());
  std::string_view text = TokenText();
  if (typeLetter_)
    text.remove_suffix(1);
  double value = 0;
  if (!ParseDouble(text, value))
    NotANumber(TokenText());
  return value;
}

// ---- lines --------------------------------------------------------------------------------------

std::vector<std::string> SplitTextLines(std::string_view bytes) {
  std::vector<std::string> lines;
  LineWindow window(bytes);
  for (std::size_t i = 0;; ++i) {
    window.Forget(i);
    const LineWindow::Line* line = window.At(i);
    if (!line)
      break;
    lines.emplace_back(line->text);
  }
  return lines;
}

// ---- the scan -----------------------------------------------------------------------------------

bool ReadSceneText(TSimFiler& filer, std::string_view bytes) {
  LineWindow window(bytes);
  TFMSDataHolder& data = *filer.FMSData();
  std::vector<std::string>& ground = filer.GroundDataLines();
  ground.clear();

  // What a line gives the QUADS fallback is worked out once: a line full of QUADS keywords must not
  // make the reader look at the same long lines again and again. Lines past the end give nothing.
  auto thirdNumber = [&](std::size_t k) {
    LineWindow::Line* ahead = window.At(k);
    if (!ahead)
      return 0.0;
    if (!ahead->thirdNumber)
      ahead->thirdNumber = ThirdNumberOf(ahead->text);
    return *ahead->thirdNumber;
  };

  bool capture = false;
  bool quads = false;
  bool positionSeen = false;
  double positionHeight = 0;

  for (std::size_t i = 0;; ++i) {
    window.Forget(i);
    const LineWindow::Line* current = window.At(i);
    if (!current)
      break;
    const std::string_view line = current->text;
    const std::size_t groundBefore = ground.size();
    // Ground data is kept verbatim for the writer, which puts it back between the header's keys and
    // its base name; values read from it would then override the keys on the next read. So a line
    // of ground data (capture on at its start, or turned on in it) is read only for the capture and
    // for what ends the read.
    const bool groundLine = capture || StartsGroundData(line);
    if (groundLine)
      ground.emplace_back(line);
    // The line that ends the read is the reader's own key line, not ground data: keeping it would
    // make the writer repeat it and every save add one more.
    auto finish = [&](bool result) {
      ground.resize(groundBefore);
      return result;
    };

    try {
      TSceneLineParser p(line);
      while (p.Token() != TSceneToken::End) {
        if (!groundLine) {
          if (p.IsSymbol("sf_SceneType"))
            filer.SetSceneType(ToEnum<TSceneType>(ReadInteger(p), 2));
          if (p.IsSymbol("sf_CubeSuffix"))
            filer.SetCubeSuffix(ToEnum<TCubeSuffix>(ReadInteger(p), 2));
          if (p.IsSymbol("sf_AreaRadius"))
            data.SetAreaRadius(ToInt32(ReadInteger(p)));
          for (const auto& [key, set] : kPlacementKeys) {
            if (p.IsSymbol(key))
              (data.*set)(ToCurrency(ReadNumber(p)));
          }
        }
        if (p.IsSymbol("sf_GroundDataStart"))
          capture = true;
        if (p.IsSymbol("sf_GroundDataEnd"))
          capture = false;
        if (p.IsSymbol("sf_TextureBasename")) {
          // A name with a control character would split the header line it is written to: the
          // key is passed over as if it were not there.
          std::string name = Cp932ToUtf8(ReadString(p));
          if (!HasControlCharacter(name)) {
            filer.SetTextureBasename(std::move(name));
            return finish(true);
          }
        }
        if (!groundLine && p.IsSymbol("AIRCRAFT_POSITION")) {
          p.Next();
          while (p.Token() != TSceneToken::End && !p.IsNumber())
            p.Next();
          if (p.IsNumber()) {
            data.SetAirCraftX(ToCurrency(p.NumberValue()));
            p.Next();
            if (p.IsNumber()) {
              data.SetAirCraftY(ToCurrency(p.NumberValue()));
              p.Next();
            }
          }
          filer.SetSceneFormat(sfFMS);
        }
        if (!groundLine && p.IsSymbol("PILOT_POSITION")) {
          NextTokens(p, 3);
          if (p.IsNumber())
            data.SetPilotZ(ToCurrency(p.NumberValue()));
        }
        if (p.Token() == TSceneToken::Float && p.TokenText() == "3D") {
          p.Next();
          if (p.IsSymbol("_LANDSCAPE")) {
            ShowLandscapeError();
            return finish(false);
          }
        }
        if (!groundLine && p.IsSymbol("QUADS"))
          quads = true;
        if (!groundLine && !positionSeen && p.IsSymbol("POSITION")) {
          positionSeen = true;
          NextTokens(p, 3);
          if (p.IsNumber())
            positionHeight = p.NumberValue();
          p.SkipToEnd();
        }
        if (!groundLine && quads && p.IsNumber()) {
          // The first quad's mean height above the POSITION height; lines past the end of the file
          // have none to give.
          double sum = 0;
          for (std::size_t k = 0; k < 4; ++k)
            sum += thirdNumber(i + k);
          data.SetAirCraftZ(ToCurrency(positionHeight + sum / 4));
          quads = false;
        }
        if (p.IsSymbol("TEXTURE")) {
          p.Next();
          std::string_view rest = line.substr(p.TokenStart());
          rest = rest.substr(0, rest.find('\0'));
          const std::optional<TSceneType> type = SceneTypeOfSuffix(ExtractCubeSuffix(rest));
          if (!type) {
            ShowTextureNameError();
            return finish(false);
          }
          std::string name = Cp932ToUtf8(ExtractCubeBaseName(rest));
          if (!HasControlCharacter(name)) {
            filer.SetSceneType(*type);
            filer.SetTextureBasename(std::move(name));
            return finish(true);
          }
        }
        p.Next();
      }
    } catch (const ESceneLineError&) {
      // A comment made by hand may hold anything; only this line's scan ends here.
    }
  }
  return false;
}

}  // namespace vrel

#pragma once

// Reading an FMS scene file far enough to learn how the scene was made: the panorama kind, the
// face-suffix scheme, the base name of the face images and the aircraft placement. Files that this
// editor wrote say so in a comment header; for others the reader falls back on the simulator's own
// keywords. Polygons are not read back: a document's blades come from its object file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"

namespace vrel {

class TSimFiler;

// A line that cannot be cut into tokens (a quoted string without its closing quote), or a number
// token whose text is no number the target can hold.
class ESceneLineError : public Exception {
 public:
  using Exception::Exception;
};

enum class TSceneToken : uint8_t {
  End,      // the end of the line (a NUL byte ends it too)
  Symbol,   // a letter or "_", then letters, digits and "_"
  String,   // quoted text ('' for a quote) and #code characters, in any sequence
  Integer,  // an optional "-" and digits, or "$" and hexadecimal digits
  Float,    // an integer followed by digits, ".", "e", "E", "+", "-" and/or a type letter c, d or s
  Char,     // any other character: one byte, or one double-byte CP932 character
};

// Cuts one line of CP932 text into tokens, the way the framework's form-text parser does. It stands
// on the first token as soon as it is made. Nothing is read beyond the line.
class TSceneLineParser {
 public:
  // Raises ESceneLineError when the first token is an unterminated quoted string.
  explicit TSceneLineParser(std::string_view line);

  TSceneToken Token() const { return token_; }
  // The token as it stands in the line ("3D", "'o''hare'", "sf_AreaRadius").
  std::string_view TokenText() const { return line_.substr(start_, end_ - start_); }
  // Where the token starts in the line; at the end, where the line's text ends.
  std::size_t TokenStart() const { return start_; }
  // The text of a quoted-string token, quotes and codes resolved.
  const std::string& StringValue() const { return string_; }
  bool IsSymbol(std::string_view name) const { return token_ == TSceneToken::Symbol && TokenText() == name; }
  bool IsNumber() const { return token_ == TSceneToken::Integer || token_ == TSceneToken::Float; }

  // Moves to the next token; at the end it stays there. Raises ESceneLineError at an unterminated
  // quoted string.
  void Next();
  // Moves past every remaining token without looking at them.
  void SkipToEnd();

  // The value of an integer token (decimal or "$" hexadecimal); raises ESceneLineError when its
  // text is not a number within 64 bits.
  int64_t IntegerValue() const;
  // The value of an integer or floating-point token; raises ESceneLineError when it is not a
  // finite number.
  double NumberValue() const;

 private:
  void Scan();
  // A NUL byte ends the line's text, as it ends the framework's parser buffer.
  bool More(std::size_t i) const { return i < line_.size() && line_[i] != '\0'; }

  std::string_view line_;
  std::size_t pos_ = 0;
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  TSceneToken token_ = TSceneToken::End;
  std::string string_;
  bool typeLetter_ = false;
};

// The lines of a text file, split at CR LF, LF or a lone CR. A last line without its end counts;
// no empty line follows a final line end.
std::vector<std::string> SplitTextLines(std::string_view bytes);

// Reads the scene text into the filer and answers whether the scan came to a proper end (a
// sf_TextureBasename key, or a TEXTURE line whose image name it recognised). Values are stored
// through the setters as they are met, also when the answer is false. A 3D_LANDSCAPE section and a
// TEXTURE name that is none of the face schemes show an error box (ShowSimError) and end the read
// with false. A line that cannot be cut or holds a number that does not convert ends only that
// line's scan.
bool ReadSceneText(TSimFiler& filer, std::string_view bytes);

}  // namespace vrel

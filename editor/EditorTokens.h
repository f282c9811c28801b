#pragma once

// The tokens of a row or a logical line as the caret's word moves and "the token under the pointer"
// see them: the plain tokeniser (no scheme's brackets, comments or colours) and the cells that each
// token covers in a text whose tabs are already expanded (one byte per cell). Blanks between tokens
// belong to no token.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/zeFountain.h"

namespace vrel {

// The tokeniser with the base tables only; it gives no colours.
class TTokenParser : public TFountainParser {
 public:
  explicit TTokenParser(TFountain* fountain) : TFountainParser(fountain) {}
  const TFountainColor* TokenColor() const override { return nullptr; }
};

// A scheme without brackets or reserved words whose parser is TTokenParser.
class TTokenFountain : public TFountain {
  VREL_CLASS_INFO(TTokenFountain, TFountain)
 public:
  TTokenFountain();
  std::unique_ptr<TFountainParser> CreateParser() override;
};

// One token: its first byte (= cell), its length in bytes and its kind.
struct TTokenSpan {
  int Start = 0;
  int Length = 0;
  int Kind = 0;
  int End() const { return Start + Length; }
};

// The tokens of `text` read by `parser` from `data` (the state the text starts in).
std::vector<TTokenSpan> ReadTokens(TFountainParser& parser, std::string_view text, const TRowAttributeData& data);

}  // namespace vrel

#pragma once

// The framework's picture-progress event: what a long load (the cube's six textures, a picture
// being decoded) tells whoever follows it. A handler may raise to call the load off; the load then
// leaves with that exception.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Classes.h"
#include "platform/Exceptions.h"

namespace vrel {

// The stages of the picture-progress event.
enum TProgressStage : int32_t { psStarting = 0, psRunning = 1, psEnding = 2 };

// The rectangle the picture-progress event passes along (always empty here).
struct TProgressRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TProgressRect&) const = default;
};

// What a progress handler raises to call a load off: not an error, whoever set the handler knows why.
class EAbort : public Exception {
 public:
  using Exception::Exception;
};

// The picture-progress event: sender, stage, percent done, redraw now, rectangle, message.
using TProgressEvent = std::function<void(TObject* sender, TProgressStage stage, uint8_t percentDone, bool redrawNow,
                                          const TProgressRect& rect, const std::string& message)>;

}  // namespace vrel

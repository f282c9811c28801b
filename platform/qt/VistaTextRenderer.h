#pragma once

// The vista bitmap's text through Qt's font rasteriser. The system's fixed-pitch screen font stands
// in as DejaVu Sans Mono (Debian's fonts-dejavu-core) at 16 pixels, the height of a 12-point font on
// a 96-dpi screen, drawn without anti-aliasing so that every text pixel has the text's colour, as a
// bitmap font gives. Needs a QGuiApplication.

#include <QFont>

#include <string_view>

#include "platform/VistaText.h"

namespace vrel {

class TQtVistaTextRenderer : public IVistaTextRenderer {
 public:
  // Raises Exception when there is no QGuiApplication.
  TQtVistaTextRenderer();

  int TextWidth(std::string_view text) override;
  void DrawText(TRgbImage& image, int x, int y, std::string_view text, TRgbColor color, TRgbColor background) override;

  const QFont& Font() const { return font_; }

 private:
  QFont font_;
};

// Puts one renderer for the life of the process behind the vista port (the application calls this
// once its QGuiApplication exists).
void InstallQtVistaTextRenderer();

}  // namespace vrel

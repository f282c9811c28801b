#pragma once

// The window system's clipboard behind the model's clipboard port.

#include "platform/Clipboard.h"

class QClipboard;

namespace vrel {

class QtClipboard : public IClipboard {
 public:
  // The application's clipboard; a QGuiApplication must exist.
  QtClipboard();
  explicit QtClipboard(QClipboard* clipboard) : clipboard_(clipboard) {}

  bool HasFormat(std::string_view mimeType) const override;
  std::optional<std::string> Data(std::string_view mimeType) const override;
  void SetData(std::string_view mimeType, std::string bytes) override;

 private:
  QClipboard* clipboard_;
};

}  // namespace vrel

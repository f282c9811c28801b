#pragma once

// The file-dialog port answered with Qt's own file dialogs (never the desktop's native one), modal
// over a window. Each kind of dialog is made once and kept, so it opens in the folder it was left in,
// as the program's open, save and picture dialogs always did.

#include <QPointer>

#include <memory>
#include <optional>
#include <string>

#include "platform/FileDialogs.h"

class QFileDialog;
class QWidget;

namespace vrel {

class QtFileDialogs : public IFileDialogs {
 public:
  // `parent` (may be null) is the window the dialogs stand over.
  explicit QtFileDialogs(QWidget* parent);
  ~QtFileDialogs() override;
  QtFileDialogs(const QtFileDialogs&) = delete;
  QtFileDialogs& operator=(const QtFileDialogs&) = delete;

  std::optional<std::string> OpenFileName(const std::string& filter) override;
  std::optional<std::string> SaveFileName(const std::string& filter, const std::string& defaultExtension) override;
  std::optional<std::string> OpenPictureFileName(const std::string& filter) override;

 private:
  QFileDialog& Dialog(QPointer<QFileDialog>& dialog, const char* name);
  std::optional<std::string> Run(QFileDialog& dialog, const std::string& filter);

  QPointer<QWidget> parent_;
  QPointer<QFileDialog> open_;
  QPointer<QFileDialog> save_;
  QPointer<QFileDialog> picture_;
};

}  // namespace vrel

#pragma once

// The open-picture dialog: Qt's own file dialog (never the desktop's native one, which can host no
// preview and filters names case-sensitively, hiding "X_LEFT.BMP" from "*.bmp"), its filter every
// registered picture format, with a pane beside the files that previews the one pointed at and
// gives its size. The preview is decoded and made small off the GUI thread (see TPicturePreviewer);
// pointing at another file calls the running decode off.

#include <QFileDialog>
#include <QString>

#include <memory>
#include <optional>
#include <string>

#include "imaging/Graphics.h"

class QLabel;

namespace vrel {

class TPicturePreviewer;

class QtPictureDialog : public QFileDialog {
 public:
  // `filter` in Qt's form, lines joined by ";;" (FilterText of the registry's filter).
  QtPictureDialog(QWidget* parent, const std::string& filter, const TPictureFormats& formats = PictureFormats());
  ~QtPictureDialog() override;

  // The preview pane's picture and its caption ("640 x 480", the reason a file cannot be shown, or
  // "(None)").
  QLabel* PreviewImage() const { return image_; }
  QLabel* PreviewCaption() const { return caption_; }

  static constexpr int kPreviewSize = 200;

 private:
  void PointedAt(const QString& path);

  QLabel* image_ = nullptr;
  QLabel* caption_ = nullptr;
  std::unique_ptr<TPicturePreviewer> previewer_;
};

// Asks for one picture file, starting in `folder` (when it is not empty); `folder` becomes the folder
// the dialog was left in. The chosen file, or nothing when the user cancelled.
std::optional<std::string> AskForPictureFile(QWidget* parent, const std::string& filter, QString& folder);

}  // namespace vrel

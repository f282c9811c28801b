#pragma once

// The file-dialog port answered with Qt's own file dialogs (never the desktop's native one), modal
// over a window. Pictures are asked for in the dialog the owner hands in (the picture dialog with its
// preview, which knows the image codecs that this library stands below).
// A dialog lives only while it is shown, so nothing of it (a completion list, say) outlasts the
// answer.

#include <QPointer>
#include <QString>

#include <optional>
#include <string>

#include "platform/FileDialogs.h"

class QFileDialog;
class QWidget;

namespace vrel {

class QtFileDialogs : public IFileDialogs {
 public:
  // Asks for a picture file over `parent`, starting in `folder` (when it is not empty); `folder`
  // becomes the folder the dialog was left in. The chosen file, or nothing when the user cancelled.
  using TPictureFileAsker = std::optional<std::string> (*)(QWidget* parent, const std::string& filter, QString& folder);

  // `parent` (may be null) is the window the dialogs stand over. Without `askForPicture` pictures are
  // asked for in the plain open dialog.
  explicit QtFileDialogs(QWidget* parent, TPictureFileAsker askForPicture = nullptr)
      : parent_(parent), askForPicture_(askForPicture) {}

  std::optional<std::string> OpenFileName(const std::string& filter, std::string& folder) override;
  std::optional<std::string> SaveFileName(const std::string& filter, const std::string& defaultExtension,
                                          const std::string& fileName, std::string& folder) override;
  std::optional<std::string> OpenPictureFileName(const std::string& filter, std::string& folder) override;

 private:
  // Shows a dialog set up by `prepare`, starting in `folder` and leaving the folder it ended in there.
  template <class Prepare>
  std::optional<std::string> Run(const char* name, const std::string& filter, std::string& folder, Prepare prepare);

  QPointer<QWidget> parent_;
  TPictureFileAsker askForPicture_;
};

}  // namespace vrel

#pragma once

// The file-dialog port answered with Qt's own file dialogs (never the desktop's native one), modal
// over a window; pictures are asked for in the picture dialog with its preview (QtPictureDialog).
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
  // `parent` (may be null) is the window the dialogs stand over.
  explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}

  std::optional<std::string> OpenFileName(const std::string& filter, std::string& folder) override;
  std::optional<std::string> SaveFileName(const std::string& filter, const std::string& defaultExtension,
                                          const std::string& fileName, std::string& folder) override;
  std::optional<std::string> OpenPictureFileName(const std::string& filter, std::string& folder) override;

 private:
  // Shows a dialog set up by `prepare`, starting in `folder` and leaving the folder it ended in there.
  template <class Prepare>
  std::optional<std::string> Run(const char* name, const std::string& filter, std::string& folder, Prepare prepare);

  QPointer<QWidget> parent_;
};

}  // namespace vrel

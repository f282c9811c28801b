#include "platform/qt/QtFileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>
#include <QWidget>

#include "platform/MessageBox.h"

namespace vrel {

template <class Prepare>
std::optional<std::string> QtFileDialogs::Run(const char* name, const std::string& filter, std::string& folder,
                                              Prepare prepare) {
  QFileDialog dialog(parent_.data());
  dialog.setObjectName(QString::fromLatin1(name));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setDirectory(QString::fromStdString(folder));
  const QStringList filters = QString::fromStdString(filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
  dialog.setNameFilters(filters);
  prepare(dialog);
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
      folder = dialog.directory().absolutePath().toStdString();
      return std::nullopt;
    }
    const QString chosen = dialog.selectedFiles().first();
    // Qt's save dialog takes a name in a folder that does not exist; no file could be made there.
    if (dialog.acceptMode() == QFileDialog::AcceptOpen || QFileInfo(chosen).absoluteDir().exists()) {
      // A path typed whole leaves the dialog where it was; the file's folder is where the user works.
      folder = QFileInfo(chosen).absolutePath().toStdString();
      return chosen.toStdString();
    }
    ShowMessageBox(
        dialog.windowTitle().toStdString(),
        QDir::toNativeSeparators(QFileInfo(chosen).absolutePath()).toStdString() + "\nフォルダが見つかりません。",
        TMsgIcon::Warning, TMsgButtons::OK);
  }
}

std::optional<std::string> QtFileDialogs::OpenFileName(const std::string& filter, std::string& folder) {
  return Run("OpenDialog1", filter, folder, [](QFileDialog& dialog) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  });
}

std::optional<std::string> QtFileDialogs::SaveFileName(const std::string& filter, const std::string& defaultExtension,
                                                       const std::string& fileName, std::string& folder) {
  return Run("SaveDialog1", filter, folder, [&](QFileDialog& dialog) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt wants the extension without its dot.
    QString suffix = QString::fromStdString(defaultExtension);
    if (suffix.startsWith(QLatin1Char('.')))
      suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (!fileName.empty())
      dialog.selectFile(QString::fromStdString(fileName));
  });
}

std::optional<std::string> QtFileDialogs::OpenPictureFileName(const std::string& filter, std::string& folder) {
  if (askForPicture_ == nullptr)
    return OpenFileName(filter, folder);
  QString start = QString::fromStdString(folder);
  std::optional<std::string> picked = askForPicture_(parent_.data(), filter, start);
  folder = picked ? QFileInfo(QString::fromStdString(*picked)).absolutePath().toStdString() : start.toStdString();
  return picked;
}

}  // namespace vrel

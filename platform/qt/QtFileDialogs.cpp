#include "platform/qt/QtFileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>
#include <QWidget>

#include "platform/MessageBox.h"

namespace vrel {

QtFileDialogs::QtFileDialogs(QWidget* parent) : parent_(parent) {}

QtFileDialogs::~QtFileDialogs() {
  // A parent that went first took its dialogs along.
  delete open_.data();
  delete save_.data();
  delete picture_.data();
}

QFileDialog& QtFileDialogs::Dialog(QPointer<QFileDialog>& dialog, const char* name) {
  if (!dialog) {
    dialog = new QFileDialog(parent_.data());
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setModal(true);
  }
  return *dialog;
}

std::optional<std::string> QtFileDialogs::Run(QFileDialog& dialog, const std::string& filter) {
  const QStringList filters = QString::fromStdString(filter).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
  dialog.setNameFilters(filters);
  if (!filters.isEmpty())
    dialog.selectNameFilter(filters.first());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtFileDialogs::OpenFileName(const std::string& filter) {
  QFileDialog& dialog = Dialog(open_, "OpenDialog1");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return Run(dialog, filter);
}

std::optional<std::string> QtFileDialogs::SaveFileName(const std::string& filter, const std::string& defaultExtension) {
  QFileDialog& dialog = Dialog(save_, "SaveDialog1");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Qt wants the suffix without its dot.
  dialog.setDefaultSuffix(
      QString::fromStdString(defaultExtension).remove(0, defaultExtension.starts_with('.') ? 1 : 0));
  for (;;) {
    std::optional<std::string> chosen = Run(dialog, filter);
    // Qt's dialog takes a name in a folder that does not exist; the file could not be made there.
    if (!chosen || QFileInfo(QString::fromStdString(*chosen)).absoluteDir().exists())
      return chosen;
    ShowMessageBox(dialog.windowTitle().toStdString(),
                   QDir::toNativeSeparators(QFileInfo(QString::fromStdString(*chosen)).absolutePath()).toStdString() +
                       "\nフォルダが見つかりません。",
                   TMsgIcon::Warning, TMsgButtons::OK);
  }
}

std::optional<std::string> QtFileDialogs::OpenPictureFileName(const std::string& filter) {
  QFileDialog& dialog = Dialog(picture_, "OpenPictureDialog1");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return Run(dialog, filter);
}

}  // namespace vrel

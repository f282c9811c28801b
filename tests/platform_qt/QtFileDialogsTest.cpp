// The open and save dialogs in real windows on the X server: each starts in the folder it is given,
// the save dialog offers the name it is given, and the folder reported back is that of the chosen
// file, even when the user typed its whole path.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>

#include "platform/qt/QtFileDialogs.h"
#include "tests/platform_qt/WindowWaits.h"

// The file dialog brings up the font database and the desktop's bus once per process; what
// fontconfig and D-Bus keep of those until exit is theirs, not a leak of this program.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}

namespace vrel {
namespace {

TEST(QtFileDialogs, TheSaveDialogStartsWhereToldOffersTheNameAndReportsTheChosenFilesFolder) {
  static int argc = 1;
  static char name[] = "file_dialog_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr)
    new QApplication(argc, argv);  // on the X server of DISPLAY, kept to the end of the process
  const QTemporaryDir start;
  const QTemporaryDir other;
  QStringList offered;
  qttest::WhenModal<QFileDialog>([&](QFileDialog& dialog) {
    offered = dialog.selectedFiles();
    qttest::ChooseFile(dialog, other.filePath(QStringLiteral("field.scn")));
  });
  QtFileDialogs dialogs(nullptr);
  std::string folder = start.path().toStdString();
  EXPECT_EQ(dialogs.SaveFileName("シーンファイル(*.scn)", ".scn", "park.scn", folder),
            std::optional(other.filePath(QStringLiteral("field.scn")).toStdString()));
  EXPECT_EQ(offered, QStringList{start.filePath(QStringLiteral("park.scn"))});
  EXPECT_EQ(folder, other.path().toStdString());
}

}  // namespace
}  // namespace vrel

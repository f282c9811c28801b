// The open-picture dialog in a real window on the X server: every registered format in its filter,
// names in capitals listed by their lower-case patterns, and the preview of the file pointed at,
// decoded off the GUI thread, with its size or the reason it cannot be shown. With VREL_SCREENSHOT_DIR
// set, the screen with the dialog previewing a Photoshop file is saved there as picture-dialog.png.

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/Graphics.h"
#include "imaging/qt/QtImageFormats.h"
#include "imaging/qt/QtPictureDialog.h"
#include "tests/imaging/ImageOracle.h"
#include "tests/platform/AddressSpaceLimit.h"
#include "tests/platform_qt/WindowWaits.h"

// The file dialog brings up the font database and the desktop's bus once per process; what
// fontconfig and D-Bus keep of those until exit is theirs, not a leak of this program.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}

namespace vrel {
namespace {

class PictureDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "picture_dialog_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr)
      new QApplication(argc, argv);  // on the X server of DISPLAY, kept to the end of the process
  }
  void SetUp() override {
    ASSERT_TRUE(oracle::RunTool(folder_,
                                "convert -size 160x90 -seed 3 plasma:fractal -depth 8 -compress RLE sky.psd && "
                                "convert -size 48x32 xc:teal bmp3:X_LEFT.BMP && head -c 300 sky.psd > cut.psd && "
                                "echo memo > notes.txt"))
        << oracle::ReadFile(folder_.path / "oracle-error.txt");
  }
  QString Path(const char* name) const { return QString::fromStdString((folder_.path / name).string()); }
  static std::string Filter() { return FilterText(PictureFormats().Filter()); }
  // The names the dialog's file list shows.
  static QStringList Listed(QtPictureDialog& dialog) {
    QStringList names;
    auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
    if (!list)
      return names;
    const QModelIndex root = list->rootIndex();
    for (int row = 0; row < list->model()->rowCount(root); ++row)
      names << list->model()->index(row, 0, root).data().toString();
    return names;
  }

  // Clicks the file's name in the list, as a user points at it.
  static void Click(QtPictureDialog& dialog, const char* name) {
    auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
    ASSERT_NE(list, nullptr);
    const QModelIndexList found = list->model()->match(list->model()->index(0, 0, list->rootIndex()), Qt::DisplayRole,
                                                       QString::fromLatin1(name), 1, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name;
    list->scrollTo(found.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(found.first()).center());
  }

  oracle::TempFolder folder_;
  std::unique_ptr<TImageFormatsRegistration> formats_ = RegisterImageFormats();
};

TEST_F(PictureDialog, ItsFilterListsEveryRegisteredFormatAndNamesInCapitalsShow) {
  QtPictureDialog dialog(nullptr, Filter());
  EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
  EXPECT_EQ(dialog.nameFilters().size(), 40);  // "All" and the 39 registrations
  EXPECT_TRUE(dialog.nameFilters().first().contains(QStringLiteral("*.psd *.pdd")));
  dialog.setDirectory(Path(""));
  dialog.show();
  QTRY_VERIFY_WITH_TIMEOUT(Listed(dialog).contains(QStringLiteral("X_LEFT.BMP")), qttest::kWindowWait);
  EXPECT_TRUE(Listed(dialog).contains(QStringLiteral("sky.psd")));
  EXPECT_FALSE(Listed(dialog).contains(QStringLiteral("notes.txt")));
}

TEST_F(PictureDialog, ThePreviewShowsThePictureAndItsSizeOrWhyNot) {
  QtPictureDialog dialog(nullptr, Filter());
  dialog.setDirectory(Path(""));
  dialog.resize(900, 420);
  dialog.show();
  EXPECT_EQ(dialog.PreviewCaption()->text(), QStringLiteral("(None)"));
  QTRY_VERIFY_WITH_TIMEOUT(Listed(dialog).contains(QStringLiteral("sky.psd")), qttest::kWindowWait);
  Click(dialog, "sky.psd");
  QTRY_COMPARE_WITH_TIMEOUT(dialog.PreviewCaption()->text(), QStringLiteral("160 x 90"), qttest::kWindowWait);
  const QPixmap shown = dialog.PreviewImage()->pixmap();
  EXPECT_EQ(shown.size(), QSize(160, 90));
  if (const char* dir = std::getenv("VREL_SCREENSHOT_DIR")) {
    dialog.repaint();  // painted and on the server before the grab
    dialog.screen()->grabWindow(0).save(QString::fromLocal8Bit(dir) + QStringLiteral("/picture-dialog.png"));
  }
  Click(dialog, "cut.psd");
  QTRY_COMPARE_WITH_TIMEOUT(dialog.PreviewCaption()->text(),
                            QStringLiteral("Cannot load image. Invalid or unexpected PSD or PDD image format."),
                            qttest::kWindowWait);
  EXPECT_TRUE(dialog.PreviewImage()->pixmap().isNull());
  Click(dialog, "X_LEFT.BMP");
  QTRY_COMPARE_WITH_TIMEOUT(dialog.PreviewCaption()->text(), QStringLiteral("48 x 32"), qttest::kWindowWait);
  EXPECT_EQ(dialog.PreviewImage()->pixmap().toImage().pixelColor(10, 10), QColor(0, 128, 128));
}

// In a child process whose memory holds the decoded picture but no full-size copy of it, the preview
// still shows the picture: its thumbnail is made from the decoded rows, and nothing escapes the thread.
TEST_F(PictureDialog, APictureThatLeavesNoRoomForACopyOfItStillPreviews) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: Qt's threads do not survive a fork
  ASSERT_TRUE(oracle::RunTool(folder_, "pgmramp -lr 4000 4000 | pgmtoppm red-blue | pnmtopng -force > big.png"));
  const auto waitFor = [](QtPictureDialog& dialog, const QString& caption) {
    for (int i = 0; i < 1200 && dialog.PreviewCaption()->text() != caption; ++i)
      QTest::qWait(50);
  };
  EXPECT_EXIT(
      {
        QtPictureDialog dialog(nullptr, Filter());
        // A first picture, so that the preview's thread has what any picture needs before the limit.
        emit dialog.currentChanged(Path("X_LEFT.BMP"));
        waitFor(dialog, QStringLiteral("48 x 32"));
        if (!LimitAddressSpaceGrowth(std::uint64_t{4000} * 4000 * 3 + (std::uint64_t{24} << 20)))
          std::_Exit(2);
        emit dialog.currentChanged(Path("big.png"));
        waitFor(dialog, QStringLiteral("4000 x 4000"));
        std::fprintf(stderr, "%s\n", dialog.PreviewCaption()->text().toUtf8().constData());
        std::_Exit(dialog.PreviewImage()->pixmap().size() == QSize(200, 200) ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "4000 x 4000");
}

TEST_F(PictureDialog, AskingGivesTheChosenFileAndTheFolderItWasLeftIn) {
  qttest::WhenModal<QtPictureDialog>([this](QtPictureDialog& dialog) { qttest::ChooseFile(dialog, Path("sky.psd")); });
  QString folder = Path("");
  EXPECT_EQ(AskForPictureFile(nullptr, Filter(), folder), std::optional(Path("sky.psd").toStdString()));
  EXPECT_EQ(folder, QString::fromStdString(folder_.path.string()));
  qttest::WhenModal<QtPictureDialog>([](QtPictureDialog& dialog) { dialog.close(); });
  EXPECT_EQ(AskForPictureFile(nullptr, Filter(), folder), std::nullopt);
}

}  // namespace
}  // namespace vrel

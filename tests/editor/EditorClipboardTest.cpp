// The editor's clipboard as other programs on the X server see it, read and written with xclip. The
// editor owns the clipboard after a copy and must answer xclip's requests, so xclip runs
// asynchronously while the test's event loop serves them.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>

#include <string>

#include "editor/EditorStrings.h"
#include "tests/editor/EditorWidgetSupport.h"

namespace vrel {
namespace {

using editortest::ShownEditor;
using editortest::Sjis;

// Runs xclip to completion while the event loop keeps answering the X server; its output.
std::string Xclip(const QStringList& arguments, const QByteArray& input = {}) {
  QProcess xclip;
  xclip.start("xclip", arguments);
  if (!xclip.waitForStarted(5000))
    return "(xclip did not start)";
  if (!input.isEmpty()) {
    xclip.write(input);
    xclip.closeWriteChannel();
  }
  QElapsedTimer clock;
  clock.start();
  while (xclip.state() != QProcess::NotRunning && clock.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    xclip.waitForFinished(10);
  }
  if (xclip.state() != QProcess::NotRunning) {
    xclip.kill();
    xclip.waitForFinished();
    return "(xclip timed out)";
  }
  const QByteArray out = xclip.readAllStandardOutput();
  return std::string(out.constData(), static_cast<std::size_t>(out.size()));
}

std::string Read(const char* target) {
  return Xclip({"-selection", "clipboard", "-o", "-t", target});
}

// Another program takes the clipboard with one target; it serves it until it loses the clipboard.
class OtherProgram {
 public:
  OtherProgram(const char* target, const std::string& bytes) {
    xclip_.start("xclip", {"-selection", "clipboard", "-i", "-t", target});
    xclip_.waitForStarted(5000);
    xclip_.write(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    xclip_.closeWriteChannel();
    // xclip has the clipboard once Qt sees its offer with these very bytes: an earlier test's xclip
    // may still be offering other text under the same target.
    const QString format = QString(target) == "UTF8_STRING" ? QStringLiteral("text/plain") : QString(target);
    const QByteArray expected(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QClipboard* clipboard = QGuiApplication::clipboard();
    const auto offered = [&] {
      const QMimeData* data = clipboard->mimeData();
      return !clipboard->ownsClipboard() && data && data->hasFormat(format) && data->data(format) == expected;
    };
    QElapsedTimer clock;
    clock.start();
    while (!offered() && clock.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  ~OtherProgram() {
    // Taking the clipboard back ends xclip.
    QGuiApplication::clipboard()->setText(QStringLiteral("done"));
    if (!xclip_.waitForFinished(3000))
      xclip_.kill();
    xclip_.waitForFinished();
  }

 private:
  QProcess xclip_;
};

class EditorOnTheXClipboard : public ::testing::Test {
 protected:
  EditorOnTheXClipboard() { shown.editor->Lines()->SetText(Sjis("日本語のテキスト\r\nabc\tdef\r\n表示\r\n")); }
  TEditor& editor() { return *shown.editor; }
  void Select(int row0, int col0, int row1, int col1) {
    editor().SetRow(row0);
    editor().SetCol(col0);
    editor().StartSelection();
    editor().SetRow(row1);
    editor().SetCol(col1);
    editor().ExtendSelection();
  }

  ShownEditor shown;
};

TEST_F(EditorOnTheXClipboard, ACopyOffersPlainTextAndTheCp932Bytes) {
  Select(0, 0, 0, 6);
  editor().CopyToClipboard();
  const std::string targets = Read("TARGETS");
  EXPECT_NE(targets.find("UTF8_STRING"), std::string::npos) << targets;
  EXPECT_NE(targets.find("application/x-vrel-cp932-text"), std::string::npos) << targets;
  EXPECT_EQ(targets.find("TEditor Box Type"), std::string::npos) << targets;
  EXPECT_EQ(Read("UTF8_STRING"), "日本語");
  EXPECT_EQ(Read("application/x-vrel-cp932-text"), Sjis("日本語"));
}

// The plain text breaks its lines with LF, as the desktop's programs do; the editor's own CR LF.
TEST_F(EditorOnTheXClipboard, ABoxCopyOffersTheBoxFormatWithItsZeroByte) {
  editor().SetSelectionMode(smBox);
  Select(1, 0, 2, 2);
  editor().CopyToClipboard();
  const std::string targets = Read("TARGETS");
  EXPECT_NE(targets.find("TEditor Box Type"), std::string::npos) << targets;
  EXPECT_EQ(Read(EditorCore::BoxClipboardFormat().c_str()), "ab\r\n" + Sjis("表") + std::string(1, '\0'));
  EXPECT_EQ(Read("application/x-vrel-cp932-text"), "ab\r\n" + Sjis("表"));
  EXPECT_EQ(Read("UTF8_STRING"), "ab\n表");
}

TEST_F(EditorOnTheXClipboard, CopyWithNothingSelectedLeavesAnotherProgramsText) {
  OtherProgram other("UTF8_STRING", "kept");
  editor().CopyToClipboard();
  EXPECT_EQ(Read("UTF8_STRING"), "kept");
}

TEST_F(EditorOnTheXClipboard, PasteTakesAnotherProgramsTextInCp932) {
  OtherProgram other("UTF8_STRING", "ソ表\nx");
  editor().SetRow(3);
  editor().PasteFromClipboard();
  EXPECT_EQ(editor().Lines()->Get(3), Sjis("ソ表"));
  EXPECT_EQ(editor().Lines()->Get(4), "x");
}

TEST_F(EditorOnTheXClipboard, PasteTakesTheCp932BytesOfAnotherEditorAsTheyAre) {
  // 0xA0 and 0xFD have no character that survives UTF-8 in every program; the raw target keeps them.
  const std::string bytes = std::string("\xA0\xFD") + Sjis("ソ");
  OtherProgram other("application/x-vrel-cp932-text", bytes);
  editor().SetRow(3);
  editor().PasteFromClipboard();
  EXPECT_EQ(editor().Lines()->Get(3), bytes);
}

}  // namespace
}  // namespace vrel

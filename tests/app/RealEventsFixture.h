#pragma once

// The program's windows under real X events (xvfb-run): keys and the mouse come from xdotool, which
// the X server turns into the events a keyboard and a mouse would give, through the server's own
// keymap. There is no window manager, so the window is focused explicitly. Screenshots of the whole
// screen (ImageMagick's import) are left in the build folder to be looked at.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>

#include <string>

#include "app/PlaneMarkControl.h"
#include "app/qt/MainWindow.h"
#include "app/qt/RenderWidget.h"
#include "scene/DX9Square.h"
#include "scene/DX9Transformer.h"
#include "tests/app/MainFormFixture.h"
#include "tests/app/ProgramApp.h"
#include "tests/platform_qt/WindowWaits.h"

namespace vrel::apptest {

// Runs a program to its end (at most 20 s), the event loop going on meanwhile; its exit code, -1 when
// it did not end by itself.
inline int RunProgram(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForStarted(5000))
    return -1;
  // The events processed meanwhile may be the ones that tell the process ended.
  QElapsedTimer running;
  running.start();
  while (process.state() != QProcess::NotRunning && running.elapsed() < 20000) {
    process.waitForFinished(10);
    QCoreApplication::processEvents();
  }
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished(1000);
    return -1;
  }
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The root window's id, as xwininfo tells it.
inline QString RootWindow() {
  QProcess process;
  process.start(QStringLiteral("xwininfo"), {"-root"});
  process.waitForFinished(5000);
  for (const QString& line : QString::fromLatin1(process.readAllStandardOutput()).split('\n')) {
    if (line.contains(QStringLiteral("Window id:")))
      return line.section(' ', -2, -2, QString::SectionSkipEmpty);
  }
  return {};
}

inline int Xdotool(const QStringList& arguments) {
  return RunProgram(QStringLiteral("xdotool"), arguments);
}

inline void SetKeymap(const char* layout) {
  ASSERT_EQ(RunProgram(QStringLiteral("setxkbmap"), {QString::fromLatin1(layout)}), 0) << layout;
}

class RealEventsWindowTest : public ProgramWindowsTest {
 protected:
  void SetUp() override {
    ProgramWindowsTest::SetUp();
    SetKeymap("us");
    WriteBytes(ini_, Settings());
    Open();
    ASSERT_FALSE(HasFailure());
  }
  void TearDown() override {
    Xdotool({"keyup", "Right", "KP_Home", "shift"});
    SetKeymap("us");
    ProgramWindowsTest::TearDown();
  }

  // What the settings file holds at start.
  virtual std::string Settings() const { return {}; }
  TPlaneMarkControl& Mark() { return Form().PlaneMark(); }
  Vec3 Position() { return Mark().Position(); }
  // The X server's focus on the main window, and Qt's on the view.
  void FocusView() {
    ASSERT_EQ(Xdotool({"windowfocus", "--sync", QString::number(window_->winId())}), 0);
    ASSERT_TRUE(qttest::WaitUntil([this] { return window_->isActiveWindow(); }));
    window_->Render1()->setFocus();
    Settle();
  }
  bool WaitLanded() {
    return qttest::WaitUntil([this] { return !Mark().Flying(); });
  }
  // Two 300 x 300 squares side by side in the plane z = -100 as one more step, seen straight along +Z.
  void AddTwoSquares() {
    for (const float x : {-320.0f, 20.0f})
      scenetest::AddBlade(*Form().Collections()->GetLayer(0), {Vec3(x, 150, -100), Vec3(x + 300, 150, -100),
                                                               Vec3(x + 300, -150, -100), Vec3(x, -150, -100)});
    Form().PushHistory();
    Form().Transformer1().SetCameraRotation({0, 0, 0});
    Form().Redraw();
    Settle();
  }
  // A point of the view as the X server counts it.
  QPoint OnScreen(int x, int y) const { return window_->Render1()->mapToGlobal(QPoint(x, y)); }
  void MouseTo(int x, int y) {
    const QPoint at = OnScreen(x, y);
    ASSERT_EQ(Xdotool({"mousemove", "--sync", QString::number(at.x()), QString::number(at.y())}), 0);
    Settle(2);
  }
  // The whole screen, as the X server shows it, into the build folder; its image.
  QImage Screenshot(const char* name) {
    const QString path = QDir::current().absoluteFilePath(QString::fromLatin1(name));
    EXPECT_EQ(RunProgram(QStringLiteral("import"), {"-window", "root", path}), 0);
    return QImage(path);
  }
};

}  // namespace vrel::apptest

#pragma once

// The program's own application object with its start-up services, made once for a test process
// whose tests open the program's windows, and a fixture that opens them from a temporary settings
// file (VREL_INI) with message boxes captured.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QSurfaceFormat>
#include <QTest>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "app/qt/Application.h"
#include "app/qt/ApplicationWindows.h"
#include "app/qt/RenderWidget.h"
#include "files/history/ComponentStateHolder.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "tests/files/SceneFileFixture.h"
#include "tests/platform_qt/WindowWaits.h"

namespace vrel::apptest {

inline VrelApplication& App() {
  static int argc = 1;
  static char name[] = "app_window_tests", *argv[] = {name, nullptr};
  static VrelApplication* app = [] {
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    QSurfaceFormat::setDefaultFormat(RenderWidget::RequiredFormat());
    auto* made = new VrelApplication(argc, argv);  // one for the process, kept to its end
    InstallApplicationServices();
    return made;
  }();
  return *app;
}

class ProgramWindowsTest : public scenetest::TempFolder {
 protected:
  void SetUp() override {
    App();
    // After start-up, which put Qt's box behind the port.
    messageScope_.emplace(messages_);
    TempFolder::SetUp();
    ini_ = PathOf("vrel.ini");
    env_ = std::make_unique<scenetest::ScopedEnv>("VREL_INI", ini_.c_str());
  }
  void TearDown() override {
    window_.reset();
    TempFolder::TearDown();
  }
  // The program's windows, shown, with a frame drawn.
  MainWindow& Open() {
    window_ = CreateApplicationWindows();
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get(), qttest::kWindowWait));
    EXPECT_TRUE(qttest::WaitUntil([this] { return window_->Form().FramesDrawn() > 0; }));
    Settle();
    return *window_;
  }
  // The program and the X server caught up with each other, however long that takes: what was
  // posted is delivered, what was asked of the server is done, and what it answered is handled.
  static void Settle(int rounds = 5) {
    for (int i = 0; i < rounds; ++i)
      QGuiApplication::sync();
  }
  const MainWindow::ToolWindows& Tools() const { return window_->Tools(); }
  TMainForm& Form() { return window_->Form(); }
  TSquareBladeCollections& Layers() { return *Form().Collections(); }
  // The snapshots the history holds: one more for each undoable step.
  int Steps() { return Form().History()->Count(); }
  // The program's windows closed, as quitting closes them: they write their settings.
  void Close() {
    window_->close();
    Settle();
    window_.reset();
  }
  // "key=value " for each entry of a section of the settings file, in file order.
  std::string Section(const char* name) const {
    std::string text;
    for (const auto& [key, value] : TIniFile(ini_).ReadSectionValues(name))
      text += key + "=" + value + " ";
    return text;
  }

  std::string ini_;
  std::unique_ptr<scenetest::ScopedEnv> env_;
  TCapturingMessageBox messages_;
  std::optional<TScopedMessageBox> messageScope_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace vrel::apptest

#include "app/qt/Application.h"

#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

#include "files/ObjectFiles.h"
#include "files/RegMng.h"
#include "files/VrelProp.h"
#include "platform/Cursors.h"
#include "platform/KeyboardState.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtKeyboardState.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/VistaTextRenderer.h"
#include "scene/DX9TextureCube.h"
#include "scene/DX9Transformer.h"

namespace vrel {

namespace {

constexpr const char* kCaption = "Vrel";

// Debian's IPA P Gothic (fonts-ipafont-gothic) stands in for the proportional Japanese UI font.
const QString kUiFamily = QStringLiteral("IPAPGothic");
const QString kUiFontFile = QStringLiteral("/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf");
constexpr int kUiPointSize = 9;

void InstallJapaneseTranslation() {
  // Whatever the process locale: the program speaks Japanese.
  auto* translator = new QTranslator(qApp);
  if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
    qWarning("vrel: Qt's Japanese translation (qtbase_ja) was not found");
  }
}

void InstallJapaneseFont() {
  if (!QFontDatabase::families().contains(kUiFamily))
    QFontDatabase::addApplicationFont(kUiFontFile);
  if (QFontDatabase::families().contains(kUiFamily))
    QApplication::setFont(QFont(kUiFamily, kUiPointSize));
}

}  // namespace

VrelApplication::VrelApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QString::fromLatin1(kCaption));
}

bool VrelApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    ShowException(error);
  } catch (...) {
    ShowException(std::runtime_error("unknown error"));
  }
  return false;
}

void InstallApplicationServices() {
  static bool installed = false;
  if (installed)
    return;
  installed = true;
  InstallJapaneseTranslation();
  InstallJapaneseFont();
  static QtMessageBox messageBox;
  SetMessageBox(&messageBox);
  // Parented to the application, which outlives every window that reads it.
  SetKeyboardState(new QtKeyboardState(qApp));
  InstallQtVistaTextRenderer();
  RegisterFileClasses();
  RegisterVrelPropClasses();
  RegisterTransformerClasses();
  RegisterTextureCubeClasses();
  RegisterToolCursors();
}

QElapsedTimer& StartupTimer() {
  static QElapsedTimer timer = [] {
    QElapsedTimer started;
    started.start();
    return started;
  }();
  return timer;
}

}  // namespace vrel

#pragma once

// The base of the small tool windows that float inside the main window's client area, over the 3D
// view: the operate panel and the move, scale and rotation panels. Each is a frame with its own
// title bar, dragged by it, kept inside the client area by the main window; its position counts
// from the client area's top-left corner below the menu bar. A frame in the right half of the main
// window keeps its distance from the right edge when the main window is resized; one in the left
// half keeps its left edge.
//
// Its settings section, named after the window, holds Left, Top and Visible.

#include <QFrame>

#include <functional>
#include <string>

#include "app/FormPlacement.h"
#include "files/RegMng.h"

class QLabel;
class QMainWindow;

namespace vrel {

class TFloatForm : public QFrame {
 public:
  static constexpr int kDefaultLeft = 200;
  static constexpr int kDefaultTop = 200;

  // `name` is the window's name and its settings section; the frame starts hidden.
  TFloatForm(const QString& name, const QString& caption, QMainWindow* mainWindow, QSize clientSize = {157, 210});

  // Where the panel's own controls go.
  QWidget* Client() const { return client_; }
  QString Caption() const;

  // The position in the client area below the menu bar; moving updates the anchoring.
  QPoint Position() const;
  void SetPosition(QPoint position);
  const TFloatAnchor& Anchor() const { return anchor_; }
  int RightOffset() const { return anchor_.RightOffset; }
  bool LeftAnchored() const { return anchor_.LeftAnchored; }
  // `offset` becomes the distance from the right edge, and the frame moves there.
  void KeepInParent(int offset);

  // Left and Top (kept on the screen) and Visible.
  void LoadSettings();
  void SaveSettings();
  void SetSection(const std::string& section);
  TRegManager& Reg() { return reg_; }

  // After the user dragged the frame; the main window keeps it inside.
  std::function<void(TFloatForm& sender)> OnUserMoved;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  class TitleBar;
  int ParentWidth() const;
  int MenuBarHeight() const;
  void UpdateAnchor();

  QMainWindow* mainWindow_;
  TitleBar* titleBar_;
  QWidget* client_;
  TRegManager reg_;
  std::string section_;
  TFloatAnchor anchor_;
  bool dragging_ = false;
  QPoint grab_;  // where the title bar was grabbed, in frame coordinates
};

}  // namespace vrel

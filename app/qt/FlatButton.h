#pragma once

// The head panel's two-state group button: a click turns it down or up, and every change of that
// state, by a click or by SetDown, runs OnDownChange. Pressing it and releasing the button outside
// leaves the state as it was.

#include <QToolButton>

#include <functional>

namespace vrel {

class TFlatButton : public QToolButton {
 public:
  explicit TFlatButton(const QString& caption, QWidget* parent = nullptr);

  bool Down() const { return isChecked(); }
  // Nothing happens for the state it already has.
  void SetDown(bool value) { setChecked(value); }

  std::function<void(TFlatButton& sender)> OnDownChange;

 private:
  void DoDownChange();
};

}  // namespace vrel

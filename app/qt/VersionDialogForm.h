#pragma once

// The about box: a borderless picture of 300 x 210 with the version, the maker's home-page address
// (a click opens it and closes the box) and a picture button that closes it; Enter and Escape close
// it too. It lives only while it is shown.

#include <QDialog>
#include <QPixmap>

#include <array>
#include <functional>

class QLabel;

namespace vrel {

class TVersionDialogForm : public QDialog {
 public:
  static constexpr int kClientWidth = 300;
  static constexpr int kClientHeight = 210;
  // The button's pictures: normal, under the pointer, pressed.
  enum TButtonState : int { bsNormal = 0, bsHover = 1, bsPressed = 2 };

  explicit TVersionDialogForm(QWidget* parent = nullptr);
  ~TVersionDialogForm() override;

  QLabel* Image1() const { return image1_; }
  QLabel* Label1() const { return label1_; }
  QLabel* Label2() const { return label2_; }
  QLabel* Label3() const { return label3_; }
  QLabel* ImageButton() const { return imageButton_; }
  int ButtonState() const { return state_; }
  bool Pressed() const { return pressed_; }
  // The picture of `state` as ImageList1 holds it.
  const QPixmap& ButtonPicture(int state) const;

  // Shows picture n of the button when n is not the state already.
  void SetButtonState(int n);

  // Opens the home-page address with the system's handler; tests put their own here.
  std::function<void(const QString& address)> OpenAddress;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormClose();
  void Label2Click();

  QLabel* image1_;
  QLabel* label1_;
  QLabel* imageButton_;
  QLabel* label2_;
  QLabel* label3_;
  std::array<QPixmap, 3> imageList1_;
  // The button's bitmap: made when the box shows, freed when it closes.
  QPixmap buttonBitmap_;
  int state_ = bsNormal;
  bool pressed_ = false;
};

// The about box over `parent` (centred on it), modal, until it is closed; then it is gone.
void ShowVersionDialog(QWidget* parent);

}  // namespace vrel

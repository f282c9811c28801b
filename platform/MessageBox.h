#pragma once

// Message boxes as the model sees them: a caption, a text, an icon and a set of buttons, answered by
// the button the user pressed. The model raises them through one process-wide port, so tests can
// capture them instead of blocking and the application can put its own dialog behind them. Texts are
// UTF-8.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vrel {

enum class TMsgIcon : std::uint8_t { None, Error, Warning, Information, Question };

enum class TMsgButtons : std::uint8_t { OK, OKCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

enum class TMsgResult : std::uint8_t { OK, Cancel, Yes, No, Abort, Retry, Ignore };

struct TMessageBoxRequest {
  std::string Caption;
  std::string Text;
  TMsgIcon Icon = TMsgIcon::None;
  TMsgButtons Buttons = TMsgButtons::OK;
  // The button Enter presses, when it is not the first one.
  std::optional<TMsgResult> Default = std::nullopt;
};

// The first button of a set.
TMsgResult DefaultButton(TMsgButtons buttons);
// The answer of a box that nobody can answer: the one Enter would press, its default button.
TMsgResult DefaultButton(const TMessageBoxRequest& request);
// Whether `result` is one of the buttons of the set.
bool HasButton(TMsgButtons buttons, TMsgResult result);

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  // Shows the box modally and answers one of its buttons.
  virtual TMsgResult Show(const TMessageBoxRequest& request) = 0;
};

// Writes the caption and text to standard error and answers the first button. The port's default,
// so that a tool without a window still tells its user what went wrong.
class TStderrMessageBox : public IMessageBox {
 public:
  TMsgResult Show(const TMessageBoxRequest& request) override;
};

// Records every box and answers from a queue of prepared answers; with the queue empty, or with an
// answer that is not one of the box's buttons, it answers the first button.
class TCapturingMessageBox : public IMessageBox {
 public:
  TMsgResult Show(const TMessageBoxRequest& request) override;

  std::vector<TMessageBoxRequest> Shown;
  std::deque<TMsgResult> Answers;
};

// Puts `box` behind the port (not owned; it must outlive its installation) and answers the box that
// was there. nullptr restores the standard-error default.
IMessageBox* SetMessageBox(IMessageBox* box);
IMessageBox& CurrentMessageBox();

TMsgResult ShowMessageBox(const std::string& caption, const std::string& text, TMsgIcon icon, TMsgButtons buttons,
                          std::optional<TMsgResult> defaultButton = std::nullopt);

// Installs a box for the life of a scope and puts the previous one back afterwards.
class TScopedMessageBox {
 public:
  explicit TScopedMessageBox(IMessageBox& box) : previous_(SetMessageBox(&box)) {}
  ~TScopedMessageBox() { SetMessageBox(previous_); }
  TScopedMessageBox(const TScopedMessageBox&) = delete;
  TScopedMessageBox& operator=(const TScopedMessageBox&) = delete;

 private:
  IMessageBox* previous_;
};

}  // namespace vrel

#include "platform/MessageBox.h"

#include <cstdio>

namespace vrel {

namespace {

TStderrMessageBox& StderrBox() {
  static TStderrMessageBox box;
  return box;
}

IMessageBox* g_box = nullptr;

}  // namespace

TMsgResult DefaultButton(TMsgButtons buttons) {
  switch (buttons) {
    case TMsgButtons::OK:
    case TMsgButtons::OKCancel:
      return TMsgResult::OK;
    case TMsgButtons::YesNo:
    case TMsgButtons::YesNoCancel:
      return TMsgResult::Yes;
    case TMsgButtons::RetryCancel:
      return TMsgResult::Retry;
    case TMsgButtons::AbortRetryIgnore:
      return TMsgResult::Abort;
  }
  return TMsgResult::OK;
}

TMsgResult DefaultButton(const TMessageBoxRequest& request) {
  return request.Default && HasButton(request.Buttons, *request.Default) ? *request.Default
                                                                         : DefaultButton(request.Buttons);
}

bool HasButton(TMsgButtons buttons, TMsgResult result) {
  switch (buttons) {
    case TMsgButtons::OK:
      return result == TMsgResult::OK;
    case TMsgButtons::OKCancel:
      return result == TMsgResult::OK || result == TMsgResult::Cancel;
    case TMsgButtons::YesNo:
      return result == TMsgResult::Yes || result == TMsgResult::No;
    case TMsgButtons::YesNoCancel:
      return result == TMsgResult::Yes || result == TMsgResult::No || result == TMsgResult::Cancel;
    case TMsgButtons::RetryCancel:
      return result == TMsgResult::Retry || result == TMsgResult::Cancel;
    case TMsgButtons::AbortRetryIgnore:
      return result == TMsgResult::Abort || result == TMsgResult::Retry || result == TMsgResult::Ignore;
  }
  return false;
}

TMsgResult TStderrMessageBox::Show(const TMessageBoxRequest& request) {
  std::fprintf(stderr, "[%s] %s\n", request.Caption.c_str(), request.Text.c_str());
  std::fflush(stderr);
  return DefaultButton(request);
}

TMsgResult TCapturingMessageBox::Show(const TMessageBoxRequest& request) {
  Shown.push_back(request);
  if (Answers.empty())
    return DefaultButton(request);
  const TMsgResult answer = Answers.front();
  Answers.pop_front();
  return HasButton(request.Buttons, answer) ? answer : DefaultButton(request);
}

IMessageBox* SetMessageBox(IMessageBox* box) {
  IMessageBox* previous = g_box;
  g_box = box;
  return previous;
}

IMessageBox& CurrentMessageBox() {
  return g_box ? *g_box : StderrBox();
}

TMsgResult ShowMessageBox(const std::string& caption, const std::string& text, TMsgIcon icon, TMsgButtons buttons,
                          std::optional<TMsgResult> defaultButton) {
  return CurrentMessageBox().Show({caption, text, icon, buttons, defaultButton});
}

}  // namespace vrel

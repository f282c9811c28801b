// The message-box port: the button sets, the scoped installer, and the standard-error
// default that a tool without a window falls back on.
#include "platform/MessageBox.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <sstream>
#include <tuple>
#include <vector>

namespace vrel {
namespace {
using R = TMsgResult;
using B = TMsgButtons;

// Each button set with the button Enter presses and the buttons it holds.
const std::tuple<B, R, std::vector<R>> kButtonSets[] = {
    {B::OK, R::OK, {R::OK}},
    {B::OKCancel, R::OK, {R::OK, R::Cancel}},
    {B::YesNo, R::Yes, {R::Yes, R::No}},
    {B::YesNoCancel, R::Yes, {R::Yes, R::No, R::Cancel}},
    {B::RetryCancel, R::Retry, {R::Retry, R::Cancel}},
    {B::AbortRetryIgnore, R::Abort, {R::Abort, R::Retry, R::Ignore}}};

TEST(MessageBoxPort, EachButtonSetHoldsItsButtonsAndEnterPressesItsFirst) {
  for (const auto& [buttons, first, members] : kButtonSets) {
    for (const R answer : {R::OK, R::Cancel, R::Yes, R::No, R::Abort, R::Retry, R::Ignore}) {
      const bool has = std::find(members.begin(), members.end(), answer) != members.end();
      EXPECT_EQ(HasButton(buttons, answer), has);
    }
    EXPECT_EQ(DefaultButton(buttons), first);
  }
}

TEST(MessageBoxPort, TheScopedInstallerPutsThePreviousBoxBack) {
  ASSERT_EQ(SetMessageBox(nullptr), nullptr);  // nothing else is installed
  IMessageBox* standard = &CurrentMessageBox();
  EXPECT_NE(dynamic_cast<TStderrMessageBox*>(standard), nullptr);
  TCapturingMessageBox outer;
  TCapturingMessageBox inner;
  {
    TScopedMessageBox installOuter(outer);
    {
      TScopedMessageBox installInner(inner);
      EXPECT_EQ(&CurrentMessageBox(), &inner);
      ShowMessageBox("c", "inner", TMsgIcon::None, B::OK);
    }
    EXPECT_EQ(&CurrentMessageBox(), &outer);
    ShowMessageBox("c", "outer", TMsgIcon::None, B::OK);
  }
  EXPECT_EQ(&CurrentMessageBox(), standard);
  ASSERT_EQ(std::tuple(inner.Shown.size(), outer.Shown.size()), std::tuple(1u, 1u));
  EXPECT_EQ(std::tuple(inner.Shown[0].Text, outer.Shown[0].Text), std::tuple("inner", "outer"));
  EXPECT_EQ(SetMessageBox(&outer), nullptr);
  EXPECT_EQ(SetMessageBox(nullptr), &outer);  // and SetMessageBox answers what was there
}

TEST(MessageBoxPort, TheDefaultWritesCaptionAndTextToStandardErrorAndAnswersTheFirstButton) {
  ASSERT_EQ(SetMessageBox(nullptr), nullptr);
  testing::internal::CaptureStderr();
  for (const auto& [buttons, first, members] : kButtonSets)
    EXPECT_EQ(ShowMessageBox("Vrel", "変更を保存しますか？", TMsgIcon::Question, buttons), first);
  std::istringstream err(testing::internal::GetCapturedStderr());
  std::size_t lines = 0;
  for (std::string line; std::getline(err, line); ++lines)  // one line for each box, with its caption and text
    EXPECT_TRUE(line.find("Vrel") < line.find("変更を保存しますか？") && line.ends_with("？")) << line;
  EXPECT_EQ(lines, std::size(kButtonSets));
}
}  // namespace
}  // namespace vrel

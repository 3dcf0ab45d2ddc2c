// The tool window `Form1` as data: its controls with their state, the small handlers that keep
// the settings in step with them, and the command buttons, whose handlers are registered by name.
//
// Two ways in:
// - properties set from code (SetText, SetChecked, SetItemIndex, SetPosition, SetEnabled), which
//   ignore enabled/read-only and raise what the real control raises when its property is set
//   (a check box its click handler when it changes, a radio button its group's handler only when
//   it was not checked, a radio group its handler when the selection changes);
// - user actions (Click, TypeText, ClickUpDown, SelectItem, KeyPress), which a disabled, hidden or
//   read-only control refuses (the result is false), and which run the handler the real control
//   would raise. An error escaping such a handler is shown in the default error box (caption "■",
//   the text with a full stop added) and the window stays usable.
// An unknown control name, or an action the control's kind has not, is std::invalid_argument.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/controls.h"
#include "app/program_state.h"
#include "app/settings.h"
#include "commands/context.h"

namespace trivane::app {

class TTargetCADForm;

enum class UpDownButton { Up, Down };

// "1", "10", "100", "1000": the integer 10^exponent as text, for the scale and the multiplier.
std::string PowerOfTenText(int exponent);

class TForm1 final : public commands::ToolWindow {
 public:
  // A command button's handler; `sender` is the name of the button clicked ("Button12"...).
  using CommandHandler = std::function<void(commands::CommandContext&, std::string_view sender)>;
  // Shows the target-CAD dialog modally and returns when it is closed (provided by a view).
  using ModalRunner = std::function<void(TTargetCADForm&)>;
  // Told the name of every control whose state changed ("Form1" for the window itself).
  using ChangeObserver = std::function<void(std::string_view control)>;

  // The window: client area 185 × 266, a dialog border (not resizable), system menu and minimise
  // box only, always on top of other windows, font kWindowFontName (controls.h).
  static constexpr int kClientWidth = 185;
  static constexpr int kClientHeight = 266;
  // The window's outer size: the client area with a dialog frame of 3 pixels on each side and a
  // caption bar of 23 pixels.
  static constexpr int kWidth = kClientWidth + 6;
  static constexpr int kHeight = kClientHeight + 29;
  static constexpr int kDefaultLeft = 589;
  static constexpr int kDefaultTop = 336;

  // The window with every control in its design-time state; FormCreate has not run.
  TForm1(ProgramState& state, SettingsStore& settings, ScreenSize screen);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  ProgramState& State() { return state_; }
  const ProgramState& State() const { return state_; }

  // The window.
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  int Left() const { return left_; }
  int Top() const { return top_; }
  void MoveTo(int left, int top);
  // The page shown: 0 " ﾍﾛﾝ " (TabSheet2), 1 " 設定1", 2 " 設定2", 3 " ﾂｰﾙ".
  int ActivePage() const { return ItemIndex("PageControl1"); }
  const std::string& Focused() const { return focused_; }
  void SetFocus(std::string_view control);

  // Every control in creation order (see controls.h).
  const std::vector<Control>& Controls() const { return controls_; }
  const Control& Find(std::string_view name) const;

  // Start and end of the window.
  // FormCreate: built-in defaults, LoadSettings, the scale and multiplier texts, the caption, the
  // message filter, the first page.
  void FormCreate();
  // FormDestroy: SaveSettings, then the message filter is revoked. A save error is thrown after
  // the filter has been revoked.
  void FormDestroy();

  // Properties set from code.
  void SetText(std::string_view control, std::string_view text);
  void SetChecked(std::string_view control, bool checked);
  void SetItemIndex(std::string_view control, int index);

  // commands::ToolWindow
  std::string Text(std::string_view control) const override;
  int Position(std::string_view upDown) const override;
  void SetPosition(std::string_view upDown, int position) override;
  bool Checked(std::string_view control) const override;
  int ItemIndex(std::string_view control) const override;
  // Controls that are never enabled (Button14, Edit21, Edit22, Button7, CheckBox1, CheckBox4...)
  // refuse to be enabled with std::logic_error.
  void SetEnabled(std::string_view control, bool enabled) override;
  bool Enabled(std::string_view control) const;
  bool Visible(std::string_view control) const;

  // User actions.
  // A button or flat button runs its handler; a check box toggles; a radio button is checked; a
  // page is shown.
  bool Click(std::string_view control);
  // The user types a whole new text into an edit (what follows a line break is dropped).
  bool TypeText(std::string_view edit, std::string_view text);
  bool ClickUpDown(std::string_view upDown, UpDownButton button);
  bool SelectItem(std::string_view radioGroup, int index);
  // A character typed in a control; true when its key handler swallowed it.
  bool KeyPress(std::string_view control, char key);

  // The handler names command buttons raise: Button10Click (Button12, Button10, Button6),
  // Button13Click, Button8Click, Button1Click, Button9Click, Button4Click, Button3Click,
  // Button2Click, Button5Click, Button11Click, Button15Click (Button15, Button16).
  static const std::vector<std::string_view>& CommandHandlerNames();
  // Sets (or, with an empty function, removes) the handler of that name; a name that no button
  // raises is std::invalid_argument. A button whose handler is not registered does nothing.
  void RegisterCommand(std::string_view handlerName, CommandHandler handler);

  void SetTargetCadForm(TTargetCADForm* dialog) { dialog_ = dialog; }
  void SetModalRunner(ModalRunner runner) { modalRunner_ = std::move(runner); }
  void SetObserver(ChangeObserver observer) { observer_ = std::move(observer); }

  // The handlers of the settings controls.
  void RadioGroup1Click();
  void UpDown2Click();
  void UpDown6Click();
  void UpDown1Click();
  void RadioButton1Click();
  void RadioButton4Click();
  void RadioButton7Click();
  void CheckBox3Click();
  void UpDown3Click();
  void UpDown5Click();
  // Shows the target-CAD dialog: it rereads its list and selects the current target, then the
  // modal runner (if any) runs it. Without a runner the dialog stays shown for its driver.
  void SpeedButton4Click();
  // Enter moves the focus Edit1 -> Edit2 -> Button1 and is swallowed; other keys pass.
  bool Edit1KeyPress(char key);
  bool Edit2KeyPress(char key);

 private:
  Control& Get(std::string_view name);
  const Control& Get(std::string_view name) const;
  Control& GetKind(std::string_view name, std::initializer_list<ControlKind> kinds);
  const Control& GetKind(std::string_view name, std::initializer_list<ControlKind> kinds) const;
  bool Usable(const Control& c) const { return c.enabled && c.visible; }
  void Notify(std::string_view name);
  void SetPositionOf(Control& upDown, int position);
  void Raise(std::string_view handler, std::string_view sender);
  void RaiseGuarded(std::string_view handler, std::string_view sender);
  int CheckedIndex(std::initializer_list<std::string_view> buttons) const;
  void RevokeMessageFilter();

  ProgramState& state_;
  SettingsStore& settings_;
  ScreenSize screen_;
  std::string caption_;
  int left_ = kDefaultLeft;
  int top_ = kDefaultTop;
  std::string focused_;
  std::vector<Control> controls_;
  std::map<std::string, std::size_t, std::less<>> index_;
  std::map<std::string, CommandHandler, std::less<>> commands_;
  TTargetCADForm* dialog_ = nullptr;
  ModalRunner modalRunner_;
  ChangeObserver observer_;
};

}  // namespace trivane::app

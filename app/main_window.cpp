#include "app/main_window.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <stdexcept>

#include "app/support.h"
#include "app/target_cad_form.h"
#include "cad/connection.h"

namespace trivane::app {

namespace {

using K = ControlKind;

const std::map<std::string_view, void (TForm1::*)()>& ClickHandlers() {
  static const std::map<std::string_view, void (TForm1::*)()> handlers = {
      {"RadioGroup1Click", &TForm1::RadioGroup1Click},
      {"UpDown2Click", &TForm1::UpDown2Click},
      {"UpDown6Click", &TForm1::UpDown6Click},
      {"UpDown1Click", &TForm1::UpDown1Click},
      {"RadioButton1Click", &TForm1::RadioButton1Click},
      {"RadioButton4Click", &TForm1::RadioButton4Click},
      {"RadioButton7Click", &TForm1::RadioButton7Click},
      {"CheckBox3Click", &TForm1::CheckBox3Click},
      {"UpDown3Click", &TForm1::UpDown3Click},
      {"UpDown5Click", &TForm1::UpDown5Click},
      {"SpeedButton4Click", &TForm1::SpeedButton4Click},
  };
  return handlers;
}

const std::map<std::string_view, bool (TForm1::*)(char)>& KeyHandlers() {
  static const std::map<std::string_view, bool (TForm1::*)(char)> handlers = {
      {"Edit1KeyPress", &TForm1::Edit1KeyPress},
      {"Edit2KeyPress", &TForm1::Edit2KeyPress},
  };
  return handlers;
}

std::string Quoted(std::string_view name) {
  return "\"" + std::string(name) + "\"";
}

// An up-down's position as its associated edit shows it.
std::string PositionText(int position, bool thousands) {
  std::string digits = std::to_string(position < 0 ? -static_cast<long long>(position) : position);
  if (thousands) {
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
      digits.insert(static_cast<std::size_t>(i), ",");
  }
  return position < 0 ? "-" + digits : digits;
}

// The number an associated edit holds, as the up-down reads it back: a decimal integer, possibly
// with thousands separators; nothing when the text is not one.
std::optional<int> PositionFromText(std::string_view text) {
  std::string digits;
  for (char ch : text) {
    if (ch != ',')
      digits += ch;
  }
  int value = 0;
  const char* end = digits.data() + digits.size();
  auto [ptr, ec] = std::from_chars(digits.data(), end, value);
  if (digits.empty() || ec != std::errc() || ptr != end)
    return std::nullopt;
  return value;
}

}  // namespace

std::string PowerOfTenText(int exponent) {
  long long value = 1;
  for (int i = 0; i < exponent; ++i)
    value *= 10;
  return std::to_string(value);
}

TForm1::TForm1(ProgramState& state, SettingsStore& settings, ScreenSize screen)
    : state_(state),
      settings_(settings),
      screen_(screen),
      caption_(kApplicationTitle),
      controls_(MainWindowControls()) {
  for (std::size_t i = 0; i < controls_.size(); ++i)
    index_.emplace(controls_[i].name, i);
}

// ---------------------------------------------------------------------------------------------
// Lookup and notification

Control& TForm1::Get(std::string_view name) {
  auto it = index_.find(name);
  if (it == index_.end())
    throw std::invalid_argument("no control named " + Quoted(name));
  return controls_[it->second];
}

const Control& TForm1::Get(std::string_view name) const {
  return const_cast<TForm1*>(this)->Get(name);
}

Control& TForm1::GetKind(std::string_view name, std::initializer_list<ControlKind> kinds) {
  Control& c = Get(name);
  if (std::find(kinds.begin(), kinds.end(), c.kind) == kinds.end())
    throw std::invalid_argument("control " + Quoted(name) + " cannot do this");
  return c;
}

const Control& TForm1::GetKind(std::string_view name,
                               std::initializer_list<ControlKind> kinds) const {
  return const_cast<TForm1*>(this)->GetKind(name, kinds);
}

const Control& TForm1::Find(std::string_view name) const {
  return Get(name);
}

void TForm1::Notify(std::string_view name) {
  if (observer_)
    observer_(name);
}

// ---------------------------------------------------------------------------------------------
// The window

void TForm1::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Notify("Form1");
}

void TForm1::MoveTo(int left, int top) {
  left_ = left;
  top_ = top;
  Notify("Form1");
}

void TForm1::SetFocus(std::string_view control) {
  focused_ = Get(control).name;
  Notify("Form1");
}

// ---------------------------------------------------------------------------------------------
// Start and end

void TForm1::FormCreate() {
  state_.link.ProgId = kDefaultProgId;
  state_.link.CadName = kDefaultCadName;
  state_.numbers = commands::NumberSettings{};  // Keta 2, 4, 2; Nagasa, Menseki, Goukei 1

  LoadSettings(*this, settings_, screen_);

  SetText("Edit8", PowerOfTenText(Position("UpDown3")));
  SetText("Edit17", PowerOfTenText(Position("UpDown5")));
  SetCaption(MainWindowCaption(state_.link.CadName));

  state_.messageFilter = std::make_shared<cad::TMessageFilter>(state_.platform());
  state_.messageFilter->RegisterFilter();

  SetItemIndex("PageControl1", 0);
}

void TForm1::RevokeMessageFilter() {
  if (state_.messageFilter) {
    state_.messageFilter->RevokeFilter();
    state_.messageFilter.reset();
  }
}

void TForm1::FormDestroy() {
  // The filter is revoked also when the settings cannot be written: our filter must not stay
  // registered for a window that is gone.
  try {
    SaveSettings(*this, settings_);
  } catch (...) {
    RevokeMessageFilter();
    throw;
  }
  RevokeMessageFilter();
}

// ---------------------------------------------------------------------------------------------
// Properties set from code

void TForm1::SetText(std::string_view control, std::string_view text) {
  Control& c = Get(control);
  c.text = std::string(text);
  Notify(c.name);
  // An up-down reads its position back from its associated edit.
  for (Control& upDown : controls_) {
    if (upDown.kind == K::UpDown && upDown.associate == c.name) {
      if (std::optional<int> value = PositionFromText(c.text)) {
        upDown.position = std::clamp(*value, upDown.min, upDown.max);
        Notify(upDown.name);
      }
    }
  }
}

void TForm1::SetChecked(std::string_view control, bool checked) {
  Control& c = GetKind(control, {K::CheckBox, K::RadioButton});
  if (c.kind == K::CheckBox) {
    if (c.checked == checked)
      return;
    c.checked = checked;
    Notify(c.name);
    if (!c.onClick.empty())
      Raise(c.onClick, c.name);
    return;
  }
  // Radio buttons: checking one unchecks the others of its group; only a change raises.
  if (!checked) {
    if (c.checked) {
      c.checked = false;
      Notify(c.name);
    }
    return;
  }
  if (c.checked)
    return;
  for (Control& other : controls_) {
    if (other.kind == K::RadioButton && other.parent == c.parent && other.checked) {
      other.checked = false;
      Notify(other.name);
    }
  }
  c.checked = true;
  Notify(c.name);
  if (!c.onClick.empty())
    Raise(c.onClick, c.name);
}

void TForm1::SetItemIndex(std::string_view control, int index) {
  Control& c = GetKind(control, {K::RadioGroup, K::PageControl});
  const int count =
      c.kind == K::RadioGroup
          ? static_cast<int>(c.items.size())
          : static_cast<int>(std::count_if(controls_.begin(), controls_.end(),
                                           [](const Control& p) { return p.kind == K::Page; }));
  if (index < -1 || index >= count)
    throw std::invalid_argument("item " + std::to_string(index) + " out of range for " +
                                Quoted(control));
  if (c.itemIndex == index)
    return;
  c.itemIndex = index;
  Notify(c.name);
  if (!c.onClick.empty())
    Raise(c.onClick, c.name);
}

// ---------------------------------------------------------------------------------------------
// commands::ToolWindow

std::string TForm1::Text(std::string_view control) const {
  return Get(control).text;
}

int TForm1::Position(std::string_view upDown) const {
  return GetKind(upDown, {K::UpDown}).position;
}

void TForm1::SetPositionOf(Control& upDown, int position) {
  upDown.position = std::clamp(position, upDown.min, upDown.max);
  Notify(upDown.name);
  if (!upDown.associate.empty()) {
    Control& edit = Get(upDown.associate);
    edit.text = PositionText(upDown.position, upDown.thousands);
    Notify(edit.name);
  }
}

void TForm1::SetPosition(std::string_view upDown, int position) {
  SetPositionOf(GetKind(upDown, {K::UpDown}), position);
}

bool TForm1::Checked(std::string_view control) const {
  return GetKind(control, {K::CheckBox, K::RadioButton}).checked;
}

int TForm1::ItemIndex(std::string_view control) const {
  return GetKind(control, {K::RadioGroup, K::PageControl, K::ListBox}).itemIndex;
}

void TForm1::SetEnabled(std::string_view control, bool enabled) {
  Control& c = Get(control);
  if (enabled && c.neverEnabled)
    throw std::logic_error("control " + Quoted(control) + " is never enabled");
  if (c.enabled == enabled)
    return;
  c.enabled = enabled;
  Notify(c.name);
}

bool TForm1::Enabled(std::string_view control) const {
  return Get(control).enabled;
}
bool TForm1::Visible(std::string_view control) const {
  return Get(control).visible;
}

// ---------------------------------------------------------------------------------------------
// Handlers raised by controls

const std::vector<std::string_view>& TForm1::CommandHandlerNames() {
  static const std::vector<std::string_view> names = {
      "Button10Click", "Button13Click", "Button8Click",  "Button1Click",
      "Button9Click",  "Button4Click",  "Button3Click",  "Button2Click",
      "Button5Click",  "Button11Click", "Button15Click",
  };
  return names;
}

void TForm1::RegisterCommand(std::string_view handlerName, CommandHandler handler) {
  const auto& names = CommandHandlerNames();
  if (std::find(names.begin(), names.end(), handlerName) == names.end())
    throw std::invalid_argument("no button raises " + Quoted(handlerName));
  if (handler)
    commands_[std::string(handlerName)] = std::move(handler);
  else
    commands_.erase(std::string(handlerName));
}

void TForm1::Raise(std::string_view handler, std::string_view sender) {
  if (auto it = ClickHandlers().find(handler); it != ClickHandlers().end()) {
    (this->*(it->second))();
    return;
  }
  if (auto it = commands_.find(handler); it != commands_.end()) {
    // Copied: the handler may re-register itself while it runs.
    CommandHandler command = it->second;
    commands::CommandContext context = state_.Context(*this);
    try {
      command(context, sender);
    } catch (const cad::AutomationError& e) {
      // A CAD that died or refused the call mid-command: one message, and the window goes on.
      const cad::CadFault fault = cad::CadFaultOf(e.code());
      if (fault == cad::CadFault::None)
        throw;
      cad::EndCommandOnCadFault(state_.link, fault);
    }
  }
}

void TForm1::RaiseGuarded(std::string_view handler, std::string_view sender) {
  RunGuarded(state_.platform(), [&] { Raise(handler, sender); });
}

// ---------------------------------------------------------------------------------------------
// User actions

bool TForm1::Click(std::string_view control) {
  Control& c = GetKind(control, {K::Button, K::SpeedButton, K::CheckBox, K::RadioButton, K::Page});
  if (!Usable(c))
    return false;
  const std::string name = c.name;
  switch (c.kind) {
    case K::Page: {
      int page = 0;
      for (const Control& p : controls_) {
        if (p.kind != K::Page)
          continue;
        if (p.name == name)
          break;
        ++page;
      }
      RunGuarded(state_.platform(), [&] { SetItemIndex("PageControl1", page); });
      return true;
    }
    case K::CheckBox:
      SetFocus(name);
      RunGuarded(state_.platform(), [&] { SetChecked(name, !Get(name).checked); });
      return true;
    case K::RadioButton:
      SetFocus(name);
      RunGuarded(state_.platform(), [&] { SetChecked(name, true); });
      return true;
    case K::Button:
      SetFocus(name);
      break;
    default:
      break;  // flat buttons never take the focus
  }
  if (c.onClick.empty())
    return true;
  const std::string handler = c.onClick;
  RaiseGuarded(handler, name);
  return true;
}

bool TForm1::TypeText(std::string_view edit, std::string_view text) {
  Control& c = GetKind(edit, {K::Edit});
  if (!Usable(c) || c.readOnly)
    return false;
  SetFocus(c.name);
  SetText(c.name, SingleLineText(text));
  return true;
}

bool TForm1::ClickUpDown(std::string_view upDown, UpDownButton button) {
  Control& c = GetKind(upDown, {K::UpDown});
  if (!Usable(c))
    return false;
  // The up-down counts on from what its edit shows (SetText keeps the two in step).
  SetPositionOf(c, c.position + (button == UpDownButton::Up ? 1 : -1));
  if (!c.onClick.empty()) {
    const std::string handler = c.onClick;
    const std::string name = c.name;
    RaiseGuarded(handler, name);
  }
  return true;
}

bool TForm1::SelectItem(std::string_view radioGroup, int index) {
  Control& c = GetKind(radioGroup, {K::RadioGroup});
  if (!Usable(c))
    return false;
  if (index < 0 || index >= static_cast<int>(c.items.size()))
    throw std::invalid_argument("item " + std::to_string(index) + " out of range for " +
                                Quoted(radioGroup));
  const std::string name = c.name;
  SetFocus(name);
  RunGuarded(state_.platform(), [&] { SetItemIndex(name, index); });
  return true;
}

bool TForm1::KeyPress(std::string_view control, char key) {
  Control& c = Get(control);
  if (!Usable(c) || c.onKeyPress.empty())
    return false;
  auto it = KeyHandlers().find(c.onKeyPress);
  if (it == KeyHandlers().end())
    return false;
  bool swallowed = false;
  RunGuarded(state_.platform(), [&] { swallowed = (this->*(it->second))(key); });
  return swallowed;
}

// ---------------------------------------------------------------------------------------------
// The handlers of the settings controls

void TForm1::RadioGroup1Click() {
  const bool heron = ItemIndex("RadioGroup1") == 0;
  SetText("TabSheet2", heron ? " ﾍﾛﾝ" : " 三斜");
  SetEnabled("Label19", !heron);
  SetEnabled("Edit20", !heron);
  SetEnabled("Label10", heron);
  SetEnabled("Edit11", heron);
}

void TForm1::UpDown2Click() {
  state_.numbers.Keta1 = Position("UpDown2");
}
void TForm1::UpDown6Click() {
  state_.numbers.Keta2 = Position("UpDown6");
}
void TForm1::UpDown1Click() {
  state_.numbers.Keta3 = Position("UpDown1");
}

int TForm1::CheckedIndex(std::initializer_list<std::string_view> buttons) const {
  int i = 0;
  for (std::string_view b : buttons) {
    if (Checked(b))
      return i;
    ++i;
  }
  return -1;
}

// The rounding mode is the index of the checked button: 0 切捨, 1 四捨, 2 切上.
void TForm1::RadioButton1Click() {
  if (int mode = CheckedIndex({"RadioButton1", "RadioButton2", "RadioButton3"}); mode >= 0)
    state_.numbers.Nagasa = static_cast<RoundingMode>(mode);
}

void TForm1::RadioButton4Click() {
  if (int mode = CheckedIndex({"RadioButton4", "RadioButton5", "RadioButton6"}); mode >= 0)
    state_.numbers.Menseki = static_cast<RoundingMode>(mode);
}

void TForm1::RadioButton7Click() {
  if (int mode = CheckedIndex({"RadioButton7", "RadioButton8", "RadioButton9"}); mode >= 0)
    state_.numbers.Goukei = static_cast<RoundingMode>(mode);
}

void TForm1::CheckBox3Click() {
  SetEnabled("Edit14", Checked("CheckBox3"));
}

void TForm1::UpDown3Click() {
  SetText("Edit8", PowerOfTenText(Position("UpDown3")));
}
void TForm1::UpDown5Click() {
  SetText("Edit17", PowerOfTenText(Position("UpDown5")));
}

void TForm1::SpeedButton4Click() {
  if (dialog_ == nullptr)
    return;
  dialog_->Show();
  if (modalRunner_)
    modalRunner_(*dialog_);
}

bool TForm1::Edit1KeyPress(char key) {
  if (key != '\r')
    return false;
  SetFocus("Edit2");
  return true;
}

bool TForm1::Edit2KeyPress(char key) {
  if (key != '\r')
    return false;
  SetFocus("Button1");
  return true;
}

}  // namespace trivane::app

#include "app/target_cad_form.h"

#include <algorithm>
#include <stdexcept>

#include "app/support.h"

namespace trivane::app {

namespace {

std::string EntryLine(const std::string& name, const std::string& progId) {
  return name + '\t' + progId;
}

}  // namespace

std::pair<std::string, std::string> SplitTargetCadLine(std::string_view line) {
  const std::size_t tab = line.find('\t');
  if (tab == std::string_view::npos)
    return {std::string(), std::string(line)};
  return {std::string(line.substr(0, tab)), std::string(line.substr(tab + 1))};
}

std::vector<std::string> ParseTargetCadList(std::string_view bytes) {
  // Every mark at the start: a second one, kept in the first name, would be taken for the mark
  // once the list is written back, and the list would change with each save.
  while (bytes.starts_with(kByteOrderMark))
    bytes.remove_prefix(kByteOrderMark.size());
  return SplitLines(bytes);
}

std::string TargetCadListBytes(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

TTargetCADForm::TTargetCADForm(cad::CadLink& link, std::filesystem::path listFile,
                               CaptionSetter setMainCaption)
    : link_(link), listFile_(std::move(listFile)), setMainCaption_(std::move(setMainCaption)) {}

void TTargetCADForm::Changed() {
  if (observer_)
    observer_();
}

void TTargetCADForm::Select(int index) {
  itemIndex_ = index;
  if (index >= 0) {
    auto [name, progId] = SplitTargetCadLine(items_[static_cast<std::size_t>(index)]);
    edit1_ = std::move(name);
    edit2_ = std::move(progId);
  }
}

int TTargetCADForm::Insert(std::string line) {
  auto at = std::lower_bound(items_.begin(), items_.end(), line);
  at = items_.insert(at, std::move(line));
  return static_cast<int>(at - items_.begin());
}

void TTargetCADForm::WriteList() const {
  const std::string text = TargetCadListBytes(items_);
  WriteFileAtomically(listFile_, encoding_.encode ? encoding_.encode(text) : text);
}

void TTargetCADForm::Show() {
  visible_ = true;
  result_ = ModalResult::None;
  if (std::optional<std::string> bytes = ReadFileBytes(listFile_)) {
    items_ = ParseTargetCadList(encoding_.decode ? encoding_.decode(*bytes) : *bytes);
    std::sort(items_.begin(), items_.end());
    itemIndex_ = -1;
    const std::string wanted = '\t' + link_.ProgId;
    for (std::size_t i = 0; i < items_.size(); ++i) {
      if (items_[i].find(wanted) != std::string::npos) {
        Select(static_cast<int>(i));
        break;
      }
    }
  }
  Changed();
}

void TTargetCADForm::ListBox1Click(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size()))
    throw std::invalid_argument("no list entry " + std::to_string(index));
  Select(index);
  Changed();
}

void TTargetCADForm::SetEdit1Text(std::string_view text) {
  edit1_ = SingleLineText(text);
  Changed();
}

void TTargetCADForm::SetEdit2Text(std::string_view text) {
  edit2_ = SingleLineText(text);
  Changed();
}

void TTargetCADForm::SpeedButton1Click() {
  RunGuarded(*link_.platform, [&] {
    Select(Insert(EntryLine(edit1_, edit2_)));
    Changed();
    WriteList();
  });
}

void TTargetCADForm::SpeedButton2Click() {
  if (itemIndex_ < 0)
    return;
  RunGuarded(*link_.platform, [&] {
    const int removed = itemIndex_;
    items_.erase(items_.begin() + removed);
    edit1_.clear();
    edit2_.clear();
    if (removed < static_cast<int>(items_.size()))
      Select(removed);
    else
      Select(removed - 1);  // -1 when the list is now empty
    Changed();
    WriteList();
  });
}

void TTargetCADForm::SpeedButton3Click() {
  if (itemIndex_ < 0)
    return;
  RunGuarded(*link_.platform, [&] {
    items_.erase(items_.begin() + itemIndex_);
    itemIndex_ = Insert(EntryLine(edit1_, edit2_));
    Changed();
    WriteList();
  });
}

bool TTargetCADForm::Edit1KeyPress(char key) {
  if (key != '\r')
    return false;
  SpeedButton3Click();
  return true;
}

void TTargetCADForm::Button1Click() {
  RunGuarded(*link_.platform, [&] {
    if (setMainCaption_)
      setMainCaption_(MainWindowCaption(edit1_));
    link_.ProgId = edit2_;
    link_.CadName = edit1_;
  });
  visible_ = false;
  result_ = ModalResult::Ok;
  Changed();
}

void TTargetCADForm::Button2Click() {
  visible_ = false;
  result_ = ModalResult::Cancel;
  Changed();
}

}  // namespace trivane::app

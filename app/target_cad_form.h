// The target-CAD dialog `TargetCADForm` as data: the list of known CADs from
// "TargetCAD_APIVersion.txt" beside the program, the two edits, and OK / cancel, which set or keep
// the target (ProgId, CadName and the main window's caption).
//
// The list file: one entry per line, the display name, a TAB, the ProgID. Read with CR LF, LF or
// CR line ends (a UTF-8 byte-order mark is skipped); written whole, in list order, with CR LF after
// every line, replacing the file in one step. Texts are kept as bytes (UTF-8 here; the Windows
// build converts from and to the system code page). The list is sorted by the whole line in
// plain byte order, so by name first; duplicates are kept.
//
// The user actions (ListBox1Click, the edits, SpeedButton1..3Click, Edit1KeyPress, Button1Click,
// Button2Click) show an error that escapes them (a list file that cannot be written: "<path> に
// 書き込めません") in the default error box; the list keeps the change, the file its old contents.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cad/link.h"

namespace trivane::app {

enum class ModalResult { None, Ok, Cancel };

// A list line split at its first TAB: the display name and the ProgID. A line without a TAB has
// an empty name and the whole line as ProgID.
std::pair<std::string, std::string> SplitTargetCadLine(std::string_view line);
// The lines of the list file's bytes, every byte-order mark at its start skipped.
std::vector<std::string> ParseTargetCadList(std::string_view bytes);
// The list file's bytes for these lines.
std::string TargetCadListBytes(const std::vector<std::string>& lines);

class TTargetCADForm {
 public:
  static constexpr std::string_view kCaption = "ターゲット CAD";
  static constexpr int kClientWidth = 315;
  static constexpr int kClientHeight = 307;

  using CaptionSetter = std::function<void(std::string caption)>;
  using ChangeObserver = std::function<void()>;

  // `setMainCaption` sets the main window's caption; the dialog starts hidden and empty.
  TTargetCADForm(cad::CadLink& link, std::filesystem::path listFile, CaptionSetter setMainCaption);
  TTargetCADForm(const TTargetCADForm&) = delete;
  TTargetCADForm& operator=(const TTargetCADForm&) = delete;

  const std::filesystem::path& ListFile() const { return listFile_; }
  const std::vector<std::string>& Items() const { return items_; }
  int ItemIndex() const { return itemIndex_; }  // -1: nothing selected
  const std::string& Edit1Text() const { return edit1_; }
  const std::string& Edit2Text() const { return edit2_; }
  bool Visible() const { return visible_; }
  ModalResult Result() const { return result_; }
  void SetObserver(ChangeObserver observer) { observer_ = std::move(observer); }

  // How the list file's bytes become the UTF-8 text the list holds, and back; the Windows build
  // sets its system code page here. Unset, the file is UTF-8 (a byte-order mark is skipped).
  struct ListFileEncoding {
    std::function<std::string(std::string_view bytes)> decode;
    std::function<std::string(std::string_view utf8)> encode;
  };
  void SetListFileEncoding(ListFileEncoding encoding) { encoding_ = std::move(encoding); }

  // Shows the dialog. When the list file exists, the list becomes its lines, sorted, and the first
  // entry holding a TAB followed by the current ProgId is selected and fills the edits; with no
  // such entry nothing is selected and the edits keep their texts. When the file does not exist
  // (or cannot be read), the list, the selection and the edits stay as they were.
  void Show();

  // The user selects an entry (-1: none); a selection fills the edits from it.
  void ListBox1Click(int index);
  // The user types a whole new text (what follows a line break is dropped).
  void SetEdit1Text(std::string_view text);
  void SetEdit2Text(std::string_view text);
  // "追加": adds Edit1 TAB Edit2 at its sorted place, selects the first entry equal to it, fills
  // the edits from it and writes the file.
  void SpeedButton1Click();
  // "削除": removes the selected entry and empties the edits; selects the entry now at its place,
  // else the one before it, else nothing; fills the edits from the selection; writes the file.
  // Nothing happens when no entry is selected.
  void SpeedButton2Click();
  // "変更": replaces the selected entry by Edit1 TAB Edit2, which moves to its sorted place and
  // stays selected; writes the file. Nothing happens when no entry is selected.
  void SpeedButton3Click();
  // A key typed in Edit1 or Edit2: Enter is swallowed and runs "変更" (it never adds).
  bool Edit1KeyPress(char key);
  // "OK": the main window's caption becomes "■ [ Edit1 ]", ProgId Edit2 and CadName Edit1; closes.
  void Button1Click();
  // "取り消し": closes without touching the target; changes already written to the file stay.
  void Button2Click();

 private:
  void Changed();
  void Select(int index);
  int Insert(std::string line);
  void WriteList() const;

  cad::CadLink& link_;
  std::filesystem::path listFile_;
  CaptionSetter setMainCaption_;
  ChangeObserver observer_;
  ListFileEncoding encoding_;
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  std::string edit1_;
  std::string edit2_;
  bool visible_ = false;
  ModalResult result_ = ModalResult::None;
};

}  // namespace trivane::app

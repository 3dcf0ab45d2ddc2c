// The target-CAD dialog on screen, opened with the tool window's "CAD" button and run modally:
// its controls, choosing an entry, adding one (the list file in the system code page), Enter in
// its edits, and the ways to cancel.
#include <gtest/gtest.h>

#include "cad/com/win.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/list_file_encoding.h"
#include "app/win32/target_cad_dialog_view.h"
#include "app/win32/wide_text.h"
#include "tests/win32/window_fixture.h"

namespace trivane::app::win32::testing {
namespace {

// What runs inside the dialog's modal loop: a timer started before the dialog opens.
thread_local std::function<void()> insideTheDialog;

void CALLBACK RunInsideTheDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  std::function<void()> script = std::move(insideTheDialog);
  insideTheDialog = nullptr;
  if (script)
    script();
}

class DialogTest : public WindowTest {
 protected:
  DialogTest() {
    app_->TargetCadForm().SetListFileEncoding(SystemCodePageListEncoding());
    dialog_ = std::make_unique<TargetCadDialogView>(instance_, app_->TargetCadForm(), platform_,
                                                    Window());
    Form().SetModalRunner([this](TTargetCADForm&) { dialog_->RunModal(); });
  }
  ~DialogTest() override {
    Form().SetModalRunner({});
    dialog_.reset();
  }

  // The list file in the system code page.
  void WriteList(const std::string& utf8) {
    app::testing::WriteBytes(ListPath(), ListFileBytes(utf8));
  }
  std::filesystem::path ListPath() const { return folder_ / "TargetCAD_APIVersion.txt"; }

  // Clicks "CAD" and runs `script` once the dialog is up; the script (or what it leaves in the
  // queue) closes the dialog. The click returns when the dialog has closed.
  void WithDialog(std::function<void()> script) {
    insideTheDialog = std::move(script);
    SetTimer(nullptr, 0, 10, RunInsideTheDialog);
    ClickButton(Native("SpeedButton4"));
    insideTheDialog = nullptr;
  }

  HWND Dialog() const { return dialog_->Window(); }
  HWND Part(std::string_view name) const {
    HWND h = dialog_->ControlWindow(name);
    EXPECT_NE(h, nullptr) << name;
    return h;
  }
  std::vector<std::string> ListItems() const {
    HWND list = Part("ListBox1");
    std::vector<std::string> items;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      items.push_back(Narrow(text));
    }
    return items;
  }
  void ClickItem(int index) {
    RECT item{};
    SendMessageW(Part("ListBox1"), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
    ClickAt(Part("ListBox1"), {item.left + 4, (item.top + item.bottom) / 2});
  }
  void SetText(HWND edit, const std::string& text) {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  }

  std::unique_ptr<TargetCadDialogView> dialog_;
};

const std::string kThreeCads =
    "ZWCAD 2024\tZWCAD.Application.24\r\n"
    "ZWCAD\tZWCAD.Application\r\n"
    "BricsCAD\tBricscadApp.AcadApplication\r\n";

TEST_F(DialogTest, OpensOverTheWindowWithTheListAndTheCurrentTarget) {
  WriteList(kThreeCads);
  bool ran = false;
  WithDialog([&] {
    ran = true;
    EXPECT_TRUE(IsWindowVisible(Dialog()));
    EXPECT_FALSE(IsWindowEnabled(Window()));  // modal over the tool window
    EXPECT_EQ(GetWindow(Dialog(), GW_OWNER), Window());
    EXPECT_EQ(WindowText(Dialog()), "ターゲット CAD");
    RECT client;
    GetClientRect(Dialog(), &client);
    EXPECT_EQ(client.right, 315);
    EXPECT_EQ(client.bottom, 307);
    RECT frame;
    GetWindowRect(Dialog(), &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    // Sorted by the whole line (TAB before blank), the current target selected.
    const std::vector<std::string> expected = {"BricsCAD\tBricscadApp.AcadApplication",
                                               "ZWCAD\tZWCAD.Application",
                                               "ZWCAD 2024\tZWCAD.Application.24"};
    EXPECT_EQ(ListItems(), expected);
    EXPECT_EQ(SendMessageW(Part("ListBox1"), LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(WindowText(Part("Edit1")), "ZWCAD");
    EXPECT_EQ(WindowText(Part("Edit2")), "ZWCAD.Application");
    for (const auto& [name, text] :
         {std::pair{"Label1", "名称 （説明）"}, std::pair{"Label2", "ProgID （クラス文字列）"},
          std::pair{"SpeedButton1", "追加"}, std::pair{"SpeedButton2", "削除"},
          std::pair{"SpeedButton3", "変更"}, std::pair{"Button1", "OK"},
          std::pair{"Button2", "取り消し"}})
      EXPECT_EQ(WindowText(Part(name)), text) << name;
    for (const auto& [name, height] : {std::pair{"ListBox1", 13}, std::pair{"Edit1", 13},
                                       std::pair{"Label1", 12}, std::pair{"Button1", 11}}) {
      LOGFONTW font{};
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Part(name), WM_GETFONT, 0, 0)), sizeof font,
                 &font);
      EXPECT_STREQ(font.lfFaceName, L"Tahoma") << name;
      EXPECT_EQ(font.lfHeight, -height) << name;
    }
    if (const std::filesystem::path folder = PictureFolder(); !folder.empty()) {
      Pump();
      Sleep(300);
      Pump();
      EXPECT_TRUE(SaveWindowPicture(Dialog(), folder / "target-cad-dialog.bmp"));
    }
    ClickButton(Part("Button2"));  // 取り消し
  });
  EXPECT_TRUE(ran);
  EXPECT_FALSE(IsWindowVisible(Dialog()));
  EXPECT_TRUE(IsWindowEnabled(Window()));
}

TEST_F(DialogTest, ChoosingAnEntryAndOkSetsTheTarget) {
  WriteList(kThreeCads);
  WithDialog([&] {
    ClickItem(0);
    EXPECT_EQ(WindowText(Part("Edit1")), "BricsCAD");
    EXPECT_EQ(WindowText(Part("Edit2")), "BricscadApp.AcadApplication");
    ClickButton(Part("Button1"));  // OK
  });
  EXPECT_EQ(app_->State().link.ProgId, "BricscadApp.AcadApplication");
  EXPECT_EQ(app_->State().link.CadName, "BricsCAD");
  EXPECT_EQ(WindowText(Window()), "■ [ BricsCAD ]");
  EXPECT_TRUE(IsWindowEnabled(Window()));
}

TEST_F(DialogTest, AddingAnEntryWritesTheListInTheSystemCodePage) {
  WriteList(kThreeCads);
  const std::string name = GetACP() == 932 ? "図研 ﾍﾛﾝ" : "Ölmühle CAD";  // sorts last
  WithDialog([&] {
    SetText(Part("Edit1"), name);
    SetText(Part("Edit2"), "Zuken.Application");
    ClickButton(Part("SpeedButton1"));  // 追加
    EXPECT_EQ(ListItems().size(), 4u);
    EXPECT_EQ(ListItems().back(), name + "\tZuken.Application");
    EXPECT_EQ(SendMessageW(Part("ListBox1"), LB_GETCURSEL, 0, 0), 3);
    // Esc cancels: the target stays, the file keeps the new entry.
    PostMessageW(Part("ListBox1"), WM_KEYDOWN, VK_ESCAPE, 1);
  });
  EXPECT_FALSE(IsWindowVisible(Dialog()));
  EXPECT_EQ(app_->State().link.ProgId, "ZWCAD.Application");
  EXPECT_EQ(WindowText(Window()), "■ [ ZWCAD ]");
  EXPECT_EQ(app::testing::ReadBytes(ListPath()),
            ListFileBytes("BricsCAD\tBricscadApp.AcadApplication\r\n"
                          "ZWCAD\tZWCAD.Application\r\n"
                          "ZWCAD 2024\tZWCAD.Application.24\r\n" +
                          name + "\tZuken.Application\r\n"));
}

TEST_F(DialogTest, EnterInAnEditChangesTheSelectedEntryAndTheCloseBoxCancels) {
  WriteList(kThreeCads);
  WithDialog([&] {
    ClickItem(2);
    SetText(Part("Edit2"), "ZWCAD.Application.25");
    SendMessageW(Part("Edit2"), WM_CHAR, VK_RETURN, 1);
    EXPECT_EQ(ListItems()[2], "ZWCAD 2024\tZWCAD.Application.25");
    EXPECT_EQ(ListItems().size(), 3u);  // changed, never added
    SendMessageW(Dialog(), WM_CLOSE, 0, 0);
  });
  EXPECT_FALSE(IsWindowVisible(Dialog()));
  EXPECT_EQ(app_->State().link.ProgId, "ZWCAD.Application");
  EXPECT_NE(app::testing::ReadBytes(ListPath()).find("ZWCAD.Application.25"), std::string::npos);
}

}  // namespace
}  // namespace trivane::app::win32::testing

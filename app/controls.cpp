#include "app/controls.h"

#include <map>
#include <stdexcept>
#include <tuple>

namespace trivane::app {

namespace {

using K = ControlKind;

// Appends controls in creation order and returns the new record for its extra properties.
class Layout {
 public:
  Control& Add(K kind, std::string name, std::string parent, Bounds bounds, std::string text = {}) {
    Control c;
    c.kind = kind;
    c.name = std::move(name);
    c.parent = std::move(parent);
    c.bounds = bounds;
    c.text = std::move(text);
    controls_.push_back(std::move(c));
    return controls_.back();
  }

  Control& Button(std::string name, std::string parent, Bounds b, std::string caption,
                  std::string onClick, std::string hint = {}) {
    Control& c = Add(K::Button, std::move(name), std::move(parent), b, std::move(caption));
    c.onClick = std::move(onClick);
    c.hint = std::move(hint);
    return c;
  }

  // An edit with its up-down; the up-down shows its position in the edit.
  Control& UpDown(std::string name, std::string parent, Bounds b, std::string associate, int min,
                  int max, int position, std::string onClick) {
    Control& c = Add(K::UpDown, std::move(name), std::move(parent), b);
    c.associate = std::move(associate);
    c.min = min;
    c.max = max;
    c.position = position;
    c.onClick = std::move(onClick);
    return c;
  }

  // The rounding-mode group: decimals edit + up-down, then 切捨 / 四捨 / 切上 (四捨 checked).
  void RoundingGroup(const std::string& group, Bounds b, const std::string& caption,
                     const std::string& edit, const std::string& upDown, int decimals,
                     int firstRadio, const std::string& radioHandler,
                     const std::string& upDownHandler) {
    Add(K::GroupBox, group, "TabSheet3", b, caption);
    Add(K::Edit, edit, group, {6, 16, 28, 20}, std::to_string(decimals)).readOnly = true;
    UpDown(upDown, group, {34, 16, 16, 20}, edit, 0, 6, decimals, upDownHandler).thousands = false;
    const char* captions[] = {"切捨", "四捨", "切上"};
    for (int i = 0; i < 3; ++i) {
      Control& r = Add(K::RadioButton, "RadioButton" + std::to_string(firstRadio + i), group,
                       {6, 40 + 18 * i, b.width - 10, 17}, captions[i]);
      r.checked = i == 1;
      r.onClick = radioHandler;
    }
  }

  // A label and its edit on one row.
  Control& LabelledEdit(const std::string& label, const std::string& edit,
                        const std::string& parent, int top, int labelWidth, int editLeft,
                        int editWidth, int height, std::string caption, std::string text) {
    Add(K::Label, label, parent, {8, top + 4, labelWidth, 12}, std::move(caption));
    return Add(K::Edit, edit, parent, {editLeft, top, editWidth, height}, std::move(text));
  }

  Control& Get(std::string_view name) {
    for (Control& c : controls_) {
      if (c.name == name)
        return c;
    }
    throw std::logic_error("no control " + std::string(name));
  }

  std::vector<Control> Finish() && {
    // Every control lies on the page of its nearest Page ancestor.
    std::map<std::string, std::string, std::less<>> pageOf;
    for (Control& c : controls_) {
      if (c.kind == K::Page) {
        c.page = c.name;
      } else if (!c.parent.empty()) {
        auto it = pageOf.find(c.parent);
        if (it == pageOf.end())
          throw std::logic_error("control " + c.name + " comes before its parent " + c.parent);
        c.page = it->second;
      }
      pageOf[c.name] = c.page;
    }
    return std::move(controls_);
  }

 private:
  std::vector<Control> controls_;
};

}  // namespace

std::vector<Control> MainWindowControls() {
  Layout l;

  Control& pages = l.Add(K::PageControl, "PageControl1", "", {0, 2, 185, 263});
  pages.tabStop = false;
  pages.itemIndex = 0;
  // Tabs are one row high here; the page area below them is about 177 × 235.
  l.Add(K::Page, "TabSheet2", "PageControl1", {4, 24, 177, 235}, " ﾍﾛﾝ ");
  l.Add(K::Page, "TabSheet3", "PageControl1", {4, 24, 177, 235}, " 設定1");
  l.Add(K::Page, "TabSheet4", "PageControl1", {4, 24, 177, 235}, " 設定2");
  l.Add(K::Page, "TabSheet1", "PageControl1", {4, 24, 177, 235}, " ﾂｰﾙ");

  // Page " ﾍﾛﾝ ": the area method, the next number and the commands.
  {
    Control& g = l.Add(K::RadioGroup, "RadioGroup1", "TabSheet2", {3, 2, 57, 71}, "求積");
    g.items = {"ﾍﾛﾝ", "三斜"};
    g.itemIndex = 0;
    g.onClick = "RadioGroup1Click";
    l.Add(K::Image, "Image3", "TabSheet2", {88, 3, 31, 26});
    Control& cad = l.Add(K::SpeedButton, "SpeedButton4", "TabSheet2", {125, 3, 42, 22}, "CAD");
    cad.onClick = "SpeedButton4Click";

    l.Add(K::GroupBox, "GroupBox6", "TabSheet2", {64, 28, 110, 45}, "No.");
    Control& number = l.Add(K::Edit, "Edit16", "GroupBox6", {8, 15, 44, 24}, "1");
    number.bold = true;
    number.fontHeight = 16;
    number.imeClosed = true;
    number.tabStop = false;
    // The next triangle number runs on past 1000: a field stopping there would hand out the same
    // number again, and the area table would list two triangles under it.
    l.UpDown("UpDown4", "GroupBox6", {52, 15, 16, 24}, "Edit16", 1, kMaxTriangleNumber, 1, "")
        .thousands = false;
    l.Button("Button4", "GroupBox6", {72, 15, 32, 24}, "最大", "Button4Click",
             "図面内の番号の最大値を得る")
        .tabStop = false;

    l.Add(K::GroupBox, "GroupBox5", "TabSheet2", {2, 79, 175, 50}, "一括処理");
    l.Button("Button12", "GroupBox5", {6, 18, 52, 24}, "分割", "Button10Click",
             "閉鎖領域内を１点指示すると、三角形に自動分割");
    l.Button("Button13", "GroupBox5", {61, 18, 52, 24}, "群選択", "Button13Click",
             "分割された線分をすべて選ぶと、三角形群を取得し、長さを記入");
    l.Button("Button10", "GroupBox5", {116, 18, 52, 24}, "自動", "Button10Click",
             "閉鎖領域内を１点指示すると、自動分割後、長さ、番号を記入")
        .tabStop = false;

    l.Add(K::GroupBox, "GroupBox13", "TabSheet2", {2, 132, 175, 49}, "個別処理");
    l.Button("Button8", "GroupBox13", {6, 17, 80, 24}, "２辺指示", "Button8Click",
             "線分を２本選ぶと、他の１辺を作成し、長さを記入")
        .tabStop = false;
    l.Button("Button6", "GroupBox13", {89, 17, 80, 24}, "１点指示", "Button10Click",
             "三角形内の１点を指示すると、長さを記入")
        .tabStop = false;

    l.Add(K::GroupBox, "GroupBox14", "TabSheet2", {0, 183, 175, 49}, "求積表");
    l.Button("Button3", "GroupBox14", {6, 17, 60, 24}, "作成", "Button3Click",
             "求積表を作成する基点（左上）を指示");
    Control& all = l.Add(K::CheckBox, "CheckBox2", "GroupBox14", {74, 21, 94, 17}, "全ﾃﾞｰﾀｰ");
    all.hint = "ﾁｪｯｸを外した時は、番号を選択";
    all.checked = true;
    all.tabStop = false;
    for (int i = 1; i <= 3; ++i) {
      // Created invisible; nothing shows them and they start nothing.
      Control& s = l.Add(K::SpeedButton, "SpeedButton" + std::to_string(i), "GroupBox14",
                         {110 + 20 * (i - 1), 2, 18, 16});
      s.visible = false;
    }
  }

  // Page " 設定1": scale, decimals and rounding modes, layers.
  {
    l.Add(K::GroupBox, "GroupBox4", "TabSheet3", {2, 2, 173, 41}, "尺度");
    l.Add(K::Edit, "Edit8", "GroupBox4", {8, 14, 60, 20}, "1000").readOnly = true;
    // UpDown3 counts in the hidden Edit23; UpDown3Click writes the power of ten into Edit8.
    l.Add(K::Edit, "Edit23", "GroupBox4", {86, 14, 24, 20}, "3").visible = false;
    l.UpDown("UpDown3", "GroupBox4", {70, 14, 16, 20}, "Edit23", 0, 3, 3, "UpDown3Click")
        .buttonsLeft = true;

    l.RoundingGroup("GroupBox9", {2, 46, 57, 97}, "長さ", "Edit7", "UpDown2", 2, 1,
                    "RadioButton1Click", "UpDown2Click");
    l.RoundingGroup("GroupBox10", {62, 46, 55, 97}, "面積", "Edit18", "UpDown6", 4, 4,
                    "RadioButton4Click", "UpDown6Click");
    l.RoundingGroup("GroupBox11", {120, 46, 55, 97}, "最終", "Edit4", "UpDown1", 2, 7,
                    "RadioButton7Click", "UpDown1Click");

    l.Add(K::GroupBox, "GroupBox8", "TabSheet3", {2, 146, 173, 81}, "画層");
    l.LabelledEdit("Label12", "Edit12", "GroupBox8", 15, 54, 66, 98, 20, "文字", "H_TEXT");
    l.LabelledEdit("Label15", "Edit15", "GroupBox8", 37, 54, 66, 98, 20, "辺の線分", "H_HEN");
    l.LabelledEdit("Label18", "Edit19", "GroupBox8", 59, 54, 66, 98, 20, "高さ線分", "H_TAKASA");
  }

  // Page " 設定2": text heights, the area table's sizes, text style.
  {
    l.Add(K::GroupBox, "GroupBox2", "TabSheet4", {0, 0, 175, 81}, "辺、高さ");
    l.LabelledEdit("Label3", "Edit3", "GroupBox2", 15, 56, 70, 96, 20, "文字高", "300");
    l.LabelledEdit("Label4", "Edit5", "GroupBox2", 37, 56, 70, 96, 20, "番号字高", "400");
    l.LabelledEdit("Label5", "Edit6", "GroupBox2", 59, 56, 70, 96, 20, "番号半径", "500");

    l.Add(K::GroupBox, "GroupBox1", "TabSheet4", {0, 84, 175, 91}, "求積表");
    l.LabelledEdit("Label8", "Edit9", "GroupBox1", 14, 36, 46, 122, 18, "文字高", "400");
    l.LabelledEdit("Label9", "Edit10", "GroupBox1", 33, 36, 46, 122, 18, "行高", "800");
    l.LabelledEdit("Label10", "Edit11", "GroupBox1", 52, 36, 46, 122, 18, "幅1",
                   "1500,3000,3000,3000,4500");
    // The 三斜 widths are enabled only while RadioGroup1 selects 三斜.
    l.LabelledEdit("Label19", "Edit20", "GroupBox1", 71, 36, 46, 122, 18, "幅2",
                   "1500,3000,3000,4500")
        .enabled = false;
    l.Get("Label19").enabled = false;
    l.Add(K::GroupBox, "GroupBox15", "TabSheet4", {0, 176, 174, 57}, "作成文字");
    Control& style =
        l.Add(K::CheckBox, "CheckBox4", "GroupBox15", {8, 19, 160, 17}, "現在の文字スタイルで作成");
    style.checked = true;
    style.enabled = false;
    style.neverEnabled = true;
    // Off by default: the 60-degree split then cuts as it always has, slivers and all, and fails
    // where it stalls.
    Control& rest =
        l.Add(K::CheckBox, "CheckBox5", "GroupBox15", {8, 36, 160, 17}, "細長い三角形を避ける");
    rest.hint =
        "求積表が印字した辺の値から面積を計算しても狂いにくい三角形の組み合わせで自動分割する";
  }

  // Page " ﾂｰﾙ": text and marker tools, length writing, the base-line triangle.
  {
    l.Add(K::GroupBox, "GroupBox7", "TabSheet1", {-1, 0, 175, 71});
    // The angle field is as wide as the row allows, so that "180.0" shows whole.
    l.Button("Button2", "GroupBox7", {4, 10, 53, 24}, "文字回転", "Button2Click", "文字を回転")
        .tabStop = false;
    l.Add(K::Label, "Label13", "GroupBox7", {58, 16, 24, 12}, "角度");
    Control& angle = l.Add(K::Edit, "Edit13", "GroupBox7", {82, 12, 38, 20}, "180.0");
    angle.imeClosed = true;
    angle.tabStop = false;
    l.Button("Button5", "GroupBox7", {4, 40, 80, 24}, "番号と円移動", "Button5Click",
             "番号の文字と円を選んで移動")
        .tabStop = false;
    Control& arrow = l.Add(K::CheckBox, "CheckBox3", "GroupBox7", {88, 44, 44, 17}, "矢印");
    arrow.checked = true;
    arrow.onClick = "CheckBox3Click";
    Control& arrowSize = l.Add(K::Edit, "Edit14", "GroupBox7", {134, 42, 38, 20}, "400");
    arrowSize.imeClosed = true;
    arrowSize.tabStop = false;
    l.Button("Button11", "GroupBox7", {121, 10, 51, 24}, "長さ記入", "Button11Click",
             "線分に長さを記入")
        .tabStop = false;
    // Below the visible area of GroupBox7, disabled for good: never seen, never used.
    auto disabled = [](Control& c) {
      c.enabled = false;
      c.neverEnabled = true;
    };
    disabled(l.Add(K::Button, "Button14", "GroupBox7", {4, 86, 56, 24}, "番号更新"));
    disabled(l.Add(K::Edit, "Edit21", "GroupBox7", {64, 88, 24, 20}, "1"));
    disabled(l.Add(K::Label, "Label6", "GroupBox7", {90, 92, 14, 12}, "を"));
    disabled(l.Add(K::Edit, "Edit22", "GroupBox7", {106, 88, 24, 20}, "2"));
    disabled(l.Add(K::Label, "Label7", "GroupBox7", {132, 92, 14, 12}, "に"));

    l.Add(K::GroupBox, "GroupBox3", "TabSheet1", {-1, 72, 176, 99}, "基準線から三角形を作成");
    for (auto [label, edit, caption, text, left, handler] :
         {std::tuple{"Label1", "Edit1", "a辺", "8.0", 6, "Edit1KeyPress"},
          std::tuple{"Label2", "Edit2", "b辺", "10.0", 88, "Edit2KeyPress"}}) {
      l.Add(K::Label, label, "GroupBox3", {left, 19, 22, 13}, caption).fontHeight = 13;
      Control& e = l.Add(K::Edit, edit, "GroupBox3", {left + 22, 15, 58, 22}, text);
      e.bold = true;
      e.fontHeight = 13;
      e.imeClosed = true;
      e.onKeyPress = handler;
    }
    Control& side = l.Add(K::CheckBox, "CheckBox1", "GroupBox3", {6, 44, 80, 17}, "作成側自動");
    disabled(side);
    side.tabStop = false;
    l.Add(K::Label, "Label17", "GroupBox3", {90, 46, 10, 12}, "X");
    Control& multiplier = l.Add(K::Edit, "Edit17", "GroupBox3", {102, 42, 50, 20}, "1000");
    multiplier.imeClosed = true;
    multiplier.tabStop = false;
    // UpDown5 counts in the hidden Edit24; UpDown5Click writes the power of ten into Edit17.
    l.Add(K::Edit, "Edit24", "GroupBox3", {170, 42, 20, 20}, "3").visible = false;
    l.UpDown("UpDown5", "GroupBox3", {154, 42, 16, 20}, "Edit24", 0, 3, 3, "UpDown5Click")
        .buttonsLeft = true;
    l.Button("Button1", "GroupBox3", {6, 68, 52, 24}, "基準線", "Button1Click");
    l.Button("Button9", "GroupBox3", {61, 68, 56, 24}, "a-b反転", "Button9Click").enabled = false;
    Control& undo = l.Button("Button7", "GroupBox3", {120, 68, 50, 24}, "戻す", "");
    disabled(undo);
    undo.tabStop = false;

    // The coordinate area table beside the program's name: from a point inside a region, or
    // from a closed polyline.
    l.Add(K::GroupBox, "GroupBox12", "TabSheet1", {0, 171, 175, 64});
    l.Add(K::Image, "Image1", "GroupBox12", {6, 6, 37, 31});
    l.Button("Button15", "GroupBox12", {48, 9, 60, 24}, "座標求積", "Button15Click",
             "閉鎖領域内を１点指示すると、座標求積表を作成")
        .tabStop = false;
    l.Button("Button16", "GroupBox12", {111, 9, 60, 24}, "ﾎﾟﾘ選択", "Button15Click",
             "閉じたポリラインを選ぶと、座標求積表を作成")
        .tabStop = false;
    l.Add(K::Label, "Label11", "GroupBox12", {6, 44, 40, 12}, "Trivane");
    l.Add(K::Label, "Label16", "GroupBox12", {52, 44, 110, 12}, "Build 2024.02.21");
  }
  return std::move(l).Finish();
}

std::vector<Control> TargetCadDialogControls() {
  Layout l;
  Control& list = l.Add(K::ListBox, "ListBox1", "", {8, 8, 297, 137});
  list.fontHeight = 13;
  list.onClick = "ListBox1Click";
  l.Add(K::GroupBox, "GroupBox1", "", {8, 151, 297, 105});
  l.Add(K::Label, "Label1", "GroupBox1", {8, 14, 200, 13}, "名称 （説明）").fontHeight = 12;
  Control& name = l.Add(K::Edit, "Edit1", "GroupBox1", {8, 29, 200, 21});
  name.fontHeight = 13;
  name.imeClosed = true;
  name.onKeyPress = "Edit1KeyPress";
  l.Add(K::Label, "Label2", "GroupBox1", {8, 56, 200, 13}, "ProgID （クラス文字列）").fontHeight =
      12;
  Control& progId = l.Add(K::Edit, "Edit2", "GroupBox1", {8, 71, 200, 21});
  progId.fontHeight = 13;
  progId.imeClosed = true;
  progId.onKeyPress = "Edit1KeyPress";
  l.Add(K::SpeedButton, "SpeedButton1", "GroupBox1", {220, 18, 68, 24}, "追加").onClick =
      "SpeedButton1Click";
  l.Add(K::SpeedButton, "SpeedButton2", "GroupBox1", {220, 44, 68, 24}, "削除").onClick =
      "SpeedButton2Click";
  l.Add(K::SpeedButton, "SpeedButton3", "GroupBox1", {220, 70, 68, 24}, "変更").onClick =
      "SpeedButton3Click";
  l.Add(K::Button, "Button1", "", {148, 270, 75, 25}, "OK").onClick = "Button1Click";
  l.Add(K::Button, "Button2", "", {230, 270, 75, 25}, "取り消し");
  return std::move(l).Finish();
}

}  // namespace trivane::app

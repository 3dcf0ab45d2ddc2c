// "作成" (Button3): the area table ("求積表"). The triangle records read back from the number
// texts become a ruled table, one row per triangle with its lengths and area, then the total and
// the final area. The table is built as a block whose origin is its top-left corner, placed by
// the user with the CAD's insert command, exploded into plain lines and texts, and the block
// definition is removed.
//
// Table coordinates: origin at the top-left corner, x to the right, y upwards (rows lie at
// negative y), z = 0; drawing units.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cad/objects.h"
#include "commands/context.h"
#include "commands/numbering.h"
#include "commands/table_block.h"
#include "geometry/point.h"

namespace trivane::commands {

// Block names of the table: this prefix and the next free number.
inline constexpr std::string_view kAreaTableBlockPrefix = kTableBlockPrefix;
inline constexpr std::string_view kNoAreaDataText = "求積データが見つかりません．";
inline constexpr std::string_view kNoAreaDataCaption = "Acad_Trivane";
// A record whose sides make no triangle; {} is the record as read (number and three lengths).
inline constexpr std::string_view kDamagedRecordText =
    "壊れた求積データがあります（{}）．表は作成しませんでした．";

// Settings of the table that cannot make a table: a width list of the wrong length, a text
// height or scale that is not above 0, a record that is not number,a,b,c.
class AreaTableInputError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The fields of a triangle record: the number text (which may itself hold ",": the last three
// fields are the lengths) and the three side lengths as they stand. AreaTableInputError for a
// record of fewer than four fields.
struct TriangleRecordFields {
  std::string number;
  std::string a, b, c;
};
TriangleRecordFields SplitTriangleRecord(std::string_view record);

// A triangle record whose sides make no triangle: a side missing, not a number, not above 0, or
// one side as long as the other two together.
class DamagedRecordError : public AreaTableInputError {
 public:
  DamagedRecordError(std::string record, const std::string& why)
      : AreaTableInputError("a damaged triangle record \"" + record + "\": " + why),
        record_(std::move(record)) {}
  const std::string& record() const { return record_; }

 private:
  std::string record_;
};

// What the table is made from, read from the tool window when the command runs.
struct AreaTableInputs {
  bool baseHeight = false;     // RadioGroup1 item 1 "三斜"; else Heron's formula "ﾍﾛﾝ"
  double textHeight = 400.0;   // Edit9
  double rowHeight = 800.0;    // Edit10
  std::vector<double> widths;  // Edit11 (5 columns) or Edit20 (4 columns), left to right
  double scale = 1000.0;       // Edit8: lengths are divided by it before they are shown
  std::string layer;           // Edit12: the layer of every rule and text
};

// Reads and checks the inputs: every number must be one ("." as decimal point), the widths
// must number 5 for Heron's formula and 4 for base and height, the text height and the scale
// must be above 0. NumberConversionError or AreaTableInputError otherwise.
AreaTableInputs ReadAreaTableInputs(const ToolWindow& window);

// The widths a table takes: "幅1" (Edit11, the five columns of Heron's formula) or "幅2"
// (Edit20, the four of base and height).
enum class TableColumns { kHeron, kBaseHeight };
// The same with the widths of `columns`, whichever method is chosen.
AreaTableInputs ReadAreaTableInputs(const ToolWindow& window, TableColumns columns);

// The blanks after the final area that line its last digit up with the areas above: Keta2 - Keta3
// when that is positive.
std::string FinalPad(const NumberSettings& numbers);

using AreaTableLayout = TableLayout;

// The table for `records` in list order. Columns: "No.", "a", "b", "c", "面積" (Heron's formula:
// lengths rounded by Keta1/Nagasa, the area from those rounded lengths by Keta2/Menseki) or
// "No.", "底辺", "高さ", "面積" (base and height, the area column holding base x height). Every
// row is one row height high; texts are middle right half a row height left of their cell's right
// rule, the header middle centre in its cell. The closing rows: "合計" (the sum of the printed
// areas), for base and height "1/2" (half of it), and "面積" rounded by Keta3/Goukei followed by
// Keta2 - Keta3 blanks when that is positive. Interior vertical rules stop below the last triangle
// row.
//
// A record is the number text, then the three side lengths in drawing units, separated by ",";
// a number text that holds "," itself is shown whole (the last three fields are the lengths).
// AreaTableInputError for a record of fewer than four fields, or a row height and widths that put
// the table past the largest number; DamagedRecordError for lengths that make no triangle.
AreaTableLayout LayoutAreaTable(const AreaTableInputs& inputs, const NumberSettings& numbers,
                                const TriangleRecords& records);

// The check of a table against the land: a triangle whose area from the printed values is off
// its true area (its record at full precision) by more than kPrintedAreaShare of it, by more than
// one unit of the last area decimal, and by more than `allowance`: what the rounding of its
// printed values moves the area of a well-shaped triangle, the length tolerance
// (PrintedLengthTolerance) times half the sum of the printed values (three sides, or base and
// height). Ordinary rounding stays inside that, a sliver of a few square centimetres printed as
// 0.0000 included; a slender triangle, whose area from its printed sides is ill-conditioned, does
// not (a needle 2 m high on a 371 m side printed as 353.56 for 383.57, a triangle 30 cm high on
// a 29 m side printed as 0.0000 for 4.35).
inline constexpr double kPrintedAreaShare = 0.01;
bool PrintedAreaIsOff(double printed, double trueArea, int areaDecimals, double allowance);

struct MisprintedArea {
  std::string number;    // the number text
  std::string printed;   // the area from the printed values, at the area decimals
  std::string trueArea;  // the area from the record, at the area decimals
};
struct PrintCheck {
  std::vector<MisprintedArea> triangles;  // in table order
  std::string printedTotal;               // the sum of the printed areas
  std::string trueTotal;                  // the sum of the true areas
  bool empty() const { return triangles.empty(); }
};
// The triangles of the table that are off (PrintedAreaIsOff), and its total against the true
// total. Areas are in printed units (drawing units over the scale, squared); in "三斜" a row's
// area is half its base x height.
PrintCheck CheckPrintedAreas(const AreaTableInputs& inputs, const NumberSettings& numbers,
                             const TriangleRecords& records);
// The check as the lines of its message: the heading, one line per triangle, the totals, the
// advice.
std::vector<std::string> PrintCheckLines(const PrintCheck& check);

inline constexpr std::string_view kPrintCheckCaption = "Trivane";
inline constexpr std::string_view kPrintCheckHeading =
    "表の値から求めた面積が実際の面積と違う三角形があります（細長い三角形）．";
// {} number, {} area from the printed values, {} true area.
inline constexpr std::string_view kPrintCheckRow = "No.{}  表 {}  実際 {}";
// {} total of the table's areas, {} true total.
inline constexpr std::string_view kPrintCheckTotal = "合計  表 {}  実際 {}";
inline constexpr std::string_view kPrintCheckAdvice =
    "「細長い三角形を避ける」で分割し直すか，「三斜」で求積してください．";

// The typed insert of the table block: scale 1 and rotation 0 answered, the insertion point left
// to the user.
inline std::string AreaTableInsertCommand(std::string_view blockName) {
  return TableInsertCommand(blockName);
}

// Builds the table for `records` (not empty, sorted by number) as a new block, has the user
// insert it, explodes the inserted reference and deletes the block definition. Every input is
// read and every text computed before anything is created, so a table that cannot be made leaves
// nothing behind; once the block exists, it is deleted on every way out (unless the CAD refuses
// because a reference that could not be exploded still uses it).
void BuildAreaTable(CommandContext& c, const cad::Document& document,
                    const TriangleRecords& records);

// "作成" (Button3). With "全ﾃﾞｰﾀｰ" (CheckBox2) checked every text of the drawing is read,
// otherwise the texts the user selects. No text: nothing happens; texts without records: the
// message "求積データが見つかりません．" (caption "Acad_Trivane"). Errors end the command silently;
// the temporary selection set is deleted in every case.
void Button3Click(CommandContext& c);

}  // namespace trivane::commands

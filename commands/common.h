// What the drawing commands share: the start of a command, the messages, and reading the tool
// window's settings at the moment a command runs.
#pragma once

#include <exception>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "annotate/writers.h"
#include "cad/connection.h"
#include "cad/database.h"
#include "cad/objects.h"
#include "commands/angle_settings.h"
#include "commands/context.h"

namespace trivane::commands {

// The messages of the area commands, with their captions (OK button only).
inline constexpr std::string_view kNoBoundaryText = "境界を作成できません．";
inline constexpr std::string_view kNoBoundaryCaption = "Trivane";
inline constexpr std::string_view kSplitFailedText = "分割に失敗しました．";
inline constexpr std::string_view kSplitFailedCaption = "IJ_Trivane";
// After a stalled split was continued; {} is the number of triangles the continuation made.
inline constexpr std::string_view kSplitContinuedText = "分割の残りを{}個の三角形に分けました．";
inline constexpr std::string_view kNoSegmentsText = "線分またはポリラインではありません．.";
inline constexpr std::string_view kNoSegmentsCaption = "IJ_Trivane";
inline constexpr std::string_view kNotJoinedText = "2 線分の端点がつながっていません．";
inline constexpr std::string_view kNotJoinedCaption = "Acad_Trivane";
inline constexpr std::string_view kNoTriangleText = "三角が作成できません．";
inline constexpr std::string_view kNoTriangleCaption = "IJcad_Trivane";
inline constexpr std::string_view kNumberAtTopText =
    "三角形の番号が上限に達しました．番号を変えてください．";
inline constexpr std::string_view kNumberAtTopCaption = "Trivane";

// Entity type names as the CAD reports them.
inline constexpr std::string_view kLineEntity = "AcDbLine";
inline constexpr std::string_view kPolylineEntity = "AcDbPolyline";

// Every drawing command but the base-line ones, right after finding the CAD running: empties the
// creation list, switches recording off and disables "a-b反転" (Button9).
void ResetCreationList(CommandContext& c);

// The application object of the last attach.
cad::Application CadApplication(const CommandContext& c);

// SetForegroundWindow on the CAD's main window (no restore, no Esc).
void BringCadToFront(CommandContext& c);

// A message box on the tool window, then the CAD window to the front.
void ShowMessage(CommandContext& c, std::string_view text, std::string_view caption);

// ShowMessage for a command that failed or refused its work (c.failures keeps the text).
void ShowRefusal(CommandContext& c, std::string_view text, std::string_view caption);

// A message with each "{}" replaced by the next of `values`, in order.
std::string FillIn(std::string_view text, std::initializer_list<std::string> values);

// Triangle numbers as a message lists them: "3, 5, 12", the first twenty, then how many more.
std::string NumberList(std::span<const std::string> numbers);

// Runs a command body; an error of its CAD work, of a text that is no number, or of a file that
// cannot be written ends it silently, as the commands do. What was already written stays. A CAD
// that went away or refused the call (cad::CadFaultOf) is the one error that goes on, to the
// window, which says so once.
template <typename Body>
void RunSilently(Body&& body) {
  try {
    body();
  } catch (const cad::AutomationError& e) {
    if (cad::CadFaultOf(e.code()) != cad::CadFault::None)
      throw;
  } catch (const std::exception&) {
  }
}

// The frame of a drawing command: nothing without a running CAD; the creation list starts
// afresh (ResetCreationList); then, run silently, the CAD is brought to a command
// (cad::BeginCadCommand) and body(document) runs inside one undo step.
template <typename Body>
void RunDrawingCommand(CommandContext& c, Body&& body) {
  if (!cad::IsCadRunning(c.link))
    return;
  ResetCreationList(c);
  RunSilently([&] {
    const cad::Document document = cad::BeginCadCommand(c.link);
    const cad::UndoGroup undo(document);
    body(document);
  });
}

// --- Settings, read when the command needs them -------------------------------------------------

// An edit's text as a decimal number ("." as decimal point); NumberConversionError otherwise.
double ReadDecimal(const ToolWindow& window, std::string_view edit);

// The layers named on the settings page.
struct CommandLayers {
  std::string text;    // Edit12: labels, marker circles, number texts
  std::string side;    // Edit15: side and cut lines
  std::string height;  // Edit19: height lines
};
CommandLayers ReadLayers(const ToolWindow& window);

// "三斜" (base and height) chosen in RadioGroup1.
bool BaseHeightMethod(const ToolWindow& window);

// The length label format: text height h and scale as read by the command, decimals and mode
// from the length settings (Keta1, Nagasa).
annotate::LabelFormat LabelFormatOf(const CommandContext& c, double h, double scale);

// The marker of the next triangle: the number shown in the "No." field, the radius (Edit6) and
// number height (Edit5), and the text layer (Edit12).
annotate::MarkerStyle ReadMarkerStyle(const CommandContext& c);

// The next triangle number (the position of UpDown4, shown in Edit16).
int TriangleNumber(const ToolWindow& window);
// After a triangle is labelled: the number field steps to the next number.
void StepTriangleNumber(CommandContext& c);
// Can `count` triangles take numbers from the next number on, all below the top of the field
// (kTopTriangleNumber)? If not, shows kNumberAtTopText and gives false: the command then leaves
// the drawing as it was. When the field shows a number the last numbering command did not leave
// there (typed by the user), the numbers the drawing's triangle records use are read too, and
// one of them among the `count` numbers from the next is refused with kNumberInUseText.
bool NumbersFreeFor(CommandContext& c, const cad::Document& document, std::size_t count);

// The next number typed is used by a record of the drawing; {} lists the numbers.
inline constexpr std::string_view kNumberInUseText =
    "番号 {} は既に図面の三角形に付いています．「最大」で次の番号にしてください．";

// The side the user picks at `prompt`: a line as it is, a lightweight polyline of two vertices as
// its one segment, or the picked segment of a longer one. Empty for any other entity and for a
// polyline pick that finds no segment.
std::optional<TAcadLine> PickSide(const cad::Document& document, std::string_view prompt);

// What the writers work with for this command.
annotate::WriterContext WriterFor(CommandContext& c, const cad::Document& document,
                                  const annotate::AngleSettings& angles);

}  // namespace trivane::commands

#include "commands/common.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cad/segment_picking.h"
#include "geometry/numbers.h"

namespace trivane::commands {

void ResetCreationList(CommandContext& c) {
  c.creation.CreatedObjectIds.clear();
  c.creation.RecordCreatedObjects = false;
  c.window.SetEnabled("Button9", false);
}

cad::Application CadApplication(const CommandContext& c) {
  return cad::Application(c.link.CadApplication);
}

void BringCadToFront(CommandContext& c) {
  c.link.platform->SetForegroundWindow(CadApplication(c).HWND());
}

void ShowMessage(CommandContext& c, std::string_view text, std::string_view caption) {
  c.link.platform->MessageBox(text, caption);
  BringCadToFront(c);
}

void ShowRefusal(CommandContext& c, std::string_view text, std::string_view caption) {
  c.failures.messages.emplace_back(text);
  ShowMessage(c, text, caption);
}

std::string FillIn(std::string_view text, std::initializer_list<std::string> values) {
  std::string filled;
  auto value = values.begin();
  for (std::size_t k = 0; k < text.size();) {
    if (text.compare(k, 2, "{}") == 0 && value != values.end()) {
      filled += *value++;
      k += 2;
    } else {
      filled += text[k++];
    }
  }
  return filled;
}

std::string NumberList(std::span<const std::string> numbers) {
  constexpr std::size_t kListed = 20;
  std::string list;
  for (std::size_t k = 0; k < numbers.size() && k < kListed; ++k) {
    if (k > 0)
      list += ", ";
    list += numbers[k];
  }
  if (numbers.size() > kListed)
    list += " ほか" + std::to_string(numbers.size() - kListed) + "個";
  return list;
}

double ReadDecimal(const ToolWindow& window, std::string_view edit) {
  return ToDecimal(window.Text(edit));
}

CommandLayers ReadLayers(const ToolWindow& window) {
  return {window.Text("Edit12"), window.Text("Edit15"), window.Text("Edit19")};
}

bool BaseHeightMethod(const ToolWindow& window) {
  return window.ItemIndex("RadioGroup1") == 1;
}

annotate::LabelFormat LabelFormatOf(const CommandContext& c, double h, double scale) {
  return {h, c.numbers.Keta1, c.numbers.Nagasa, scale};
}

annotate::MarkerStyle ReadMarkerStyle(const CommandContext& c) {
  annotate::MarkerStyle m;
  m.number = TriangleNumber(c.window);
  m.radius = ReadDecimal(c.window, "Edit6");
  m.numberHeight = ReadDecimal(c.window, "Edit5");
  m.textLayer = c.window.Text("Edit12");
  return m;
}

int TriangleNumber(const ToolWindow& window) {
  return window.Position("UpDown4");
}

namespace {

// The entity of that ObjectID is still in the drawing.
bool EntityExists(const cad::Document& document, std::int64_t id) {
  try {
    document.ObjectIdToObject(id);
    return true;
  } catch (const cad::AutomationError& e) {
    if (cad::CadFaultOf(e.code()) != cad::CadFault::None)
      throw;
    return false;
  }
}

}  // namespace

bool NumbersFreeFor(CommandContext& c, const cad::Document& document, std::size_t count) {
  int next = TriangleNumber(c.window);
  if (next == c.numbering.nextLeft && c.numbering.lastMarkerId != 0 &&
      !EntityExists(document, c.numbering.lastMarkerId)) {
    // The last numbering command was taken back (U in the CAD): so is its numbering.
    c.window.SetPosition("UpDown4", c.numbering.firstOfLast);
    next = TriangleNumber(c.window);
    c.numbering.nextLeft = next;
    c.numbering.lastMarkerId = 0;
  }
  const auto first = static_cast<std::int64_t>(next);
  const std::int64_t last = first + static_cast<std::int64_t>(count) - 1;
  if (last >= kTopTriangleNumber) {
    ShowRefusal(c, kNumberAtTopText, kNumberAtTopCaption);
    return false;
  }
  c.numbering.commandFirst = next;
  if (next == c.numbering.nextLeft || count == 0)
    return true;
  // A number typed into the field: the records of the drawing must not use it already.
  const cad::ScopedSelectionSet set(cad::NewTempSelectionSet(document));
  set->Select(cad::kSelectAll, cad::SelectionFilter::EntityTypeWithData(
                                   "TEXT", std::string(annotate::kRecordApplication)));
  std::vector<std::string> used;
  const std::int32_t texts = set->Count();
  for (std::int32_t i = 0; i < texts; ++i) {
    const std::string number = cad::Text(set->Item(i).object()).TextString();
    const std::optional<int> key = ParseInteger(number);
    if (key && *key >= first && *key <= last &&
        std::find(used.begin(), used.end(), number) == used.end())
      used.push_back(number);
  }
  if (!used.empty()) {
    ShowRefusal(c, FillIn(kNumberInUseText, {NumberList(used)}), kNumberAtTopCaption);
    return false;
  }
  c.numbering.nextLeft = next;
  return true;
}

void StepTriangleNumber(CommandContext& c) {
  c.window.SetPosition("UpDown4", c.window.Position("UpDown4") + 1);
  c.numbering.nextLeft = TriangleNumber(c.window);
  c.numbering.firstOfLast = c.numbering.commandFirst;
  c.numbering.lastMarkerId = c.creation.LastLogged;
}

annotate::WriterContext WriterFor(CommandContext& c, const cad::Document& document,
                                  const annotate::AngleSettings& angles) {
  return annotate::WriterContext{document, angles, c.creation, c.link, c.programFolder};
}

std::optional<TAcadLine> PickSide(const cad::Document& document, std::string_view prompt) {
  const cad::PickedEntity picked = document.Utility().GetEntity(prompt);
  const std::string name = picked.entity.EntityName();
  if (name == kLineEntity) {
    const cad::Line line(picked.entity.object());
    return TAcadLine{line.StartPoint(), line.EndPoint()};
  }
  if (name == kPolylineEntity) {
    const cad::Polyline polyline(picked.entity.object());
    // A polyline of two vertices is one side, whichever point of it was picked.
    const std::vector<double> c = polyline.Coordinates();
    if (c.size() / 2 == 2)
      return TAcadLine{{c[0], c[1], 0.0}, {c[2], c[3], 0.0}};
    const std::optional<cad::SegmentPick> segment =
        cad::PickedSegment(document, polyline, picked.point);
    if (segment)
      return TAcadLine{segment->start, segment->end};
  }
  return std::nullopt;
}

}  // namespace trivane::commands

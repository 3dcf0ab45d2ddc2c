#include "commands/two_sides.h"

#include <cstdint>
#include <optional>

#include "cad/connection.h"
#include "cad/database.h"
#include "cad/segment_picking.h"
#include "commands/common.h"
#include "commands/numbered_land.h"
#include "geometry/plan.h"

namespace trivane::commands {
namespace {

constexpr std::string_view kFirstSidePrompt = "三角形の1辺を選択 : ";
constexpr std::string_view kSecondSidePrompt = "三角形の他の1辺を選択 : ";
constexpr std::uint32_t kEscHoldMs = 5;

// The final step of the command: the CAD window to the front and, when it is there, one Esc.
void FrontAndEscape(CommandContext& c) {
  cad::Platform& platform = *c.link.platform;
  const cad::WindowHandle hwnd = CadApplication(c).HWND();
  platform.SetForegroundWindow(hwnd);
  if (platform.GetForegroundWindow() == hwnd) {
    platform.KeybdEvent(cad::kVirtualKeyEscape, 0);
    platform.Sleep(kEscHoldMs);
    platform.KeybdEvent(cad::kVirtualKeyEscape, cad::kKeyEventKeyUp);
  }
}

}  // namespace

void Button8Click(CommandContext& c) {
  RunDrawingCommand(c, [&](const cad::Document& document) {
    const std::int64_t snapMode = document.GetVariable("SNAPMODE").ToInteger();
    document.SetVariable("SNAPMODE", cad::Value::Int16(0));
    std::optional<TAcadLine> first;
    std::optional<TAcadLine> second;
    RunSilently([&] {
      first = PickSide(document, kFirstSidePrompt);
      if (first)
        second = PickSide(document, kSecondSidePrompt);
    });
    if (snapMode == 1)
      document.SetVariable("SNAPMODE", cad::Value::Int16(1));
    if (first && second)
      TriangleFromTwoSides(c, document, first->st, first->ed, second->st, second->ed);
  });
  // Without an attached CAD (the attach failed at the first command) there is no window to front.
  RunSilently([&] { FrontAndEscape(c); });
}

void TriangleFromTwoSides(CommandContext& c, const cad::Document& document, const TAcadPoint& a1,
                          const TAcadPoint& a2, const TAcadPoint& b1, const TAcadPoint& b2) {
  const double h = ReadDecimal(c.window, "Edit3");
  const double scale = ReadDecimal(c.window, "Edit8");
  if (!cad::IsCadRunning(c.link))
    return;
  const annotate::AngleSettings angles = ReadAngleSettings(document);

  const std::optional<TAcadPoint> corner = LineIntersection(a1, a2, b1, b2);
  if (!corner) {
    ShowRefusal(c, kNotJoinedText, kNotJoinedCaption);
    return;
  }
  const TAcadPoint x = *corner;
  const double d1 = Distance(x, a1);
  const double d2 = Distance(x, a2);
  const double d3 = Distance(x, b1);
  const double d4 = Distance(x, b2);
  if ((d1 > kJoinTolerance && d2 > kJoinTolerance) ||
      (d3 > kJoinTolerance && d4 > kJoinTolerance)) {
    ShowRefusal(c, kNotJoinedText, kNotJoinedCaption);
    return;
  }
  const TAcadPoint farA = d2 > d1 ? a2 : a1;
  const TAcadPoint farB = d4 > d3 ? b2 : b1;
  const TAcadTriangle t{x, farA, farB};

  // Every setting is read before the first entity is drawn: a text that is no number draws
  // nothing.
  const CommandLayers layers = ReadLayers(c.window);
  const annotate::MarkerStyle marker = ReadMarkerStyle(c);
  const annotate::LabelFormat format = LabelFormatOf(c, h, scale);
  const annotate::WriterContext w = WriterFor(c, document, angles);
  if (!NumbersFreeFor(c, document, 1) || RefuseNumberedLand(c, document, {&t, 1}))
    return;

  cad::EnsureLayer(document, layers.side);
  annotate::PutSideLine(w, farA, farB, annotate::IfPresent::kSkip, layers.side);
  if (BaseHeightMethod(c.window)) {
    const BaseHeight bh = BaseAndHeight(t);
    const TAcadPoint foot = annotate::HeightFoot(bh);
    cad::EnsureLayer(document, layers.text);
    const BaseHeightText printed = annotate::PrintedBaseHeightOf(t, format);
    annotate::PutLabelText(w, bh.apex, foot, printed.height, format.height,
                           annotate::IfPresent::kSkip, layers.text);
    annotate::PutLabelText(w, bh.start, bh.end, printed.base, format.height,
                           annotate::IfPresent::kSkip, layers.text);
    annotate::PutSideLine(w, bh.apex, foot, annotate::IfPresent::kSkip, layers.side);
    annotate::PutBaseHeightMarker(w, t, bh, marker);
  } else {
    cad::EnsureLayer(document, layers.text);
    annotate::PutSideLengths(w, t, format, layers.text);
    annotate::PutThreeSideMarker(w, t, marker);
  }
  StepTriangleNumber(c);
}

}  // namespace trivane::commands

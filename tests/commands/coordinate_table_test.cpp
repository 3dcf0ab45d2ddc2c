// "座標求積" and "ﾎﾟﾘ選択": the coordinate area table of a parcel, inserted as "作成" inserts its
// table, the corners named outside the parcel, and the numbered triangles inside it checked
// against its area.
#include "commands/coordinate_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "geometry/coordinate_area.h"
#include "geometry/numbers.h"
#include "tests/commands/tools_fixture.h"

namespace trivane::commands::testing {
namespace {

// The body rows and closing rows of a laid-out table, each row's texts left to right.
std::vector<std::vector<std::string>> RowsOf(const TableLayout& layout) {
  std::vector<std::vector<std::string>> rows;
  double y = 1.0;
  for (const TableText& t : layout.texts) {
    if (t.point.y != y) {
      rows.emplace_back();
      y = t.point.y;
    }
    rows.back().push_back(t.text);
  }
  return rows;
}

AreaTableInputs DefaultInputs() {
  AreaTableInputs in;
  in.widths = {1500, 3000, 3000, 3000, 4500};
  in.layer = "H_TEXT";
  return in;
}

// A survey corner (X north, Y east, metres) as a drawing point in millimetres (scale 1000).
TAcadPoint Drawn(double northX, double eastY) {
  return {eastY * 1000, northX * 1000, 0};
}

// Worked example of the coordinate method from the teaching material "倍面積の求め方" of the
// Kagoshima Prefecture education centre (www.edu-s.pref.kagoshima.jp): A(0, 0),
// B(-11.052, 129.766), C(41.395, 76.858). Its table prints the products to 6 decimals:
// 5371.663570, 849.434616, 0; 総倍面積 6221.098186; 面積 3110.549093.
TEST(CoordinateTableLayout, PublishedWorkedExampleDigitForDigit) {
  const std::optional<CoordinateArea> area = CoordinateMethod(
      std::vector<TAcadPoint>{Drawn(0, 0), Drawn(-11.052, 129.766), Drawn(41.395, 76.858)}, 1000);
  ASSERT_TRUE(area);
  struct Case {
    int keta2, keta3;
    std::vector<std::string> products;
    std::vector<std::string> closing;
  };
  const Case cases[] = {
      {6,
       2,
       {"5371.663570", "849.434616", "0.000000"},
       {"6221.098186", "3110.549093", "3110.54    "}},
      {4, 2, {"5371.6636", "849.4346", "0.0000"}, {"6221.0982", "3110.5491", "3110.54  "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keta2);
    NumberSettings numbers;
    numbers.Keta2 = c.keta2;
    numbers.Keta3 = c.keta3;
    const auto rows = RowsOf(LayoutCoordinateTable(DefaultInputs(), numbers, *area, 7));
    ASSERT_EQ(rows.size(), 1u + 3u + 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"点名", "X", "Y", "Yn+1-Yn-1", "Xn×(Yn+1-Yn-1)"}));
    EXPECT_EQ(rows[1],
              (std::vector<std::string>{"P7", "41.395", "76.858", "129.766", c.products[0]}));
    EXPECT_EQ(rows[2],
              (std::vector<std::string>{"P8", "-11.052", "129.766", "-76.858", c.products[1]}));
    EXPECT_EQ(rows[3],
              (std::vector<std::string>{"P9", "0.000", "0.000", "-52.908", c.products[2]}));
    EXPECT_EQ(rows[4], (std::vector<std::string>{"倍面積", c.closing[0]}));
    EXPECT_EQ(rows[5], (std::vector<std::string>{"面積", c.closing[1]}));
    EXPECT_EQ(rows[6], (std::vector<std::string>{"地積", c.closing[2]}));
  }
}

// The registry truncates the 地積, whatever rule the final area of the triangle table uses.
TEST(CoordinateTableLayout, ChisekiIsTruncatedToTheFinalDecimals) {
  // 7.777 m by 15.875 m: 123.459875 m².
  const std::optional<CoordinateArea> area = CoordinateMethod(
      std::vector<TAcadPoint>{Drawn(0, 0), Drawn(7.777, 0), Drawn(7.777, 15.875), Drawn(0, 15.875)},
      1000);
  ASSERT_TRUE(area);
  struct Case {
    int keta3;
    RoundingMode goukei;
    const char* chiseki;
  };
  const Case cases[] = {
      {2, RoundingMode::kRoundHalfUp, "123.45  "},
      {2, RoundingMode::kRoundUp, "123.45  "},
      {3, RoundingMode::kRoundHalfUp, "123.459 "},
      {0, RoundingMode::kRoundHalfUp, "123    "},
  };
  for (const Case& c : cases) {
    NumberSettings numbers;
    numbers.Keta3 = c.keta3;
    numbers.Goukei = c.goukei;
    const auto rows = RowsOf(LayoutCoordinateTable(DefaultInputs(), numbers, *area, 1));
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"地積", c.chiseki})) << c.keta3;
    EXPECT_EQ(rows[rows.size() - 2], (std::vector<std::string>{"面積", "123.4599"}));
  }
}

// A rectangular lot of 20 m by 10 m drawn with lines (scale 1000: drawing units are millimetres).
class CoordinateTableTest : public ToolsTest {
 protected:
  CoordinateTableTest() {
    drawing().vars.VIEWSIZE = 30000;
    for (std::size_t i = 0; i < 4; ++i)
      AddLine(kLot[i], kLot[(i + 1) % 4]);
  }

  // Clicks `button` with the point inside the lot, then the table's corner.
  void Survey(std::string_view button = "Button15") {
    mark = Mark();
    if (button == "Button15")
      user().Push(host::UserAnswer::Point({5000, 5000, 0}));
    user().Push(host::UserAnswer::Point(kCorner));
    Click(button);
  }

  // The corner names added: middle-centred "P" texts outside the lot.
  std::vector<PlacedText> Names() {
    std::vector<PlacedText> out;
    for (const PlacedText& t : TextsAfter(mark)) {
      if (t.text.starts_with("P") && t.at.x < kCorner.x)
        out.push_back(t);
    }
    return out;
  }
  // The table's column of texts middle right at table x.
  std::vector<std::string> ColumnAt(double x) {
    std::vector<std::string> out;
    for (const PlacedText& t : TextsAfter(mark)) {
      if (t.alignment == 11 && t.at.x == kCorner.x + x)
        out.push_back(t.text);
    }
    return out;
  }
  bool NoTableBlock() {
    for (const host::BlockRecord& b : drawing().blocks) {
      if (b.name.starts_with("Trivane_"))
        return false;
    }
    return All<host::InsertShape>().empty();
  }

  static constexpr TAcadPoint kLot[4] = {
      {0, 0, 0}, {20000, 0, 0}, {20000, 10000, 0}, {0, 10000, 0}};
  static constexpr TAcadPoint kCorner{40000, 20000, 0};
  host::ObjectId mark = 0;
};

TEST_F(CoordinateTableTest, TableInsertedBesideTheLotAndCornersNamedOutsideIt) {
  Survey();
  // Clockwise from the north-west corner; X is north, Y east.
  EXPECT_EQ(ColumnAt(1100), (std::vector<std::string>{"P1", "P2", "P3", "P4"}));
  EXPECT_EQ(ColumnAt(4100), (std::vector<std::string>{"10.000", "10.000", "0.000", "0.000"}));
  EXPECT_EQ(ColumnAt(7100), (std::vector<std::string>{"0.000", "20.000", "20.000", "0.000"}));
  EXPECT_EQ(ColumnAt(10100), (std::vector<std::string>{"20.000", "20.000", "-20.000", "-20.000",
                                                       "倍面積", "面積", "地積"}));
  EXPECT_EQ(ColumnAt(14600), (std::vector<std::string>{"200.0000", "200.0000", "0.0000", "0.0000",
                                                       "400.0000", "200.0000", "200.00  "}));
  EXPECT_TRUE(NoTableBlock());
  EXPECT_TRUE(AllSelectionSetsDeleted());
  EXPECT_TRUE(Messages().empty());  // no triangles inside: no check

  // Each name stands one label height (300) out from its corner along the corner's bisector.
  const double d = 300 / std::sqrt(2.0);
  const std::vector<PlacedText> names = Names();
  ASSERT_EQ(names.size(), 4u);
  const TAcadPoint expected[] = {
      {-d, 10000 + d, 0}, {20000 + d, 10000 + d, 0}, {20000 + d, -d, 0}, {-d, -d, 0}};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(names[i].text, "P" + std::to_string(i + 1));
    EXPECT_EQ(names[i].alignment, 10);
    EXPECT_NEAR(names[i].at.x, expected[i].x, 1e-9);
    EXPECT_NEAR(names[i].at.y, expected[i].y, 1e-9);
  }
  for (host::ObjectId id : All<host::TextShape>(mark)) {
    EXPECT_EQ(Get(id).layer, "H_TEXT");
  }

  // The numbers run on: the next table starts at P5.
  Survey();
  EXPECT_EQ(ColumnAt(1100), (std::vector<std::string>{"P5", "P6", "P7", "P8"}));
  EXPECT_EQ(state().NextPointNumber, 9);
}

TEST_F(CoordinateTableTest, CancelledInsertLeavesNoBlockNoNamesAndTheNumbers) {
  const host::ObjectId before = Mark();
  user().Push(host::UserAnswer::Point({5000, 5000, 0}));
  user().Push(host::UserAnswer::Cancel());
  Click("Button15");
  EXPECT_EQ(Mark(), before);
  EXPECT_TRUE(NoTableBlock());
  EXPECT_TRUE(AllSelectionSetsDeleted());
  EXPECT_EQ(state().NextPointNumber, 1);
  for (const host::Entity& e : [&] {
         std::vector<host::Entity> all;
         for (const auto& [id, entity] : drawing().entities)
           all.push_back(entity);
         return all;
       }())
    EXPECT_FALSE(std::holds_alternative<host::PolylineShape>(e.shape));  // boundary erased
}

TEST_F(CoordinateTableTest, ClosedPolylinePickedAsItStandsAndOtherEntitiesRefused) {
  // A closed polyline over the lot's southern half, drawn anticlockwise.
  host::PolylineShape half;
  half.vertices = {{0, 0, 0}, {20000, 0, 0}, {20000, 5000, 0}, {0, 5000, 0}};
  half.closed = true;
  const host::ObjectId polyline = host->CreateEntity(half);
  mark = Mark();
  user().Push(host::UserAnswer::Pick({10000, 5000, 0}));
  user().Push(host::UserAnswer::Point(kCorner));
  Click("Button16");
  EXPECT_EQ(ColumnAt(14600).back(), "100.00  ");
  EXPECT_NE(drawing().FindEntity(polyline), nullptr);  // the user's polyline stays

  // An open polyline, and a line, are no parcel.
  std::get<host::PolylineShape>(Get(polyline).shape).closed = false;
  for (const TAcadPoint& pick : {TAcadPoint{10000, 5000, 0}, TAcadPoint{10000, 10000, 0}}) {
    const host::ObjectId before = Mark();
    user().Push(host::UserAnswer::Pick(pick));
    Click("Button16");
    EXPECT_EQ(Mark(), before);
  }
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_EQ(Messages()[0].text, "閉じたポリラインではありません．");
  EXPECT_EQ(Messages()[0].caption, "座標求積");
  EXPECT_TRUE(NoTableBlock());
}

// The lot split along its diagonal into triangles 1 and 2 of 100 m² each; the check finds a
// missing triangle and a doubled one, and ignores markers outside the lot.
TEST_F(CoordinateTableTest, CoverageFindsAMissingAndADoubledTriangle) {
  const double diagonal = std::hypot(20000.0, 10000.0);
  struct Case {
    const char* name;
    std::vector<std::string> inside;
    std::string message;
  };
  const Case cases[] = {
      {"both",
       {"1", "2"},
       "三角形の合計 : 200.000000 ㎡\n座標面積 : 200.000000 ㎡\n差 : 0.000000 ㎡ (0.0000 %)\n"
       "三角形の番号 : 1, 2"},
      {"one missing",
       {"2"},
       "三角形の合計 : 100.000000 ㎡\n座標面積 : 200.000000 ㎡\n差 : -100.000000 ㎡ (-50.0000 %)\n"
       "三角形の番号 : 2"},
      {"one doubled",
       {"2", "1", "2"},
       "三角形の合計 : 300.000000 ㎡\n座標面積 : 200.000000 ㎡\n差 : 100.000000 ㎡ (50.0000 %)\n"
       "三角形の番号 : 1, 2, 2\n重複 : 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    erase_if(drawing().entities, [](const auto& entry) {
      return std::holds_alternative<host::TextShape>(entry.second.shape);
    });
    for (std::size_t i = 0; i < c.inside.size(); ++i) {
      const TAcadPoint at =
          c.inside[i] == "1" ? TAcadPoint{15000, 3000, 0} : TAcadPoint{5000 + 100.0 * i, 7000, 0};
      AddNumberText(c.inside[i], 20000, 10000, diagonal, at);
    }
    AddNumberText("9", 3000, 4000, 5000, {30000, 5000, 0});  // beside the lot
    os.ClearEvents();
    Survey();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].text, c.message);
    EXPECT_EQ(Messages()[0].caption, "座標求積");
  }
}

}  // namespace
}  // namespace trivane::commands::testing

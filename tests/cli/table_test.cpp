// `trivane table`: the printed table equals the one "作成" draws for the same drawing and
// settings, as aligned text and as CSV.
#include <map>

#include "cli/table.h"
#include "cli_fixture.h"

namespace trivane::cli::testing {
namespace {

// Table texts drawn right of this x; the parcel lies left of it.
constexpr double kTableLeft = 50000.0;

// The drawn table's texts as rows: top to bottom, each left to right.
std::vector<std::vector<std::string>> DrawnRows(const host::Drawing& d) {
  std::map<double, std::map<double, std::string>, std::greater<>> byRow;
  for (const host::TextShape& t : ShapesOf<host::TextShape>(d)) {
    if (t.alignmentPoint.x > kTableLeft)
      byRow[t.alignmentPoint.y][t.alignmentPoint.x] = t.string;
  }
  std::vector<std::vector<std::string>> rows;
  for (const auto& [y, cells] : byRow) {
    rows.emplace_back();
    for (const auto& [x, text] : cells)
      rows.back().push_back(text);
  }
  return rows;
}

std::vector<std::string> Lines(const std::string& text, std::string_view end) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t next = text.find(end, at);
    lines.push_back(text.substr(at, next - at));
    at = next == std::string::npos ? text.size() : next + end.size();
  }
  return lines;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string w; in >> w;)
    words.push_back(w);
  return words;
}

std::vector<std::string> WordsOf(const std::vector<std::string>& cells) {
  std::vector<std::string> words;
  for (const std::string& c : cells) {
    for (std::string& w : Words(c))
      words.push_back(std::move(w));
  }
  return words;
}

struct TableCase {
  std::string name;
  std::string settings;  // settings file; "" for the built-in settings
  std::size_t columns;
};

void PrintTo(const TableCase& c, std::ostream* os) {
  *os << c.name;
}

class TableMatchesDrawn : public CliTest, public ::testing::WithParamInterface<TableCase> {};

TEST_P(TableMatchesDrawn, TextAndCsvEqualTheDrawnTable) {
  const TableCase& c = GetParam();
  const fs::path in = WriteDrawing(
      "in.dxf",
      Outline({{0, 0, 0}, {12345, 0, 0}, {15000, 9000, 0}, {6000, 14321, 0}, {-2000, 8000, 0}}));
  std::vector<std::string> settings;
  if (!c.settings.empty())
    settings = {"--settings", WriteText("trivane.ini", c.settings).string()};

  // Label the pentagon, then draw its table in a second session.
  std::vector<std::string> split{"run", in.string(),
                                 WriteText("a.txt", "click auto\npoint 6000,6000\n").string(),
                                 "--out", (Dir() / "labelled.dxf").string()};
  split.insert(split.end(), settings.begin(), settings.end());
  ASSERT_EQ(Cli(split).status, 0);
  std::vector<std::string> build{"run", (Dir() / "labelled.dxf").string(),
                                 WriteText("b.txt", "click 作成\npoint 60000,20000\n").string(),
                                 "--out", (Dir() / "table.dxf").string()};
  build.insert(build.end(), settings.begin(), settings.end());
  ASSERT_EQ(Cli(build).status, 0);
  const std::vector<std::vector<std::string>> drawn = DrawnRows(ReadBack(Dir() / "table.dxf"));
  ASSERT_EQ(drawn.size(), 1 + 3 + (c.columns == 4 ? 3u : 2u));  // header, 3 triangles, closing

  std::vector<std::string> csvArgs{"table", (Dir() / "labelled.dxf").string(), "--csv"};
  csvArgs.insert(csvArgs.end(), settings.begin(), settings.end());
  const CliResult csv = Cli(csvArgs);
  ASSERT_EQ(csv.status, 0) << csv.err;
  const std::vector<std::string> csvLines = Lines(csv.out, "\r\n");
  ASSERT_EQ(csvLines.size(), drawn.size()) << csv.out;
  for (std::size_t r = 0; r < drawn.size(); ++r) {
    std::vector<std::string> cells = Lines(csvLines[r] + ",", ",");
    ASSERT_EQ(cells.size(), c.columns) << csvLines[r];
    cells.erase(std::remove(cells.begin(), cells.end(), ""), cells.end());
    EXPECT_EQ(cells, drawn[r]) << "row " << r;
  }

  std::vector<std::string> textArgs{"table", (Dir() / "labelled.dxf").string()};
  textArgs.insert(textArgs.end(), settings.begin(), settings.end());
  const CliResult text = Cli(textArgs);
  ASSERT_EQ(text.status, 0) << text.err;
  std::vector<std::string> textRows;
  for (const std::string& line : Lines(text.out, "\n")) {
    if (line.find_first_not_of('-') != std::string::npos)  // rules set off header and totals
      textRows.push_back(line);
  }
  ASSERT_EQ(textRows.size(), drawn.size()) << text.out;
  for (std::size_t r = 0; r < drawn.size(); ++r)
    EXPECT_EQ(Words(textRows[r]), WordsOf(drawn[r])) << textRows[r];
}

INSTANTIATE_TEST_SUITE_P(
    Methods, TableMatchesDrawn,
    ::testing::Values(TableCase{"Heron", "", 5},
                      TableCase{"BaseHeightWithOtherRounding",
                                "[LT_Trivane]\nKyuuseki=1\nKeta1=3\nKeta2=2\nKeta3=0\nMenseki=2\n",
                                4}),
    [](const ::testing::TestParamInfo<TableCase>& info) { return info.param.name; });

TEST_F(CliTest, TableWithoutRecordsSaysSoAndExitsOne) {
  const fs::path in = WriteDrawing("in.dxf", Outline({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}}));
  const CliResult r = Cli({"table", in.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "[Acad_Trivane] 求積データが見つかりません．\n");
}

TEST_F(CliTest, TableOfADamagedRecordExitsTwo) {
  host::Drawing d;
  AddNumberText(d, "1", 3000, 4000, 5000);
  const host::ObjectId damaged = AddText(d, "2", {1000, 0, 0});
  d.FindEntity(damaged)->xdata = {{"LT_TRIVANE", {}}};  // the application name and nothing else
  const CliResult r = Cli({"table", WriteDrawing("in.dxf", d).string()});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("damaged triangle record"), std::string::npos) << r.err;
}

TEST_F(CliTest, TableWritesNothing) {
  host::Drawing d;
  AddNumberText(d, "1", 3000, 4000, 5000);
  const fs::path in = WriteDrawing("in.dxf", d);
  const std::string before = ReadBytes(in);
  const CliResult r = Cli({"table", in.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadBytes(in), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir()), fs::directory_iterator()), 1);
}

// --- Formatting ---

TEST(TableFormat, CsvQuotesCellsThatNeedIt) {
  AreaTableText t;
  t.rows = {{"No.", "a"}, {"1,2", "say \"hi\""}, {"", "6.00  "}};
  t.triangles = 1;
  EXPECT_EQ(FormatCsv(t), "No.,a\r\n\"1,2\",\"say \"\"hi\"\"\"\r\n,6.00  \r\n");
}

TEST(TableFormat, AlignedColumnsCountWideCharactersTwice) {
  AreaTableText t;
  t.rows = {{"No.", "面積"}, {"1", "12.3456"}, {"面積", "12.35  "}};
  t.triangles = 1;
  EXPECT_EQ(FormatAligned(t),
            " No.     面積\n"
            "-------------\n"
            "   1  12.3456\n"
            "-------------\n"
            "面積  12.35\n");
  EXPECT_EQ(DisplayWidth("ﾍﾛﾝ面積"), 3u + 4u);  // half-width katakana are narrow
}

}  // namespace
}  // namespace trivane::cli::testing

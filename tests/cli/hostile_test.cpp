// Hostile input on the command line, as a new user or an attacker's file would give it: each case
// ends with the status and message it must, and nothing is lost or replaced that should not be.
#include <sys/stat.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>

#include "cli_fixture.h"

namespace trivane::cli::testing {
namespace {

fs::path Drawn(const fs::path& dir, const std::string& name, const host::Drawing& d) {
  host::WriteDrawingFile(d, (dir / name).string());
  return dir / name;
}

fs::path Written(const fs::path& dir, const std::string& name, std::string_view text) {
  std::ofstream(dir / name, std::ios::binary) << text;
  return dir / name;
}

// Blocks nested `depth` deep, four references to the block below in each: 4^depth lines expanded.
host::Drawing NestedBlocks(int depth) {
  host::Drawing d;
  AddLine(d, {0, 0, 0}, {1, 0, 0});  // something plain in model space
  const host::ObjectId first = d.AddBlock("L0").id;
  host::Entity line;
  line.shape = host::LineShape{{0, 0, 0}, {1, 1, 0}};
  d.AddEntity(line, first);
  for (int k = 1; k <= depth; ++k) {
    const host::ObjectId b = d.AddBlock("L" + std::to_string(k)).id;
    for (int i = 0; i < 4; ++i) {
      host::Entity ref;
      ref.shape = host::InsertShape{"L" + std::to_string(k - 1), {i * 2.0, 0, 0}};
      d.AddEntity(ref, b);
    }
  }
  host::Entity top;
  top.shape = host::InsertShape{"L" + std::to_string(depth), {0, 0, 0}};
  d.AddEntity(top);
  return d;
}

host::Drawing Records(const std::vector<std::array<double, 3>>& sides) {
  host::Drawing d;
  for (std::size_t i = 0; i < sides.size(); ++i)
    AddNumberText(d, std::to_string(i + 1), sides[i][0], sides[i][1], sides[i][2],
                  {i * 1000.0, 0, 0});
  return d;
}

struct HostileCase {
  std::string name;
  // Makes the files in the folder and gives the command line's arguments.
  std::function<std::vector<std::string>(const fs::path& dir)> setup;
  int status;
  std::string message;  // in the error output; empty when the command succeeds
  // What must hold of the folder afterwards.
  std::function<void(const fs::path& dir)> check = {};
};

void PrintTo(const HostileCase& c, std::ostream* os) {
  *os << c.name;
}

class Hostile : public CliTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(Hostile, EndsWithItsStatusAndLosesNothing) {
  const HostileCase& c = GetParam();
  const CliResult r = Cli(c.setup(Dir()));
  EXPECT_EQ(r.status, c.status) << r.err;
  if (c.message.empty()) {
    EXPECT_EQ(r.err, "");
  } else {
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  if (c.check)
    c.check(Dir());
}

const auto kEmptyScript = [](const fs::path& dir) {
  return Written(dir, "s.txt", "# nothing\n").string();
};

// The drawing read back has every derived number finite.
void FiniteView(const fs::path& dir) {
  const host::Drawing out = host::ReadDrawingFile((dir / "in.out.dxf").string());
  EXPECT_TRUE(std::isfinite(out.vars.VIEWSIZE)) << out.vars.VIEWSIZE;
  EXPECT_TRUE(std::isfinite(out.vars.VIEWCTR.x) && std::isfinite(out.vars.VIEWCTR.y));
}

void NothingWritten(const fs::path& dir) {
  EXPECT_FALSE(fs::exists(dir / "in.out.dxf"));
  EXPECT_FALSE(fs::exists(dir / "p.svg"));
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Hostile,
    ::testing::Values(
        // Once hung both `run` and `table`: the extents expanded every reference.
        HostileCase{
            "NestedBlocksRun",
            [](const fs::path& dir) -> std::vector<std::string> {
              return {"run", Drawn(dir, "in.dxf", NestedBlocks(30)).string(), kEmptyScript(dir)};
            },
            0, ""},
        HostileCase{"NestedBlocksTable",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      return {"table", Drawn(dir, "in.dxf", NestedBlocks(30)).string()};
                    },
                    1, "求積データが見つかりません"},
        HostileCase{"NestedBlocksPicture",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      return {"run", Drawn(dir, "in.dxf", NestedBlocks(30)).string(),
                              kEmptyScript(dir), "--svg", (dir / "p.svg").string()};
                    },
                    1, "expand to more than 1000000 parts", NothingWritten},
        // Extents of +-1e308 once made the view infinite, and the drawing unsavable.
        HostileCase{"LargestCoordinates",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      host::Drawing d;
                      AddLine(d, {-1e308, -1e308, 0}, {1e308, 1e308, 0});
                      return {"run", Drawn(dir, "in.dxf", d).string(), kEmptyScript(dir), "--svg",
                              (dir / "p.svg").string()};
                    },
                    0, "", FiniteView},
        HostileCase{"RowHeightPastTheLargestNumber",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      return {"table", Drawn(dir, "in.dxf", Records({{3, 4, 5}})).string(),
                              "--settings",
                              Written(dir, "t.ini", "[LT_Trivane]\nG_Taka=1e308\n").string()};
                    },
                    2, "too large to draw"},
        HostileCase{
            "SidesThatMakeNoTriangle",
            [](const fs::path& dir) -> std::vector<std::string> {
              return {"table", Drawn(dir, "in.dxf", Records({{3, 4, 5}, {3, 4, 10}})).string()};
            },
            2,
            "a damaged triangle record \"2,3.00000000,4.00000000,10.00000000\": sides that cannot"},
        // A sliver a split made: its recorded sides add up exactly. Tabled, with no area.
        HostileCase{"FlatTriangleIsNoDamage",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      return {"table", Drawn(dir, "in.dxf", Records({{3, 4, 7}})).string()};
                    },
                    0, ""},
        HostileCase{"NegativeSide",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      return {"table", Drawn(dir, "in.dxf", Records({{-3, 4, 5}})).string()};
                    },
                    2, "a side that is not above 0"},
        HostileCase{"MissingSide",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      return {"table", Drawn(dir, "in.dxf", Records({{3, 4, 0}})).string()};
                    },
                    2, "a side that is not above 0"},
        HostileCase{"DrawingIsAFolder",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      fs::create_directory(dir / "in.dxf");
                      return {"run", (dir / "in.dxf").string(), kEmptyScript(dir)};
                    },
                    2, "in.dxf: the drawing is a folder"},
        // Once replaced by a regular file (as root, /dev/full became one).
        HostileCase{"OutputIsAFifo",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      ::mkfifo((dir / "out.dxf").c_str(), 0600);
                      return {"run", Drawn(dir, "in.dxf", host::Drawing()).string(),
                              kEmptyScript(dir), "--out", (dir / "out.dxf").string()};
                    },
                    1, "out.dxf: cannot write: not a regular file",
                    [](const fs::path& dir) { EXPECT_TRUE(fs::is_fifo(dir / "out.dxf")); }},
        HostileCase{"PictureIsAFolder",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      fs::create_directory(dir / "p.svg");
                      return {"run", Drawn(dir, "in.dxf", host::Drawing()).string(),
                              kEmptyScript(dir), "--svg", (dir / "p.svg").string()};
                    },
                    1, "p.svg: cannot write: a folder",
                    [](const fs::path& dir) {
                      EXPECT_TRUE(fs::is_directory(dir / "p.svg"));
                      EXPECT_FALSE(fs::exists(dir / "in.out.dxf"));
                    }},
        HostileCase{"OutputLinkLeadsToAFifo",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      ::mkfifo((dir / "pipe").c_str(), 0600);
                      fs::create_symlink("pipe", dir / "out.dxf");
                      return {"run", Drawn(dir, "in.dxf", host::Drawing()).string(),
                              kEmptyScript(dir), "--out", (dir / "out.dxf").string()};
                    },
                    1, "not a regular file",
                    [](const fs::path& dir) { EXPECT_TRUE(fs::is_fifo(dir / "pipe")); }},
        // A link stays a link: its target (through a chain of links) is replaced.
        HostileCase{"OutputIsALink",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      fs::create_directory(dir / "real");
                      Written(dir / "real", "old.dxf", "old");
                      fs::create_symlink("real/old.dxf", dir / "hop");
                      fs::create_symlink(dir / "hop", dir / "out.dxf");
                      return {"run", Drawn(dir, "in.dxf", host::Drawing()).string(),
                              kEmptyScript(dir), "--out", (dir / "out.dxf").string()};
                    },
                    0, "",
                    [](const fs::path& dir) {
                      EXPECT_TRUE(fs::is_symlink(dir / "out.dxf"));
                      EXPECT_TRUE(fs::is_symlink(dir / "hop"));
                      EXPECT_NO_THROW(host::ReadDrawingFile((dir / "real/old.dxf").string()));
                    }},
        HostileCase{"OutputLinksInACircle",
                    [](const fs::path& dir) -> std::vector<std::string> {
                      fs::create_symlink("b.dxf", dir / "a.dxf");
                      fs::create_symlink("a.dxf", dir / "b.dxf");
                      return {"run", Drawn(dir, "in.dxf", host::Drawing()).string(),
                              kEmptyScript(dir), "--out", (dir / "a.dxf").string()};
                    },
                    1, "too many symbolic links",
                    [](const fs::path& dir) { EXPECT_TRUE(fs::is_symlink(dir / "a.dxf")); }}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

}  // namespace
}  // namespace trivane::cli::testing

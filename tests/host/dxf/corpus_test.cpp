#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "host/bridge/dxf_bridge.h"
#include "tests/host/dxf/test_support.h"

namespace trivane::host {
namespace {

namespace fs = std::filesystem;
using dxf::testing::Quote;
using dxf::testing::ReadBytes;
using dxf::testing::RunScript;
using dxf::testing::ScratchDir;

// The corpus: Debian's librecad-data, or the folder TRIVANE_DXF_CORPUS names.
fs::path CorpusRoot() {
  const char* other = std::getenv("TRIVANE_DXF_CORPUS");
  return other && *other ? fs::path(other) : fs::path("/usr/share/librecad");
}

std::vector<fs::path> DxfFilesUnder(const fs::path& root) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (entry.is_regular_file() && ext == ".dxf")
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// The same tags in the same order (values as text, group codes however they were padded).
bool SameTags(const std::string& a, const std::string& b) {
  const dxf::Document x = dxf::Read(a);
  const dxf::Document y = dxf::Read(b);
  return x.preamble == y.preamble && x.sections == y.sections;
}

// Each file is read (structural faults put right), loaded into a drawing and saved. A saved file
// with the original's tags, in order and as written, has kept everything; every other one (the
// repaired ones first of all) is checked with ezdxf: its strict reader and audit take it, and it
// has the blocks and, per block, the entities per type and layer that ezdxf's recover mode finds
// in the original. TRIVANE_CORPUS_EZDXF=all has ezdxf check every file (a few minutes).
TEST(Corpus, EveryDrawingLoadsAndSavesWithItsContent) {
  const fs::path root = CorpusRoot();
  ASSERT_TRUE(fs::is_directory(root))
      << root.string() << " is missing: scripts/deps.sh installs librecad-data";
  const std::vector<fs::path> files = DxfFilesUnder(root);
  ASSERT_FALSE(files.empty()) << "no DXF file under " << root.string();
  const char* mode = std::getenv("TRIVANE_CORPUS_EZDXF");
  const bool checkAll = mode && std::string(mode) == "all";

  ScratchDir dir;
  std::vector<std::string> refused;
  std::vector<std::string> repaired;
  std::ofstream pairs(dir.File("pairs.txt"));
  int identical = 0;
  int compared = 0;
  for (std::size_t k = 0; k < files.size(); ++k) {
    const std::string path = files[k].string();
    const std::string name = fs::relative(files[k], root).string();
    try {
      dxf::Repairs repairs;
      const Drawing drawing = ReadDrawingFile(path, {}, repairs);
      const std::string saved = dir.File(std::to_string(k) + ".dxf");
      WriteDrawingFile(drawing, saved);
      if (!repairs.empty()) {
        std::string what;
        for (const dxf::Repair& r : repairs)
          what += (what.empty() ? "" : "; ") + r.what + " x" + std::to_string(r.count);
        repaired.push_back(name + " (" + what + ")");
      }
      if (repairs.empty() && !checkAll && SameTags(ReadBytes(saved), ReadBytes(path))) {
        ++identical;
        continue;
      }
      pairs << path << "\t" << saved << "\n";
      ++compared;
    } catch (const std::exception& e) {
      refused.push_back(name + ": " + e.what());
    }
  }
  std::string list;
  for (const std::string& r : refused)
    list += "\n  " + r;
  EXPECT_TRUE(refused.empty()) << refused.size() << " of " << files.size()
                               << " files were refused:" << list;
  pairs.close();
  if (compared > 0) {
    const auto result = RunScript("check_content.py", Quote("@" + dir.File("pairs.txt")));
    EXPECT_EQ(result.exitCode, 0) << result.output;
  }
  std::cout << files.size() << " DXF files under " << root.string() << ": " << identical
            << " saved with every tag as read, " << repaired.size() << " repaired, " << compared
            << " checked with ezdxf, " << refused.size() << " refused\n";
  for (const std::string& r : repaired)
    std::cout << "  repaired: " << r << "\n";
}

// Every file of the corpus reads the same in one pass as the careful way: the same document, the
// same repairs, or the same error.
TEST(Corpus, OnePassReadsEveryFileAsTheCarefulWay) {
  const fs::path root = CorpusRoot();
  ASSERT_TRUE(fs::is_directory(root));
  const auto read = [](const std::string& bytes, bool onePass) {
    dxf::ReadOptions options;
    options.onePass = onePass;
    dxf::Repairs repairs;
    try {
      const dxf::Document doc = dxf::Read(bytes, "f.dxf", options, repairs);
      std::string summary;
      for (const dxf::Repair& r : repairs)
        summary += dxf::Describe(r, "f.dxf") + "\n";
      return summary + dxf::Write(doc);
    } catch (const dxf::ReadError& e) {
      return std::string(e.what());
    }
  };
  int files = 0;
  for (const fs::path& file : DxfFilesUnder(root)) {
    const std::string bytes = ReadBytes(file.string());
    EXPECT_EQ(read(bytes, true), read(bytes, false)) << file.string();
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace trivane::host

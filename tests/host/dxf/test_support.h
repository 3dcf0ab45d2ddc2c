// Helpers of the DXF tests: fixtures, scratch folders, and the ezdxf scripts beside the tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/test_folder.h"

namespace trivane::dxf::testing {

inline std::string TestDir() {
  return TRIVANE_DXF_TEST_DIR;
}

inline std::string FixturePath(const std::string& name) {
  return TestDir() + "/data/" + name;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// A fresh folder for the running test, removed when the test ends; File names a file in it.
class ScratchDir : public trivane::testing::TestFolder {
 public:
  std::string File(const std::string& name) const { return (path() / name).string(); }
};

struct ScriptResult {
  int exitCode = -1;
  std::string output;
};

// Runs one of the Python scripts beside the tests with Debian's python3 and ezdxf.
inline ScriptResult RunScript(const std::string& script, const std::string& args) {
  const std::string command = std::string("'") + TRIVANE_DXF_PYTHON + "' '" + TestDir() + "/" +
                              script + "' " + args + " 2>&1";
  ScriptResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return result;
  char buf[4096];
  while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe))
    result.output.append(buf, n);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

}  // namespace trivane::dxf::testing

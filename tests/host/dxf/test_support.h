// Helpers of the DXF tests: fixtures, scratch folders, and the ezdxf scripts beside the tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

// A fresh folder for the running test, removed when the test ends.
class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "trivane_dxf_" + std::to_string(::getpid()) + "_" + info->test_suite_name() +
                       "_" + info->name();
    for (char& c : name) {
      if (c == '/')
        c = '_';  // parameterised tests have "/" in their names
    }
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
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

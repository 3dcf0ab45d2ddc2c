// A fresh, empty folder for the running test, removed with everything in it when the test ends.
// Its name carries the test's name and a random part, so tests running at the same time in other
// processes (ctest -j, other builds) never share one.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace trivane::testing {

class TestFolder {
 public:
  TestFolder() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "trivane_";
    if (info)
      name += std::string(info->test_suite_name()) + "_" + info->name() + "_";
    for (char& c : name) {
      if (c == '/')
        c = '_';  // parameterised tests have "/" in their names
    }
    std::random_device seed;
    name += std::to_string(std::uniform_int_distribution<unsigned>(0, 0xFFFFFF)(seed));
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  // The files and folders directly inside.
  std::size_t Entries() const {
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      (void)entry;
      ++n;
    }
    return n;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace trivane::testing

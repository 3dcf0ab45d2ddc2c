// Shared test pieces: a platform that records its message boxes, and a fresh folder per test
// holding the program path the settings and list files are found from.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "cad/platform.h"
#include "tests/test_folder.h"

#ifdef _WIN32
#include "base/win/handles.h"
#else
#include <signal.h>
#include <sys/resource.h>
#endif

namespace trivane::app::testing {

using trivane::testing::TestFolder;

class RecordingPlatform final : public cad::Platform {
 public:
  struct Box {
    std::string text;
    std::string caption;
  };
  std::vector<Box> boxes;

  bool IsProgIdRegistered(std::string_view) override { return false; }
  cad::ObjectRef GetActiveObject(std::string_view) override { return nullptr; }
  bool IsIconic(cad::WindowHandle) override { return false; }
  void OpenIcon(cad::WindowHandle) override {}
  void SetForegroundWindow(cad::WindowHandle) override {}
  cad::WindowHandle GetForegroundWindow() override { return 0; }
  void KeybdEvent(std::uint8_t, std::uint32_t) override {}
  void Sleep(std::uint32_t) override {}
  void MessageBox(std::string_view text, std::string_view caption) override {
    boxes.push_back({std::string(text), std::string(caption)});
  }
  cad::MessageFilterRef RegisterMessageFilter(cad::MessageFilterRef f) override {
    std::swap(filter, f);
    return f;
  }
  cad::MessageFilterRef filter;  // the registered message filter
};

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// While it lives, replacing the file at `path` fails, as on a full disk or with the file held open
// by another program: on POSIX no file may grow beyond 0 bytes (RLIMIT_FSIZE, with SIGXFSZ
// ignored), on Windows the file is held open without sharing.
class ReplacingFails {
 public:
  explicit ReplacingFails([[maybe_unused]] const std::filesystem::path& path) {
#ifdef _WIN32
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file_) << "cannot hold " << path;
#else
    getrlimit(RLIMIT_FSIZE, &limit_);
    handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit none = limit_;
    none.rlim_cur = 0;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
#endif
  }
  ~ReplacingFails() {
#ifndef _WIN32
    setrlimit(RLIMIT_FSIZE, &limit_);
    signal(SIGXFSZ, handler_);
#endif
  }
  ReplacingFails(const ReplacingFails&) = delete;
  ReplacingFails& operator=(const ReplacingFails&) = delete;

 private:
#ifdef _WIN32
  trivane::win::UniqueFile file_;
#else
  rlimit limit_{};
  void (*handler_)(int) = SIG_DFL;
#endif
};

}  // namespace trivane::app::testing

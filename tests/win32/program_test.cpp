// trivane.exe itself: started in a folder of its own, it shows the tool window (with the hidden
// target-CAD dialog); closed, it writes its settings file beside itself and ends; started again,
// it comes back as it was left.
#include <gtest/gtest.h>

#include "cad/com/win.h"

#include <filesystem>
#include <string>
#include <vector>

#include "app/win32/native_controls.h"
#include "app/win32/wide_text.h"
#include "tests/app/app_fixture.h"

namespace trivane::app::win32::testing {
namespace {

// The program, from the test program's own folder (set by the build).
std::filesystem::path BuiltProgram() {
  std::wstring self(MAX_PATH * 4, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  return (std::filesystem::path(self).parent_path() / TRIVANE_PROGRAM_FROM_TESTS)
      .lexically_normal();
}

struct TopWindows {
  DWORD process = 0;
  std::vector<HWND> found;
};

std::vector<HWND> WindowsOf(DWORD process) {
  TopWindows windows{process, {}};
  EnumWindows(
      [](HWND w, LPARAM data) {
        auto* t = reinterpret_cast<TopWindows*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == t->process)
          t->found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows.found;
}

std::wstring ClassOf(HWND w) {
  wchar_t name[128] = {};
  GetClassNameW(w, name, 128);
  return name;
}

// One run of the program.
class ProgramRun {
 public:
  explicit ProgramRun(const std::filesystem::path& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + program.wstring() + L"\"";
    started_ = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              program.parent_path().c_str(), &startup, &process_) != FALSE;
    for (int i = 0; started_ && i < 1000 && window_ == nullptr; ++i) {
      for (HWND w : WindowsOf(process_.dwProcessId)) {
        if (ClassOf(w) == kMainWindowClass && IsWindowVisible(w))
          window_ = w;
      }
      if (window_ == nullptr)
        Sleep(10);
    }
  }
  ~ProgramRun() {
    if (started_) {
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
  }
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  HWND Window() const { return window_; }
  DWORD ProcessId() const { return process_.dwProcessId; }
  // Closes the window as the user does; the exit code, or -1 when the program does not end.
  int Close() {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0)
      return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
  }

 private:
  bool started_ = false;
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// The keys of a section, each "key=value".
std::vector<std::wstring> SectionEntries(const std::filesystem::path& ini, const wchar_t* section) {
  std::vector<wchar_t> buffer(32768, L'\0');
  const DWORD got = GetPrivateProfileSectionW(section, buffer.data(),
                                              static_cast<DWORD>(buffer.size()), ini.c_str());
  std::vector<std::wstring> entries;
  for (DWORD at = 0; at < got;) {
    std::wstring entry(buffer.data() + at);
    at += static_cast<DWORD>(entry.size()) + 1;
    entries.push_back(std::move(entry));
  }
  return entries;
}

TEST(ProgramTest, StartsWithTheWindowAndEndsWithTheSettingsSaved) {
  app::testing::TestFolder folder;
  const std::filesystem::path program = folder / "trivane.exe";
  std::filesystem::copy_file(BuiltProgram(), program);
  const std::filesystem::path ini = folder / "trivane.ini";
  {
    ProgramRun run(program);
    ASSERT_NE(run.Window(), nullptr);
    EXPECT_EQ(WindowText(run.Window()), "■ [ ZWCAD ]");
    RECT frame;
    GetWindowRect(run.Window(), &frame);
    EXPECT_EQ(frame.left, 589);
    EXPECT_EQ(frame.top, 336);
    EXPECT_NE(GetWindowLongPtrW(run.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    // The target-CAD dialog exists from the start, hidden.
    int dialogs = 0;
    for (HWND w : WindowsOf(run.ProcessId())) {
      if (ClassOf(w) == kTargetCadDialogClass) {
        ++dialogs;
        EXPECT_FALSE(IsWindowVisible(w));
      }
    }
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(std::filesystem::exists(ini));  // read at the start, written at the end

    SetWindowPos(run.Window(), nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(run.Close(), 0);
  }
  ASSERT_TRUE(std::filesystem::exists(ini));
  EXPECT_EQ(app::testing::ReadBytes(ini).substr(0, 2), "\xFF\xFE");  // UTF-16LE
  EXPECT_EQ(SectionEntries(ini, L"Form"), (std::vector<std::wstring>{L"Top=120", L"Left=100"}));
  const std::vector<std::wstring> settings = SectionEntries(ini, L"LT_Trivane");
  EXPECT_EQ(settings.size(), 30u);
  EXPECT_EQ(settings.front(), L"Kakudo=180.0");
  EXPECT_EQ(settings.back(), L"cadName=ZWCAD");

  // Started again with a target of another name and the 三斜 method.
  WritePrivateProfileStringW(L"LT_Trivane", L"cadName", L"図研 CAD", ini.c_str());
  WritePrivateProfileStringW(L"LT_Trivane", L"Kyuuseki", L"1", ini.c_str());
  ProgramRun again(program);
  ASSERT_NE(again.Window(), nullptr);
  EXPECT_EQ(WindowText(again.Window()), "■ [ 図研 CAD ]");
  RECT frame;
  GetWindowRect(again.Window(), &frame);
  EXPECT_EQ(frame.left, 100);
  EXPECT_EQ(frame.top, 120);
  EXPECT_EQ(again.Close(), 0);
  EXPECT_EQ(SectionEntries(ini, L"LT_Trivane")[3], L"Kyuuseki=1");
}

}  // namespace
}  // namespace trivane::app::win32::testing

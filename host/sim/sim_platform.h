// A simulated operating system for the built-in host and the tests: a running-object table, the
// CAD's window and the foreground, key events, a virtual clock and a record of what happened.
//
//   sim::SimPlatform os;
//   os.Run("ZWCAD.Application", host->Application(), host->hwnd());  // the CAD runs
//   os.Minimise(host->hwnd());
//   cad::CadLink link(os);
//   link.ProgId = "ZWCAD.Application";
//   cad::BeginCadCommand(link);
//   os.events();  // Restored at 0, Slept 500, Fronted at 500, KeyDown, Slept 5, KeyUp, Slept 200
//
// Nothing sleeps for real: Sleep advances the clock. ProgIDs compare with ASCII folding, as the
// registry compares class names.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cad/platform.h"

namespace trivane::host::sim {

// The tool window of the program itself: it holds the foreground at the start.
inline constexpr cad::WindowHandle kToolWindow = 0x0001'0010;

enum class EventKind {
  Restored,       // OpenIcon on a minimised window: it is restored
  Fronted,        // SetForegroundWindow succeeded
  FrontRefused,   // SetForegroundWindow failed: the window stays behind
  KeyDown,        // keybd_event without the key-up flag
  KeyUp,          // keybd_event with the key-up flag
  Slept,          // Sleep; `at` is when the wait began
  MessageShown,   // MessageBox
  FilterChanged,  // CoRegisterMessageFilter
};

struct Event {
  EventKind kind = EventKind::Slept;
  std::uint64_t at = 0;          // virtual milliseconds since the start
  cad::WindowHandle window = 0;  // the window concerned; for keys the foreground window
  std::uint32_t value = 0;       // the virtual key of a key event, the milliseconds of a sleep
  std::string text;              // message text
  std::string caption;           // message caption
};

class SimPlatform final : public cad::Platform {
 public:
  SimPlatform() { windows_.try_emplace(kToolWindow); }
  SimPlatform(const SimPlatform&) = delete;
  SimPlatform& operator=(const SimPlatform&) = delete;

  // --- Running-object table
  // ------------------------------------------------------------------------ The ProgID is known on
  // this computer, but nothing runs under it.
  void RegisterProgId(std::string_view progId);
  // The application runs under the ProgID (registered too), its main window `window` restored and
  // behind the tool window. Replaces an instance already running under it.
  void Run(std::string_view progId, cad::ObjectRef application, cad::WindowHandle window);
  // The instance under the ProgID quits; the ProgID stays registered. Its window goes.
  void Quit(std::string_view progId);

  // --- Windows
  // -------------------------------------------------------------------------------------
  void Minimise(cad::WindowHandle w);
  // The window will not (or again will) come to the front when asked.
  void RefuseFront(cad::WindowHandle w, bool refuse = true);
  // Another program takes the foreground with `holder` and keeps it: every SetForegroundWindow
  // fails until ReleaseForeground.
  void HoldForeground(cad::WindowHandle holder);
  void ReleaseForeground();
  bool minimised(cad::WindowHandle w) const;
  cad::WindowHandle foreground() const { return foreground_; }
  // Called when an Esc key-up reaches `w` (the window in front): a CAD cancels its command.
  void SetEscapeHook(cad::WindowHandle w, std::function<void()> hook);

  // --- Clock and record
  // ----------------------------------------------------------------------------
  std::uint64_t now() const { return now_; }
  const std::vector<Event>& events() const { return events_; }
  std::vector<Event> EventsOf(EventKind kind) const;
  void ClearEvents() { events_.clear(); }
  // The thread's registered message filter (nullptr: none).
  const cad::MessageFilterRef& messageFilter() const { return filter_; }

  // --- cad::Platform
  // -------------------------------------------------------------------------------
  bool IsProgIdRegistered(std::string_view progId) override;
  cad::ObjectRef GetActiveObject(std::string_view progId) override;
  bool IsIconic(cad::WindowHandle w) override;
  void OpenIcon(cad::WindowHandle w) override;
  void SetForegroundWindow(cad::WindowHandle w) override;
  cad::WindowHandle GetForegroundWindow() override { return foreground_; }
  void KeybdEvent(std::uint8_t virtualKey, std::uint32_t flags) override;
  void Sleep(std::uint32_t milliseconds) override;
  void MessageBox(std::string_view text, std::string_view caption) override;
  cad::MessageFilterRef RegisterMessageFilter(cad::MessageFilterRef filter) override;

 private:
  struct Class {
    std::string progId;
    cad::ObjectRef running;  // nullptr: registered, not running
    cad::WindowHandle window = 0;
  };
  struct Window {
    bool minimised = false;
    bool refusesFront = false;
    std::function<void()> onEscape;
  };

  Class* FindClass(std::string_view progId);
  void Record(EventKind kind, cad::WindowHandle window = 0, std::uint32_t value = 0,
              std::string_view text = {}, std::string_view caption = {});

  std::vector<Class> classes_;
  std::map<cad::WindowHandle, Window> windows_;
  cad::WindowHandle foreground_ = kToolWindow;
  bool foregroundHeld_ = false;
  std::uint64_t now_ = 0;
  std::vector<Event> events_;
  cad::MessageFilterRef filter_;
};

}  // namespace trivane::host::sim

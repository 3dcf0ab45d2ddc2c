// What the system takes from the operating system, behind one small interface.
//
// Two implementations: the Win32 one (cad/com/, Windows only) and the simulated one of the
// built-in host (host/sim/), which keeps a virtual clock and a record of what was called so that
// tests can assert on restores, Esc presses, waits, message boxes and the message filter.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "cad/automation.h"

namespace trivane::cad {

// A window handle as the CAD reports it through its HWND property (a 64-bit integer).
using WindowHandle = std::int64_t;

inline constexpr std::uint8_t kVirtualKeyEscape = 27;
inline constexpr std::uint32_t kKeyEventKeyUp = 2;  // KEYEVENTF_KEYUP

// The three answers of a COM message filter (IMessageFilter), without COM types: a task handle
// travels as an integer, the interface information as an opaque pointer. Results are the DWORD
// values COM expects.
class MessageFilter {
 public:
  virtual ~MessageFilter() = default;

  // An incoming call arrives while this thread waits: SERVERCALL_ISHANDLED (0),
  // SERVERCALL_REJECTED (1) or SERVERCALL_RETRYLATER (2).
  virtual std::uint32_t HandleInComingCall(std::uint32_t callType, std::uintptr_t taskCaller,
                                           std::uint32_t tickCount, const void* interfaceInfo) = 0;
  // The callee rejected an outgoing call: the milliseconds to wait before retrying it (below
  // 100 retries at once), or 0xFFFFFFFF ((DWORD)-1) to cancel the call, which then fails in the
  // caller. `rejectType` is SERVERCALL_REJECTED (1) or SERVERCALL_RETRYLATER (2).
  virtual std::uint32_t RetryRejectedCall(std::uintptr_t taskCallee, std::uint32_t tickCount,
                                          std::uint32_t rejectType) = 0;
  // A window message arrives while an outgoing call waits: PENDINGMSG_CANCELCALL (0),
  // PENDINGMSG_WAITNOPROCESS (1) or PENDINGMSG_WAITDEFPROCESS (2).
  virtual std::uint32_t MessagePending(std::uintptr_t taskCallee, std::uint32_t tickCount,
                                       std::uint32_t pendingType) = 0;
};
// Filters are reference-counted, as COM objects are; nullptr stands for "no filter".
using MessageFilterRef = std::shared_ptr<MessageFilter>;

class Platform {
 public:
  virtual ~Platform() = default;

  // CLSIDFromProgID: false when the ProgID is not registered on this computer.
  virtual bool IsProgIdRegistered(std::string_view progId) = 0;
  // CLSIDFromProgID + GetActiveObject + QueryInterface(IDispatch): the running instance registered
  // under the ProgID, or nullptr when the ProgID is unknown or nothing runs under it.
  virtual ObjectRef GetActiveObject(std::string_view progId) = 0;

  // Window calls.
  virtual bool IsIconic(WindowHandle w) = 0;
  virtual void OpenIcon(WindowHandle w) = 0;
  virtual void SetForegroundWindow(WindowHandle w) = 0;
  virtual WindowHandle GetForegroundWindow() = 0;
  virtual void KeybdEvent(std::uint8_t virtualKey, std::uint32_t flags) = 0;

  // Blocks the user-interface thread for `milliseconds` (the simulation advances its clock).
  virtual void Sleep(std::uint32_t milliseconds) = 0;

  // A message box owned by the tool window, with an OK button only. Texts are UTF-8.
  virtual void MessageBox(std::string_view text, std::string_view caption) = 0;

  // CoRegisterMessageFilter: makes `filter` (nullptr: none) the message filter of the calling
  // thread and returns the filter registered before it (nullptr: none). The Win32 platform wraps
  // a foreign IMessageFilter it gets back in a MessageFilter that forwards to it, and unwraps such
  // a wrapper when it is registered again, so that the previous filter is put back as it was.
  virtual MessageFilterRef RegisterMessageFilter(MessageFilterRef filter) = 0;
};

// A platform that hands every call on to another, for a platform that changes a few of them
// (a transcript of the message boxes, an owner window, a test's record): it overrides those only.
class ForwardingPlatform : public Platform {
 public:
  // `inner` outlives this platform (it may be a member of the subclass: it is not used before the
  // first call).
  explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

  bool IsProgIdRegistered(std::string_view progId) override {
    return inner_.IsProgIdRegistered(progId);
  }
  ObjectRef GetActiveObject(std::string_view progId) override {
    return inner_.GetActiveObject(progId);
  }
  bool IsIconic(WindowHandle w) override { return inner_.IsIconic(w); }
  void OpenIcon(WindowHandle w) override { inner_.OpenIcon(w); }
  void SetForegroundWindow(WindowHandle w) override { inner_.SetForegroundWindow(w); }
  WindowHandle GetForegroundWindow() override { return inner_.GetForegroundWindow(); }
  void KeybdEvent(std::uint8_t virtualKey, std::uint32_t flags) override {
    inner_.KeybdEvent(virtualKey, flags);
  }
  void Sleep(std::uint32_t milliseconds) override { inner_.Sleep(milliseconds); }
  void MessageBox(std::string_view text, std::string_view caption) override {
    inner_.MessageBox(text, caption);
  }
  MessageFilterRef RegisterMessageFilter(MessageFilterRef filter) override {
    return inner_.RegisterMessageFilter(std::move(filter));
  }

 private:
  Platform& inner_;
};

}  // namespace trivane::cad

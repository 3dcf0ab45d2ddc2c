#include "cad/com/win32_platform.h"

#include <memory>
#include <string>
#include <utility>

#include "cad/com/com_object.h"
#include "cad/com/raii.h"
#include "cad/com/text.h"

namespace trivane::cad::com {
namespace {

// {8E3A1C52-27D4-4F0B-A6E1-3B5D9C0F4E72}: answered only by ComMessageFilter, so that a filter we
// registered is recognised when COM hands it back as the previous one.
constexpr IID kComMessageFilterIid = {
    0x8e3a1c52, 0x27d4, 0x4f0b, {0xa6, 0xe1, 0x3b, 0x5d, 0x9c, 0x0f, 0x4e, 0x72}};

// IMessageFilter over a MessageFilter. An exception from the filter gets the answer that lets
// COM go on as if no filter were registered.
class ComMessageFilter final : public IMessageFilter {
 public:
  static ComPtr<IMessageFilter> Create(MessageFilterRef filter) {
    return ComPtr<IMessageFilter>::Adopt(new ComMessageFilter(std::move(filter)));
  }
  // The filter behind `f` when it is a ComMessageFilter, else nullptr.
  static MessageFilterRef Unwrap(IMessageFilter* f) {
    void* found = nullptr;
    if (!f || FAILED(f->QueryInterface(kComMessageFilterIid, &found)) || !found)
      return nullptr;
    auto* self = static_cast<ComMessageFilter*>(found);
    MessageFilterRef filter = self->filter_;
    self->Release();
    return filter;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object)
      return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMessageFilter || riid == kComMessageFilterIid) {
      *object = static_cast<IMessageFilter*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0)
      delete this;
    return static_cast<ULONG>(left);
  }

  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                             LPINTERFACEINFO info) override {
    try {
      return filter_->HandleInComingCall(callType, reinterpret_cast<std::uintptr_t>(caller),
                                         tickCount, info);
    } catch (...) {
      return SERVERCALL_ISHANDLED;
    }
  }
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD tickCount,
                                            DWORD rejectType) override {
    try {
      return filter_->RetryRejectedCall(reinterpret_cast<std::uintptr_t>(callee), tickCount,
                                        rejectType);
    } catch (...) {
      return static_cast<DWORD>(-1);
    }
  }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD tickCount,
                                         DWORD pendingType) override {
    try {
      return filter_->MessagePending(reinterpret_cast<std::uintptr_t>(callee), tickCount,
                                     pendingType);
    } catch (...) {
      return PENDINGMSG_WAITDEFPROCESS;
    }
  }

 private:
  explicit ComMessageFilter(MessageFilterRef filter) : filter_(std::move(filter)) {}
  ~ComMessageFilter() = default;

  LONG refs_ = 1;
  MessageFilterRef filter_;
};

// A MessageFilter over an IMessageFilter registered by someone else (another component of the
// process): it forwards the three calls and is unwrapped when registered again.
class ForeignMessageFilter final : public MessageFilter {
 public:
  explicit ForeignMessageFilter(ComPtr<IMessageFilter> f) : f_(std::move(f)) {}

  std::uint32_t HandleInComingCall(std::uint32_t callType, std::uintptr_t taskCaller,
                                   std::uint32_t tickCount, const void* interfaceInfo) override {
    return f_->HandleInComingCall(callType, reinterpret_cast<HTASK>(taskCaller), tickCount,
                                  static_cast<LPINTERFACEINFO>(const_cast<void*>(interfaceInfo)));
  }
  std::uint32_t RetryRejectedCall(std::uintptr_t taskCallee, std::uint32_t tickCount,
                                  std::uint32_t rejectType) override {
    return f_->RetryRejectedCall(reinterpret_cast<HTASK>(taskCallee), tickCount, rejectType);
  }
  std::uint32_t MessagePending(std::uintptr_t taskCallee, std::uint32_t tickCount,
                               std::uint32_t pendingType) override {
    return f_->MessagePending(reinterpret_cast<HTASK>(taskCallee), tickCount, pendingType);
  }

  const ComPtr<IMessageFilter>& get() const { return f_; }

 private:
  ComPtr<IMessageFilter> f_;
};

// The CLSID registered for `progId`, or nothing.
bool FindClsid(std::string_view progId, CLSID& clsid) {
  std::wstring wide;
  try {
    wide = Utf8ToWide(progId);
  } catch (const AutomationError&) {
    return false;
  }
  if (wide.empty() || wide.find(L'\0') != std::wstring::npos)
    return false;
  return SUCCEEDED(CLSIDFromProgID(wide.c_str(), &clsid));
}

}  // namespace

HWND ToHwnd(WindowHandle w) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(w));
}

WindowHandle FromHwnd(HWND h) {
  return static_cast<WindowHandle>(reinterpret_cast<std::intptr_t>(h));
}

bool Win32Platform::IsProgIdRegistered(std::string_view progId) {
  CLSID clsid;
  return FindClsid(progId, clsid);
}

ObjectRef Win32Platform::GetActiveObject(std::string_view progId) {
  CLSID clsid;
  if (!FindClsid(progId, clsid))
    return nullptr;
  ComPtr<IUnknown> unknown;
  if (FAILED(::GetActiveObject(clsid, nullptr, unknown.Receive())) || !unknown)
    return nullptr;
  ComPtr<IDispatch> dispatch = unknown.As<IDispatch>();
  if (!dispatch)
    return nullptr;
  return std::make_shared<ComObject>(std::move(dispatch));
}

bool Win32Platform::IsIconic(WindowHandle w) {
  return ::IsIconic(ToHwnd(w)) != FALSE;
}

void Win32Platform::OpenIcon(WindowHandle w) {
  ::OpenIcon(ToHwnd(w));
}

void Win32Platform::SetForegroundWindow(WindowHandle w) {
  ::SetForegroundWindow(ToHwnd(w));
}

WindowHandle Win32Platform::GetForegroundWindow() {
  return FromHwnd(::GetForegroundWindow());
}

void Win32Platform::KeybdEvent(std::uint8_t virtualKey, std::uint32_t flags) {
  const auto scan = static_cast<BYTE>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
  keybd_event(virtualKey, scan, flags, 0);
}

void Win32Platform::Sleep(std::uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

void Win32Platform::MessageBox(std::string_view text, std::string_view caption) {
  // A text that is not valid UTF-8 is still shown, with the bad bytes replaced, rather than lost.
  const auto widen = [](std::string_view s) {
    try {
      return Utf8ToWide(s);
    } catch (const AutomationError&) {
      const int n =
          MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
      std::wstring w(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
      if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
      return w;
    }
  };
  const std::wstring wideText = widen(text);
  const std::wstring wideCaption = widen(caption);
  MessageBoxW(owner_, wideText.c_str(), wideCaption.c_str(), MB_OK);
}

MessageFilterRef Win32Platform::RegisterMessageFilter(MessageFilterRef filter) {
  ComPtr<IMessageFilter> next;
  if (auto* foreign = dynamic_cast<ForeignMessageFilter*>(filter.get()))
    next = foreign->get();
  else if (filter)
    next = ComMessageFilter::Create(std::move(filter));
  ComPtr<IMessageFilter> previous;
  const HRESULT hr = CoRegisterMessageFilter(next.get(), previous.Receive());
  if (FAILED(hr))
    throw AutomationError("CoRegisterMessageFilter", HresultText(hr),
                          static_cast<std::int32_t>(hr));
  if (!previous)
    return nullptr;
  if (MessageFilterRef ours = ComMessageFilter::Unwrap(previous.get()))
    return ours;
  return std::make_shared<ForeignMessageFilter>(std::move(previous));
}

}  // namespace trivane::cad::com

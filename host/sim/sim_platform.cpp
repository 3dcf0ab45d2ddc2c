#include "host/sim/sim_platform.h"

#include <utility>

#include "cad/names.h"

namespace trivane::host::sim {

SimPlatform::Class* SimPlatform::FindClass(std::string_view progId) {
  for (Class& c : classes_) {
    if (cad::NamesEqual(c.progId, progId))
      return &c;
  }
  return nullptr;
}

void SimPlatform::Record(EventKind kind, cad::WindowHandle window, std::uint32_t value,
                         std::string_view text, std::string_view caption) {
  events_.push_back(Event{kind, now_, window, value, std::string(text), std::string(caption)});
}

void SimPlatform::RegisterProgId(std::string_view progId) {
  if (!FindClass(progId))
    classes_.push_back(Class{std::string(progId), nullptr, 0});
}

void SimPlatform::Run(std::string_view progId, cad::ObjectRef application,
                      cad::WindowHandle window) {
  RegisterProgId(progId);
  Class& c = *FindClass(progId);
  c.running = std::move(application);
  c.window = window;
  windows_.try_emplace(window);
}

void SimPlatform::Quit(std::string_view progId) {
  Class* c = FindClass(progId);
  if (!c || !c->running)
    return;
  c->running = nullptr;
  windows_.erase(c->window);
  if (foreground_ == c->window)
    foreground_ = kToolWindow;
  c->window = 0;
}

void SimPlatform::Minimise(cad::WindowHandle w) {
  windows_[w].minimised = true;
  if (foreground_ == w && !foregroundHeld_)
    foreground_ = kToolWindow;
}

void SimPlatform::RefuseFront(cad::WindowHandle w, bool refuse) {
  windows_[w].refusesFront = refuse;
}

void SimPlatform::HoldForeground(cad::WindowHandle holder) {
  foreground_ = holder;
  foregroundHeld_ = true;
}

void SimPlatform::ReleaseForeground() {
  foregroundHeld_ = false;
}

bool SimPlatform::minimised(cad::WindowHandle w) const {
  const auto it = windows_.find(w);
  return it != windows_.end() && it->second.minimised;
}

void SimPlatform::SetEscapeHook(cad::WindowHandle w, std::function<void()> hook) {
  windows_[w].onEscape = std::move(hook);
}

std::vector<Event> SimPlatform::EventsOf(EventKind kind) const {
  std::vector<Event> found;
  for (const Event& e : events_) {
    if (e.kind == kind)
      found.push_back(e);
  }
  return found;
}

bool SimPlatform::IsProgIdRegistered(std::string_view progId) {
  return FindClass(progId) != nullptr;
}

cad::ObjectRef SimPlatform::GetActiveObject(std::string_view progId) {
  const Class* c = FindClass(progId);
  return c ? c->running : nullptr;
}

bool SimPlatform::IsIconic(cad::WindowHandle w) {
  return minimised(w);
}

void SimPlatform::OpenIcon(cad::WindowHandle w) {
  const auto it = windows_.find(w);
  if (it == windows_.end() || !it->second.minimised)
    return;
  it->second.minimised = false;
  Record(EventKind::Restored, w);
}

void SimPlatform::SetForegroundWindow(cad::WindowHandle w) {
  const auto it = windows_.find(w);
  const bool comes = it != windows_.end() && !it->second.refusesFront && !foregroundHeld_;
  if (comes)
    foreground_ = w;
  Record(comes ? EventKind::Fronted : EventKind::FrontRefused, w);
}

void SimPlatform::KeybdEvent(std::uint8_t virtualKey, std::uint32_t flags) {
  const bool up = (flags & cad::kKeyEventKeyUp) != 0;
  Record(up ? EventKind::KeyUp : EventKind::KeyDown, foreground_, virtualKey);
  if (!up || virtualKey != cad::kVirtualKeyEscape)
    return;
  const auto it = windows_.find(foreground_);
  if (it != windows_.end() && it->second.onEscape) {
    // A copy: the hook may set another hook on this window.
    const std::function<void()> hook = it->second.onEscape;
    hook();
  }
}

void SimPlatform::Sleep(std::uint32_t milliseconds) {
  Record(EventKind::Slept, 0, milliseconds);
  now_ += milliseconds;
}

void SimPlatform::MessageBox(std::string_view text, std::string_view caption) {
  Record(EventKind::MessageShown, 0, 0, text, caption);
}

cad::MessageFilterRef SimPlatform::RegisterMessageFilter(cad::MessageFilterRef filter) {
  Record(EventKind::FilterChanged);
  std::swap(filter_, filter);
  return filter;
}

}  // namespace trivane::host::sim

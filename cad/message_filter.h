// The COM message filter of the user-interface thread: calls into a busy CAD wait instead of
// failing, and the tool window ignores input while such a call is outstanding.
//
//   auto filter = std::make_shared<TMessageFilter>(*link.platform);
//   filter->RegisterFilter();   // FormCreate
//   ...
//   filter->RevokeFilter();     // FormDestroy: the previous filter (or none) is back
//
// Portable: the platform does the registration (CoRegisterMessageFilter on Windows, where a COM
// IMessageFilter adapter forwards the three calls to this object).
#pragma once

#include <cstdint>
#include <memory>

#include "cad/platform.h"

namespace trivane::cad {

// Values of the IMessageFilter protocol.
inline constexpr std::uint32_t kServerCallIsHandled = 0;           // SERVERCALL_ISHANDLED
inline constexpr std::uint32_t kServerCallRejected = 1;            // SERVERCALL_REJECTED
inline constexpr std::uint32_t kServerCallRetryLater = 2;          // SERVERCALL_RETRYLATER
inline constexpr std::uint32_t kCancelRejectedCall = 0xFFFFFFFFu;  // (DWORD)-1
inline constexpr std::uint32_t kPendingMsgWaitNoProcess = 1;       // PENDINGMSG_WAITNOPROCESS

// How long a call that a busy callee asked to retry later waits before it is retried.
inline constexpr std::uint32_t kRetryLaterDelayMs = 1000;

class TMessageFilter final : public MessageFilter,
                             public std::enable_shared_from_this<TMessageFilter> {
 public:
  // The platform outlives the filter.
  explicit TMessageFilter(Platform& platform) : platform_(&platform) {}

  // Every incoming call is handled.
  std::uint32_t HandleInComingCall(std::uint32_t callType, std::uintptr_t taskCaller,
                                   std::uint32_t tickCount, const void* interfaceInfo) override;
  // A busy callee (SERVERCALL_RETRYLATER) gets the same call again after 1000 ms, as often as it
  // asks; any other rejection cancels the call, which then fails in the caller.
  std::uint32_t RetryRejectedCall(std::uintptr_t taskCallee, std::uint32_t tickCount,
                                  std::uint32_t rejectType) override;
  // Keep waiting and dispatch nothing: only task-switch and activation messages get through.
  std::uint32_t MessagePending(std::uintptr_t taskCallee, std::uint32_t tickCount,
                               std::uint32_t pendingType) override;

  // Registers this filter for the thread and keeps the one registered before in FOldFilter.
  // A second call while registered does nothing (it would otherwise keep itself as the old one).
  // The filter must be owned by a shared_ptr.
  void RegisterFilter();
  // Registers FOldFilter again, which puts back the previous filter (or none), and lets go of it.
  // Does nothing while not registered.
  void RevokeFilter();

  bool registered() const { return registered_; }

  // The filter registered before this one (nullptr: none); held only while registered.
  MessageFilterRef FOldFilter;

 private:
  Platform* platform_;
  bool registered_ = false;
};

}  // namespace trivane::cad

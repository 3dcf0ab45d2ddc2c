#include "cad/message_filter.h"

namespace trivane::cad {

std::uint32_t TMessageFilter::HandleInComingCall(std::uint32_t, std::uintptr_t, std::uint32_t,
                                                 const void*) {
  return kServerCallIsHandled;
}

std::uint32_t TMessageFilter::RetryRejectedCall(std::uintptr_t, std::uint32_t,
                                                std::uint32_t rejectType) {
  return rejectType == kServerCallRetryLater ? kRetryLaterDelayMs : kCancelRejectedCall;
}

std::uint32_t TMessageFilter::MessagePending(std::uintptr_t, std::uint32_t, std::uint32_t) {
  return kPendingMsgWaitNoProcess;
}

void TMessageFilter::RegisterFilter() {
  if (registered_)
    return;
  FOldFilter = platform_->RegisterMessageFilter(shared_from_this());
  registered_ = true;
}

void TMessageFilter::RevokeFilter() {
  if (!registered_)
    return;
  platform_->RegisterMessageFilter(FOldFilter);
  FOldFilter.reset();
  registered_ = false;
}

}  // namespace trivane::cad

#include "cad/message_filter.h"

#include <gtest/gtest.h>

#include <memory>

#include "host/sim/sim_platform.h"

namespace trivane::cad {
namespace {

TEST(MessageFilterTest, Answers) {
  host::sim::SimPlatform os;
  TMessageFilter filter(os);
  struct Case {
    std::uint32_t rejectType;
    std::uint32_t retry;
  } cases[] = {
      {kServerCallRetryLater, 1000},  // busy: the same call again after a second
      {kServerCallRejected, kCancelRejectedCall},
      {kServerCallIsHandled, kCancelRejectedCall},
      {7, kCancelRejectedCall},
  };
  // However long the call has waited: a busy callee is asked again for as long as it asks.
  for (const Case& c : cases) {
    for (const std::uint32_t waited : {0u, 5000u, 3600000u, 0xFFFFFFF0u})
      EXPECT_EQ(filter.RetryRejectedCall(0x1234, waited, c.rejectType), c.retry)
          << c.rejectType << " after " << waited << " ms";
  }
  EXPECT_EQ(static_cast<std::int32_t>(kCancelRejectedCall), -1);
  for (std::uint32_t callType : {1u, 2u, 3u, 4u})
    EXPECT_EQ(filter.HandleInComingCall(callType, 0x1234, 0, nullptr), 0u);
  for (std::uint32_t pendingType : {1u, 2u})
    EXPECT_EQ(filter.MessagePending(0x1234, 100, pendingType), 1u);  // PENDINGMSG_WAITNOPROCESS
}

// A filter some other component registered before ours.
class OtherFilter final : public MessageFilter {
 public:
  std::uint32_t HandleInComingCall(std::uint32_t, std::uintptr_t, std::uint32_t,
                                   const void*) override {
    return 1;
  }
  std::uint32_t RetryRejectedCall(std::uintptr_t, std::uint32_t, std::uint32_t) override {
    return 0;
  }
  std::uint32_t MessagePending(std::uintptr_t, std::uint32_t, std::uint32_t) override { return 2; }
};

TEST(MessageFilterTest, RevokePutsBackThePreviousFilterOrNone) {
  for (const bool hadOne : {true, false}) {
    host::sim::SimPlatform os;
    const MessageFilterRef previous = hadOne ? std::make_shared<OtherFilter>() : nullptr;
    os.RegisterMessageFilter(previous);
    auto filter = std::make_shared<TMessageFilter>(os);

    filter->RegisterFilter();
    EXPECT_EQ(os.messageFilter(), filter);
    EXPECT_EQ(filter->FOldFilter, previous);

    filter->RevokeFilter();
    EXPECT_EQ(os.messageFilter(), previous);
    EXPECT_EQ(filter->FOldFilter, nullptr) << "revoked: the old filter is no longer held";
  }
}

TEST(MessageFilterTest, RegisteringTwiceDoesNotLoseThePreviousFilter) {
  host::sim::SimPlatform os;
  const auto previous = std::make_shared<OtherFilter>();
  os.RegisterMessageFilter(previous);
  auto filter = std::make_shared<TMessageFilter>(os);
  filter->RegisterFilter();
  filter->RegisterFilter();
  EXPECT_EQ(filter->FOldFilter, previous);
  filter->RevokeFilter();
  EXPECT_EQ(os.messageFilter(), previous);
  filter->RevokeFilter();  // not registered: nothing happens
  EXPECT_EQ(os.messageFilter(), previous);
}

}  // namespace
}  // namespace trivane::cad

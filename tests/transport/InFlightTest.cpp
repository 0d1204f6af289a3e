#include <gtest/gtest.h>

#include "transport/InFlight.h"

namespace {

namespace inflight = transport::inflight;

// Two exchanges with one server and one with another: the sockets to a
// server may be shut only once every exchange with it was closed.
TEST(InFlight, SocketsMayBeShutOnlyWhenEveryExchangeWithTheServerWasClosed) {
    const int before = inflight::Count();
    inflight::Begin("a:80");
    inflight::Begin("a:80");
    inflight::Begin("b:80");
    EXPECT_EQ(inflight::Count(), before + 3);
    inflight::Closed("a:80");
    EXPECT_FALSE(inflight::AllClosed("a:80"));   // the other one is live
    EXPECT_FALSE(inflight::AllClosed("b:80"));
    inflight::End("a:80", false);                // the live one ends with its reply
    EXPECT_TRUE(inflight::AllClosed("a:80"));
    inflight::Begin("a:80");                     // a new one begins
    EXPECT_FALSE(inflight::AllClosed("a:80"));
    inflight::End("a:80", false);
    inflight::End("a:80", true);
    inflight::End("b:80", false);
    EXPECT_EQ(inflight::Count(), before);
    EXPECT_TRUE(inflight::AllClosed("a:80"));   // none in flight
}

}  // namespace

// One UDP datagram to a local socket, and the refusals that must not reach the network.
#include "platform/posix/udp.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/loopback_receiver.h"

TEST(SendDatagram, DeliversTheBytesExactlyOnceAndRefusesHostsThatAreNoDottedAddressAndPortsOutOfRange) {
  LoopbackReceiver receiver;
  ASSERT_NE(receiver.port, 0);
  const std::string bytes("/a\0\0,\0\0\0", 8);
  EXPECT_TRUE(sendDatagram("127.0.0.1", receiver.port, bytes));
  EXPECT_EQ(receiver.next(), bytes);
  for (const auto& [host, port] : {std::pair{"localhost", receiver.port},
                                   {"::1", receiver.port},
                                   {"127.0.0.1", 0},
                                   {"127.0.0.1", 65536}})
    EXPECT_FALSE(sendDatagram(host, port, "x")) << host << ":" << port;
  EXPECT_EQ(receiver.next(50), std::nullopt);
}

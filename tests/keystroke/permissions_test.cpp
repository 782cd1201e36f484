// The permissions watch: checked every 2 s, observers told only of a change.
#include "keystroke/permissions.h"

#include <gtest/gtest.h>

#include "support/recording_key_output.h"
#include "support/virtual_loop.h"

// Opening what is missing asks for trust only while it is missing.
TEST(Permissions, MissingFollowsTheTrustAndIsAnnouncedOnlyWhenItChanges) {
  VirtualLoop loop;
  RecordingKeyOutput keys;
  keys.isTrusted = false;
  const auto permissions = std::make_shared<Permissions>(loop, keys);
  int told = 0;
  permissions->subscribe([&] { ++told; });
  permissions->watch();
  EXPECT_EQ(permissions->missing, std::vector<std::string>{"Accessibility"});
  loop.advance(10);
  keys.isTrusted = true;
  loop.advance(1.9);
  EXPECT_EQ(std::pair(permissions->missing.size(), told), std::pair(1ul, 1));
  loop.advance(0.2);
  permissions->openMissing();
  EXPECT_EQ(std::tuple(permissions->missing.size(), told, keys.trustAsked), std::tuple(0u, 2, 0));
  keys.isTrusted = false;
  permissions->openMissing();
  EXPECT_EQ(keys.trustAsked, 1);
}

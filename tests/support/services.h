// Integration tests talk to real servers that scripts/services starts for the run. A test whose server could
// not start says so and is skipped; it never passes silently.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

inline std::string serviceVariable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

#define REQUIRE_SERVICE(variable, service)                       \
  if (serviceVariable(variable).empty())                         \
  GTEST_SKIP() << service                                        \
               << " is not running for this test run (" variable \
                  " is not set): scripts/services "              \
                  "could not start it"

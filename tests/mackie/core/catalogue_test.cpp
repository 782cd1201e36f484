// The catalogue against an independent reference table of all 121 commands, field by field, and its lookups.
#include "mackie/core/catalogue.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "mackie/core/wire.h"

TEST(Catalogue, EveryCommandMatchesTheReferenceTableInOrderAndIsFoundByItsId) {
  std::ifstream in(std::string(MACKIE_CORE_TEST_DATA) + "/catalogue.json");
  const auto expected = nlohmann::json::parse(in);
  const auto& commands = MKMCU::COMMANDS();
  ASSERT_EQ(commands.size(), 121u);
  ASSERT_EQ(expected.size(), 121u);
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const auto& e = expected[i];
    const auto s = [&](const char* key) { return e[key].get<std::string>(); };
    const auto n = [&](const char* key) {
      return e.contains(key) ? std::optional(e[key].get<int>()) : std::nullopt;
    };
    const auto with = e.contains("with") ? std::optional(e["with"].get<std::vector<int>>()) : std::nullopt;
    const auto act = e.contains("act") ? std::optional(s("act")) : std::nullopt;
    SCOPED_TRACE(s("id"));
    EXPECT_EQ(commands[i],
              (MKMCU::MKCommand{s("id"), s("label"), s("group"), s("kind"), n("note"), n("stopNote"), n("cc"),
                                n("shift"), with, n("channel"), n("strip"), act, s("sid"), s("says")}));
    EXPECT_EQ(std::tuple(MKMCU::wire(s("id")), MKMCU::shortName(s("id"))), std::tuple(s("wire"), s("short")));
    EXPECT_EQ(MKMCU::command(s("id")), &commands[i]);
  }
  std::size_t grouped = 0;  // every command's group is one of the headings
  for (const auto& g : MKMCU::catalogue())
    grouped += g.items.size();
  EXPECT_EQ(grouped, 121u);
}

// The catalogue against an independent reference table of all 121 commands, field by field, and its lookups.
#include "mackie/core/catalogue.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "mackie/core/wire.h"

namespace {

using nlohmann::json;

template <typename T>
std::optional<T> optional(const json& entry, const char* key) {
  return entry.contains(key) ? std::optional<T>(entry[key].get<T>()) : std::nullopt;
}

TEST(Catalogue, EveryCommandMatchesTheReferenceTableInOrderAndIsFoundByItsId) {
  std::ifstream in(std::string(MACKIE_CORE_TEST_DATA) + "/catalogue.json");
  const auto expected = json::parse(in);
  const auto& commands = MKMCU::COMMANDS();
  ASSERT_EQ(commands.size(), 121u);
  ASSERT_EQ(expected.size(), 121u);
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const auto& e = expected[i];
    const MKMCU::MKCommand& c = commands[i];
    SCOPED_TRACE(e["id"].get<std::string>());
    EXPECT_EQ(c.id, e["id"]);
    EXPECT_EQ(c.label, e["label"]);
    EXPECT_EQ(c.group, e["group"]);
    EXPECT_EQ(c.kind, e["kind"]);
    EXPECT_EQ(c.sid, e["sid"]);
    EXPECT_EQ(c.says, e["says"]);
    EXPECT_EQ(c.note, optional<int>(e, "note"));
    EXPECT_EQ(c.stopNote, optional<int>(e, "stopNote"));
    EXPECT_EQ(c.cc, optional<int>(e, "cc"));
    EXPECT_EQ(c.shift, optional<int>(e, "shift"));
    EXPECT_EQ(c.channel, optional<int>(e, "channel"));
    EXPECT_EQ(c.strip, optional<int>(e, "strip"));
    EXPECT_EQ(c.with, optional<std::vector<int>>(e, "with"));
    EXPECT_EQ(c.act, optional<std::string>(e, "act"));
    EXPECT_EQ(MKMCU::wire(c.id), e["wire"]);
    EXPECT_EQ(MKMCU::shortName(c.id), e["short"]);
    EXPECT_EQ(MKMCU::command(c.id), &c);
  }
  EXPECT_EQ(MKMCU::BY_ID().size(), 121u);
  std::size_t grouped = 0;  // every command's group is one of the headings
  for (const auto& g : MKMCU::catalogue())
    grouped += g.items.size();
  EXPECT_EQ(grouped, 121u);
}

}  // namespace

// The catalogue against an independent reference table of all 121 commands, field by field, and its lookups.
#include "mackie/core/catalogue.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "mackie/core/wire.h"

namespace {

using MKMCU::MKCommand;
using nlohmann::json;

json reference() {
  std::ifstream in(std::string(MACKIE_CORE_TEST_DATA) + "/catalogue.json");
  return json::parse(in);
}

std::optional<int> optionalInt(const json& entry, const char* key) {
  return entry.contains(key) ? std::optional<int>(entry[key].get<int>()) : std::nullopt;
}

TEST(Catalogue, EveryCommandMatchesTheReferenceTableInOrder) {
  const auto expected = reference();
  const auto& commands = MKMCU::COMMANDS();
  ASSERT_EQ(commands.size(), 121u);
  ASSERT_EQ(expected.size(), 121u);
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const auto& e = expected[i];
    const MKCommand& c = commands[i];
    SCOPED_TRACE(e["id"].get<std::string>());
    EXPECT_EQ(c.id, e["id"]);
    EXPECT_EQ(c.label, e["label"]);
    EXPECT_EQ(c.group, e["group"]);
    EXPECT_EQ(c.kind, e["kind"]);
    EXPECT_EQ(c.sid, e["sid"]);
    EXPECT_EQ(c.says, e["says"]);
    EXPECT_EQ(c.note, optionalInt(e, "note"));
    EXPECT_EQ(c.stopNote, optionalInt(e, "stopNote"));
    EXPECT_EQ(c.cc, optionalInt(e, "cc"));
    EXPECT_EQ(c.shift, optionalInt(e, "shift"));
    EXPECT_EQ(c.channel, optionalInt(e, "channel"));
    EXPECT_EQ(c.strip, optionalInt(e, "strip"));
    EXPECT_EQ(c.with, e.contains("with") ? std::optional(e["with"].get<std::vector<int>>()) : std::nullopt);
    EXPECT_EQ(c.act, e.contains("act") ? std::optional(e["act"].get<std::string>()) : std::nullopt);
    EXPECT_EQ(MKMCU::wire(c.id), e["wire"]);
    EXPECT_EQ(MKMCU::shortName(c.id), e["short"]);
  }
}

TEST(Catalogue, LooksUpByIdAndGivesNothingForUnknownEmptyOrAbsentIds) {
  EXPECT_EQ(MKMCU::BY_ID().size(), 121u);
  ASSERT_NE(MKMCU::command("arm1"), nullptr);
  EXPECT_EQ(MKMCU::command("arm1")->note, 0);  // a real note number, not an absent one
  EXPECT_EQ(MKMCU::command("fadertouch8")->note, 111);
  EXPECT_EQ(MKMCU::command("fadertouch9")->note, 112);
  EXPECT_EQ(MKMCU::command("nosuch"), nullptr);
  EXPECT_EQ(MKMCU::command(""), nullptr);
  EXPECT_EQ(MKMCU::command(std::nullopt), nullptr);
  EXPECT_EQ(MKMCU::command("JOG"), nullptr);  // ids are exact
}

TEST(Catalogue, GroupsTheCommandsUnderTheThirteenHeadingsInOrder) {
  const auto& groups = MKMCU::catalogue();
  ASSERT_EQ(groups.size(), 13u);
  std::size_t total = 0;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    EXPECT_EQ(groups[i].group, MKMCU::GROUPS[i]);
    for (const auto* c : groups[i].items)
      EXPECT_EQ(c->group, groups[i].group);
    total += groups[i].items.size();
  }
  EXPECT_EQ(total, 121u);
  EXPECT_EQ(groups[7].group, "THE MIXER STRIP");
  EXPECT_EQ(groups[7].items.size(), 49u);
  EXPECT_EQ(groups[7].items.back()->id, "fadertouch9");
  EXPECT_EQ(groups[11].items.size(), 17u);
  EXPECT_EQ(groups[12].group, "THE MAC  (not Live)");
  EXPECT_EQ(groups[12].items.size(), 4u);
}

}  // namespace

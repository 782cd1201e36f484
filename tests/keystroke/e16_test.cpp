// The Key Stroke module's rings: which Key Stroke rows light a pushed knob or follow the volume, the engine's
// send function, and colours as numbers.
#include "keystroke/e16.h"

#include <gtest/gtest.h>

#include "keystroke/rules.h"
#include "support/fake_audio_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

namespace {

// Knob 1 absolute on CC 2; knob 2 absolute on CC 3 and pushed as note 36.
constexpr const char* SCENE = R"({"pages":[{"encoders":[{"turn_actions":[{"type":3,"nr1":2}]},
  {"turn_actions":[{"type":3,"nr1":3}],"push_action":{"type":1,"nr1":36},"color":5}]}]})";

using Sent = std::array<int, 3>;  // CC, value, channel

// A row as the table holds it, cleaned from its stored form.
KSRules::KSRow row(int cc, const char* type, const char* kind = "key", bool on = true, bool led = true) {
  return *KSRules::clean({{"cc", cc}, {"type", type}, {"kind", kind}, {"on", on}, {"led", led}}).row;
}

class KSE16Test : public testing::Test {
 protected:
  KSE16Test() {
    docs.write("live.oxie16", SCENE);
    e16.send = [this](int cc, int value, int channel) {  // as the engine installs its own
      sent.push_back({cc, value, channel});
      return true;
    };
  }

  VirtualLoop loop;
  FakeAudioOutput audio;
  TempFolder docs;
  KSE16 e16{loop, audio, docs.path(), ""};
  std::vector<Sent> sent;
};

TEST_F(KSE16Test, OnlyOnLedRowsOfTheMessageLightAPushedKnobOrFollowTheVolumeThroughTheEnginesSend) {
  // Lit by an on LED row of the message only.
  // clang-format off
  const std::pair<KSRules::KSRow, bool> cases[] = {
      {row(36, "n"), true}, {row(36, "n", "key", true, false), false}, {row(36, "n", "key", false), false},
      {row(37, "n"), false}, {row(36, "cc"), false}};
  // clang-format on
  for (const auto& [r, lit] : cases) {
    EXPECT_EQ(e16.feel({r}, "note", 36, 127, 2).has_value(), lit) << r.cc << r.type;
    EXPECT_EQ(std::exchange(sent, {}), (lit ? std::vector<Sent>{{3, 127, 2}} : std::vector<Sent>{}));
  }
  // Only the first row follows; the others would reach knob 2 (CC 3) or note 3 if they did.
  const std::vector<KSRules::KSRow> rows = {row(2, "CC", "volume"), row(3, "cc"), row(3, "note", "volume"),
                                            row(3, "cc", "volume", false),
                                            row(3, "cc", "volume", true, false)};
  audio.level = 0.5;
  e16.follow(rows);
  audio.present = false;
  e16.follow(rows);
  EXPECT_EQ(sent, (std::vector<Sent>{{2, 64, 0}}));
}

TEST_F(KSE16Test, AboutGivesTheColourAsANumberAndAColourChangeIsToldFromTheLoopWhenItsHelperIsDone) {
  const auto vol = e16.about("note", 36, false);
  EXPECT_EQ(std::tuple(vol.can, vol.colour, vol.index, vol.knob),
            std::tuple(true, e16::PALETTE[5], 5, "knob 2 on page 1"));
  std::vector<std::string> said;
  const auto say = [&](const std::string& line) { said.push_back(line); };
  e16.interpreter = "/nonexistent/python3";
  e16.setColour("note", 36, 3, say);
  loop.runDue();
  EXPECT_EQ(said, std::vector<std::string>{"the scene was not changed: No such file or directory"});
  // A helper that takes a while: nothing waits for it, and its time limit is the loop's.
  KSE16 slow{loop, audio, docs.path(), docs.write("slow.sh", "sleep 5\n")};
  slow.interpreter = "/bin/sh";
  slow.setColour("note", 36, 3, say);
  loop.advance(HELPER_TIMEOUT);
  EXPECT_EQ(said.back(), HELPER_TIMED_OUT);
}

}  // namespace

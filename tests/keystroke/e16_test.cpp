// The Key Stroke module's rings: which Key Stroke rows light a pushed knob or follow the volume, the engine's
// send function, colours as numbers, and which folders are searched.
#include "keystroke/e16.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fake_audio_output.h"
#include "support/settable_clock.h"
#include "support/temp_folder.h"

namespace {

// Knob 2 absolute on CC 2; knob 3 absolute on CC 3 and pushed as note 36.
constexpr const char* SCENE = R"({"pages":[{"encoders":[{"turn_actions":[{"type":1,"nr1":1}]},
  {"turn_actions":[{"type":3,"nr1":2}]},
  {"turn_actions":[{"type":3,"nr1":3}],"push_action":{"type":1,"nr1":36},"color":5}]}]})";

struct Sent {
  int cc, value, channel;
  bool operator==(const Sent&) const = default;
};

KSRules::KSRow row(int cc, const char* type, const char* kind = "key") {
  KSRules::KSRow r;
  r.cc = cc;
  r.type = type;
  r.kind = kind;
  r.led = true;
  return r;
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

  SettableClock clock;
  FakeAudioOutput audio;
  TempFolder docs;
  KSE16 e16{clock, audio, docs.path(), ""};
  std::vector<Sent> sent;
};

TEST_F(KSE16Test, OnlyAnOnLedRowOfTheMessagesTypeAndNumberLightsTheRingOnceTheEngineInstalledItsSend) {
  KSE16 bare{clock, audio, docs.path(), ""};
  EXPECT_EQ(bare.feel({row(36, "note")}, "note", 36, 127, 0),
            "LED: knob 3 on page 1 lit  (CC 3 = 127 on USB3, ch 1)  — NOT SENT: the E16's USB3 is not there");
  const auto with = [](auto change) {
    auto r = row(36, "n");
    change(r);
    return r;
  };
  const struct {
    const char* why;
    KSRules::KSRow row;
    bool lit;
  } cases[] = {
      {"short note type", with([](auto&) {}), true},
      {"note in capitals", with([](auto& r) { r.type = "NOTE"; }), true},
      {"led off", with([](auto& r) { r.led = false; }), false},
      {"row off", with([](auto& r) { r.on = false; }), false},
      {"other number", with([](auto& r) { r.cc = 37; }), false},
      {"a CC row", with([](auto& r) { r.type = "cc"; }), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(e16.feel({c.row}, "note", 36, 127, 2).has_value(), c.lit) << c.why;
    EXPECT_EQ(std::exchange(sent, {}), (c.lit ? std::vector<Sent>{{3, 127, 2}} : std::vector<Sent>{}))
        << c.why;
  }
}

TEST_F(KSE16Test, FollowTakesTheRingsOfOnLedVolumeCCRowsAtTheVolumesLevel) {
  auto off = row(2, "cc", "volume");
  off.on = false;
  auto dark = row(3, "cc", "volume");
  dark.led = false;
  // Only the first row qualifies; the others would reach knob 3 (CC 3) or note 3 if they did.
  const std::vector<KSRules::KSRow> rows = {row(2, "CC", "volume"), row(3, "cc"), row(3, "note", "volume"),
                                            off, dark};
  audio.level = 0.5;
  e16.follow(rows);
  audio.present = false;
  e16.follow(rows);
  EXPECT_EQ(sent, (std::vector<Sent>{{2, 64, 0}}));
}

TEST_F(KSE16Test, AboutGivesTheColourAsANumberAndLinkedFoldersAreNotSearchedButNotesOneToSixteenAreGuessed) {
  const auto vol = e16.about("note", 36, false);
  EXPECT_EQ(std::tuple(vol.can, vol.colour, vol.index, vol.knob),
            std::tuple(true, e16::PALETTE[5], 5, "knob 3 on page 1"));
  TempFolder linking;
  std::filesystem::create_directory_symlink(docs.path(), linking.path() + "/linked");
  KSE16 linked{clock, audio, linking.path(), ""};
  EXPECT_EQ(linked.knobFor("note", 36, {}), std::nullopt);
  const auto guess = linked.knobOrGuess("note", 5, 3).value();
  EXPECT_EQ(std::tuple(guess.knob, guess.cc, guess.ch, guess.guessed), std::tuple(5, 5, 3, true));
  e16.interpreter = "/nonexistent/python3";
  EXPECT_EQ(e16.setColour("note", 36, 3), "the scene was not changed: No such file or directory");
}

}  // namespace

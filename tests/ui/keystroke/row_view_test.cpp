// One line of the table: each control calls its operation and the line then shows the engine's answer, with
// the texts of each state: LEARN by FILTER, VALUE "any" and "0-127", the KEY cell while capturing, the lamp,
// the LED and colour tips, the palette, and the notes under a line.
#include <QComboBox>

#include "e16/palette.h"
#include "keystroke/keys.h"
#include "section_fixture.h"
#include "ui/keystroke/ink.h"

namespace {

using nlohmann::json;

TEST_F(KSSectionTest, LearnSaysWhatItWaitsForByFilterAndTypedNumbersAndValuesAreCommittedOnReturn) {
  openWith(
      {keyRow(1, 7, "a", {{"value", 64}}), {{"id", 2}, {"cc", 36}, {"type", "note"}, {"kind", "volume"}}});
  auto* learn = in<KSPill>(1, "learn");
  click(learn);
  EXPECT_EQ(seen(learn), "turn a knob… (lit)");
  click(learn);
  EXPECT_FALSE(engine->learnId);
  EXPECT_EQ(seen(learn), "LEARN");
  click(in<KSPill>(2, "learn"));
  EXPECT_EQ(seen(in<KSPill>(2, "learn")), "press a note… (lit)");
  noteOn(40, 100);
  settle();
  EXPECT_EQ(seen(in<KSPill>(2, "learn")), "LEARN");
  EXPECT_EQ(in<KSField>(2, "number")->text(), "40");

  const auto type = [&](const char* name, const char* text) {
    auto* field = in<KSField>(1, name);
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    return field->text();
  };
  EXPECT_EQ(in<KSField>(1, "value")->text(), "64");
  EXPECT_EQ(type("number", "21"), "21");
  EXPECT_EQ(engine->row(1)->cc, 21);
  EXPECT_EQ(type("value", "200"), "any");  // not a value a message can carry: any value
  EXPECT_EQ(in<KSField>(2, "value")->text(), "0-127");
  EXPECT_FALSE(in<KSField>(2, "value")->isEnabled());
}

TEST_F(KSSectionTest, TheLampFilterKindAndTheKeyCellEachShowOrSetTheirField) {
  openWith({keyRow(1, 7, "a")});
  auto* lamp = in<KSLamp>(1, "lamp");
  EXPECT_EQ(
      lamp->toolTip(),
      "lights while your hand moves this row on the controller: green = it fired, amber = heard, nothing "
      "sent");
  cc(7, 5);
  settle();
  EXPECT_EQ(lamp->colour(), KSInk::green);
  loop.advance(0.5);
  EXPECT_EQ(lamp->colour(), KSInk::slate);
  engine->power();
  cc(7, 5);
  settle();
  EXPECT_EQ(lamp->colour(), KSInk::amber);
  engine->power();

  auto* filter = in<QComboBox>(1, "filter");
  EXPECT_EQ(filter->toolTip(), "LEARN takes only this kind of message");
  QTest::keyClick(filter, Qt::Key_Down);  // a picker takes the arrow keys
  settle();
  EXPECT_EQ(engine->row(1)->type, "note");

  auto* key = in<KSPill>(1, "key");
  const auto kinds = [&] { return seen(in<KSPill>(1, "kindKey")) + " " + seen(in<KSPill>(1, "kindVolume")); };
  EXPECT_EQ(seen(key), "A");
  EXPECT_EQ(key->toolTip(), "press to set");
  EXPECT_EQ(kinds(), "KEY (lit) VOLUME");
  click(in<KSPill>(1, "kindVolume"));
  EXPECT_EQ(seen(key), "System volume");
  EXPECT_EQ(kinds(), "KEY VOLUME (lit)");
  click(key);  // a volume row that captures a key becomes a key row again
  EXPECT_EQ(seen(key), "press a key… (lit)");
  keyCapture.press(1, FLAG_COMMAND | FLAG_SHIFT);
  settle();
  EXPECT_EQ(seen(key), "⌘⇧S");
  auto* forget = in<KSPill>(1, "forget");
  EXPECT_EQ(forget->toolTip(), "forget this key");
  click(forget);
  EXPECT_EQ(seen(key), "—");
}

TEST_F(KSSectionTest, TheOnAndLedBoxesFlipTheRowTheLedTipTellsWhatTheRingDoesAndTheSwatchShowsTheColour) {
  // Knob 3 of page 1, "Vol": absolute on CC 3, colour 5.
  home.write("Documents/live.oxie16", R"({"pages":[{"encoders":[{},{},
    {"turn_actions":[{"type":3,"nr1":3}],"color":5,"abbr":"Vol"}]}]})");
  openWith({keyRow(1, 3, "a"), keyRow(2, 9, "b")});
  auto* on = in<KSTick>(1, "on");
  click(on);
  EXPECT_FALSE(on->isChecked());
  auto* led = in<KSTick>(1, "led");
  EXPECT_EQ(led->toolTip(),
            "LED: knob 3 (Vol) on page 1 already shows its own value: nothing comes back to it from here");
  click(led);
  EXPECT_TRUE(led->isChecked());
  EXPECT_EQ(in<KSTick>(2, "led")->toolTip(), "LED: no knob in the E16's scene sends CC 9: nothing to light");

  // The knob's colour from the scene (the palette is the keyboard test's).
  auto* swatch = in<KSSwatch>(1, "colour");
  EXPECT_EQ(swatch->colour(), QColor::fromRgb(e16::PALETTE[5]));
  EXPECT_EQ(swatch->toolTip(), "the colour of knob 3 (Vol) on page 1: click to change it in the scene");
  EXPECT_EQ(in<KSSwatch>(2, "colour")->colour(), std::nullopt);
}

TEST_F(KSSectionTest, NotesUnderALineWarnOfAClashAndOfAKeyPressedForEveryValue) {
  openWith({keyRow(1, 7, "a"),
            keyRow(2, 7, "b", {{"type", "note"}}),
            keyRow(3, 7, "c"),
            keyRow(4, 8, "d", {{"value", 5}}),
            {{"id", 5}, {"cc", 9}}});
  const auto shown = [&](const char* note) {
    std::string ids;
    for (const std::int64_t id : {1, 2, 3, 4, 5})
      if (in<QLabel>(id, note)->isVisibleTo(section.get())) ids += std::to_string(id);
    return ids;
  };
  EXPECT_EQ(in<QLabel>(1, "clash")->text(),
            "another row answers the same MIDI and value — both keys are pressed");
  EXPECT_EQ(in<QLabel>(1, "any")->text(), "any value: the key is pressed for every message this knob sends");
  EXPECT_EQ(shown("clash"), "13");  // a note is not the CC of the same number
  EXPECT_EQ(shown("any"), "13");    // not a note row, one value only, or a row without a key
  click(in<KSTick>(3, "on"));
  EXPECT_EQ(shown("clash"), "");
}

}  // namespace

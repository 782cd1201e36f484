// One line of the table: each control calls its operation and the line then shows the engine's answer, with
// the texts of each state: LEARN by FILTER, VALUE "any" and "0-127", the KEY cell while capturing, the lamp,
// the LED and colour tips, the palette, and the notes under a line.
#include <QComboBox>
#include <QToolButton>

#include "e16/palette.h"
#include "keystroke/keys.h"
#include "section_fixture.h"
#include "ui/keystroke/ink.h"

namespace {

using nlohmann::json;

// Knob 3 of page 1, "Vol": absolute on CC 3, pushed as note 36, colour 5.
constexpr const char* SCENE = R"({"pages":[{"encoders":[{"turn_actions":[{"type":1,"nr1":1}]},
  {"turn_actions":[{"type":3,"nr1":2}]},
  {"turn_actions":[{"type":3,"nr1":3}],"push_action":{"type":1,"nr1":36},"color":5,"abbr":"Vol"}]}]})";

void typeInto(KSField* field, const char* text) {
  field->selectAll();
  QTest::keyClicks(field, text);
  QTest::keyClick(field, Qt::Key_Return);
}

TEST_F(KSSectionTest, LearnSaysWhatItWaitsForByTheRowsFilterAndPressingItAgainStops) {
  openWith({keyRow(1, 7, "a"), {{"id", 2}, {"cc", 36}, {"type", "note"}}});
  auto* learn = in<KSPill>(1, "learn");
  click(learn);
  EXPECT_EQ(engine->learnId, 1);
  EXPECT_EQ(seen(learn), "turn a knob… (lit)");
  click(learn);
  EXPECT_FALSE(engine->learnId);
  EXPECT_EQ(seen(learn), "LEARN");

  click(in<KSPill>(2, "learn"));
  EXPECT_EQ(seen(in<KSPill>(2, "learn")), "press a note… (lit)");
  noteOn(40, 100);
  settle();
  EXPECT_EQ(engine->row(2)->cc, 40);
  EXPECT_EQ(seen(in<KSPill>(2, "learn")), "LEARN");
  EXPECT_EQ(in<KSField>(2, "number")->text(), "40");
}

TEST_F(KSSectionTest, TypedNumbersAndValuesAreCommittedOnReturnAndVolumeRowsTakeTheWholeRange) {
  openWith({keyRow(1, 7, "a", {{"value", 64}}), {{"id", 2}, {"cc", 8}, {"kind", "volume"}}});
  auto* number = in<KSField>(1, "number");
  auto* value = in<KSField>(1, "value");
  EXPECT_EQ(value->text(), "64");
  typeInto(number, "21");
  settle();
  EXPECT_EQ(engine->row(1)->cc, 21);
  EXPECT_EQ(number->text(), "21");
  typeInto(value, "200");  // not a value a message can carry: any value
  settle();
  EXPECT_EQ(engine->row(1)->value, std::nullopt);
  EXPECT_EQ(value->text(), "any");
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
  EXPECT_EQ(lamp->colour(), KSInk::slate);
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
  EXPECT_EQ(filter->currentText(), "NOTE");

  auto* key = in<KSPill>(1, "key");
  const auto kinds = [&] { return seen(in<KSPill>(1, "kindKey")) + " " + seen(in<KSPill>(1, "kindVolume")); };
  EXPECT_EQ(seen(key), "A");
  EXPECT_EQ(key->toolTip(), "press to set");
  EXPECT_EQ(kinds(), "KEY (lit) VOLUME");
  click(in<KSPill>(1, "kindVolume"));
  EXPECT_EQ(engine->row(1)->kind, "volume");
  EXPECT_EQ(seen(key), "System volume");
  EXPECT_EQ(kinds(), "KEY VOLUME (lit)");

  click(key);  // a volume row that captures a key becomes a key row again
  EXPECT_EQ(engine->capId, 1);
  EXPECT_EQ(seen(key), "press a key… (lit)");
  keyCapture.press(1, FLAG_COMMAND | FLAG_SHIFT);
  settle();
  EXPECT_EQ(engine->row(1)->kind, "key");
  EXPECT_EQ(seen(key), "⌘⇧S");

  auto* forget = in<KSPill>(1, "forget");
  EXPECT_EQ(forget->toolTip(), "forget this key");
  click(forget);
  EXPECT_EQ(engine->row(1)->key, std::nullopt);
  EXPECT_TRUE(engine->row(1)->mods.empty());
  EXPECT_EQ(seen(key), "—");
}

TEST_F(KSSectionTest, TheOnAndLedBoxesFlipTheRowTheLedTipTellsWhatTheRingDoesAndTheSwatchOpensThePalette) {
  home.write("Documents/live.oxie16", SCENE);
  openWith({keyRow(1, 3, "a"), keyRow(2, 9, "b")});
  auto* on = in<KSTick>(1, "on");
  EXPECT_TRUE(on->isChecked());
  click(on);
  EXPECT_FALSE(engine->row(1)->on);
  EXPECT_FALSE(on->isChecked());

  auto* led = in<KSTick>(1, "led");
  EXPECT_EQ(led->toolTip(),
            "LED: knob 3 (Vol) on page 1 already shows its own value: nothing comes back to it from here");
  click(led);
  EXPECT_TRUE(engine->row(1)->led);
  EXPECT_TRUE(led->isChecked());
  EXPECT_EQ(in<KSTick>(2, "led")->toolTip(), "LED: no knob in the E16's scene sends CC 9: nothing to light");

  // The knob's colour from the scene, and the palette of all hundred (choosing one is the keyboard test's).
  auto* swatch = in<KSSwatch>(1, "colour");
  EXPECT_EQ(swatch->colour(), QColor::fromRgb(e16::PALETTE[5]));
  EXPECT_EQ(swatch->toolTip(), "the colour of knob 3 (Vol) on page 1: click to change it in the scene");
  EXPECT_EQ(in<KSSwatch>(2, "colour")->colour(), std::nullopt);

  swatch->click();
  QWidget* palette = nullptr;
  for (auto* child : swatch->findChildren<QWidget*>())
    if (child->accessibleName() == "row 1 ring colours") palette = child;
  ASSERT_NE(palette, nullptr);
  const auto entries = palette->findChildren<QToolButton*>();
  ASSERT_EQ(entries.size(), 100);
  EXPECT_EQ(entries[0]->size(), QSize(18, 18));
  for (int n = 0; n < 100; ++n)
    EXPECT_EQ(entries[n]->toolTip(), QString("colour %1").arg(n));
}

TEST_F(KSSectionTest, NotesUnderALineWarnOfAClashAndOfAKeyPressedForEveryValue) {
  openWith({keyRow(1, 7, "a"),
            keyRow(2, 7, "b", {{"type", "note"}}),
            keyRow(3, 7, "c"),
            keyRow(4, 8, "d", {{"value", 5}}),
            {{"id", 5}, {"cc", 9}}});
  const auto shows = [&](std::int64_t id, const char* note) {
    return in<QLabel>(id, note)->isVisibleTo(section.get());
  };
  EXPECT_EQ(in<QLabel>(1, "clash")->text(),
            "another row answers the same MIDI and value — both keys are pressed");
  EXPECT_EQ(in<QLabel>(1, "any")->text(), "any value: the key is pressed for every message this knob sends");
  EXPECT_TRUE(shows(1, "clash"));
  EXPECT_TRUE(shows(3, "clash"));
  EXPECT_FALSE(shows(2, "clash"));  // a note is not the CC of the same number
  EXPECT_TRUE(shows(1, "any"));
  EXPECT_FALSE(shows(2, "any"));  // a note row
  EXPECT_FALSE(shows(4, "any"));  // one value only
  EXPECT_FALSE(shows(5, "any"));  // no key yet
  // Under the line, one after the other.
  const auto top = [&](std::int64_t id, const char* name) {
    return in(id, name)->mapTo(line(id), QPoint()).y();
  };
  EXPECT_GT(top(1, "clash"), top(1, "key") + in(1, "key")->height() - 1);
  EXPECT_GT(top(1, "any"), top(1, "clash"));
  click(in<KSTick>(3, "on"));
  EXPECT_FALSE(shows(1, "clash"));
  EXPECT_FALSE(shows(3, "clash"));
}

}  // namespace

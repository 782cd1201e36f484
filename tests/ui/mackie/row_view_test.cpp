// One row on screen: what each control shows of the row, and the engine operation each one calls.
#include <QMenu>
#include <QToolButton>
#include <QWheelEvent>
#include <filesystem>

#include "e16/palette.h"
#include "mackie/core/catalogue.h"
#include "mackie/core/rules.h"
#include "mackie/core/says.h"
#include "section_fixture.h"
#include "ui/mackie/command_menu.h"
#include "ui/mackie/lamp.h"
#include "ui/mackie/style.h"
#include "ui/mackie/swatch.h"

namespace {

using nlohmann::json;

TEST_F(SectionTest, SourceAndValueAreTypedOrPickedAndShownAsTheEngineKeepsThem) {
  open({row(1, "play", 21), row(2, "fader3", 22, {{"how", "7"}})});
  auto* value = inRow<QLineEdit>(0, "value");
  auto* number = inRow<QLineEdit>(0, "number");
  EXPECT_EQ(text(value), "any");
  EXPECT_EQ(text(inRow(1, "value")), "0-127");
  EXPECT_FALSE(inRow(1, "value")->isEnabled());  // a fader takes the whole sweep: no value to type
  type(value, "64");
  EXPECT_EQ(engine->rows[0].value, 64);
  type(number, "40");
  type(number, "200");  // refused: the field shows the number the engine keeps
  EXPECT_EQ(text(number), "40");

  auto* from = inRow<MKChoice>(0, "from");
  EXPECT_EQ(from->currentText().toStdString(), "CC");
  // A wheel scrolling the table over a choice leaves the row alone.
  QWheelEvent wheel(QPointF(5, 5), from->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton, {},
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(from, &wheel);
  publish();
  EXPECT_EQ(engine->rows[0].from, "cc");
  arrowDown(from);
  EXPECT_EQ(engine->rows[0].from, "note");
}

// Each word and tick box shows the engine's state, and a click calls its operation: the state shown next.
TEST_F(SectionTest, EachWordShowsTheEnginesStateAndAClickChangesItAndTheRowsTipsAndLamp) {
  open({row(1, "jog", 21), row(2, "stop", 36, {{"from", "note"}}), row(3, "stop", 36, {{"from", "note"}})});
  const struct {
    QWidget* word;
    const char *before, *after;
  } words[] = {
      {band("power"), "SENDING lit", "PAUSED"},
      {band("blob"), "THE COMMAND BLOB lit", "THE COMMAND BLOB"},
      {inRow(0, "learn"), "LEARN", "TURN A KNOB… lit"},
      {inRow(1, "learn"), "LEARN", "PRESS A NOTE… lit"},
      {inRow(0, "led"), "LED", "LED lit"},
      {inRow(0, "on"), "ON lit", "ON"},
      {inRow(0, "invert"), "INVERT lit", "INVERT"},
      {inRow(1, "tick"), "", "lit"},
  };
  for (const auto& w : words) {
    EXPECT_EQ(seen(w.word), w.before) << w.after;
    click(w.word);
    EXPECT_EQ(seen(w.word), w.after);
  }
  EXPECT_EQ(seen(inRow(0, "learn")), "LEARN");  // one row learns at a time
  click(inRow(1, "learn"));
  click(inRow(0, "learn"));
  arrowDown(inRow<MKChoice>(0, "from"));  // the learning row becomes a note row
  EXPECT_EQ(seen(inRow(0, "learn")), "PRESS A NOTE… lit");
  click(inRow(0, "learn"));
  click(inRow(1, "try"));
  EXPECT_EQ(lastTrace().rfind("TRY row 2   →   ", 0), 0u) << lastTrace();

  const std::pair<QWidget*, std::string> tips[] = {
      {inRow(0, "lamp"),
       "lights while your hand moves this row: green = it fired, amber = heard, nothing sent"},
      {inRow(0, "try"), "send this command once, now"},
      {inRow(0, "tick"), "tick, then DELETE above the table"},
      {inRow(1, "clash"), "another row answers the same message — both are sent"}};
  for (const auto& [widget, says] : tips)
    EXPECT_EQ(tip(widget), says);
  EXPECT_TRUE(inRow(1, "clash")->isVisible());
  click(inRow(2, "on"));
  EXPECT_FALSE(inRow(1, "clash")->isVisible());

  auto* lamp = inRow<MKLamp>(1, "lamp");
  click(band("power"));
  noteOn(36, 127);
  publish();
  EXPECT_EQ(lamp->lit(), "fire");
  click(band("power"));
  noteOn(36, 127);
  publish();
  EXPECT_EQ(lamp->lit(), "heard");
}

TEST_F(SectionTest, TheCommandMenuListsTheCatalogueUnderItsHeadingsAndHowFollowsTheCommand) {
  open({row(1, "play", 21)});
  auto* command = inRow<MKCommandMenu>(0, "command");
  EXPECT_EQ(tip(command), MKRules::target(engine->rows[0]));
  EXPECT_FALSE(inRow(0, "invert")->isVisible());
  command->setFocus();
  QTest::keyClick(command, Qt::Key_Down);  // the arrows open it, as they would a pop-up choice
  QMenu* menu = command->menu();
  ASSERT_TRUE(menu && menu->isVisible());
  std::vector<std::string> shown, catalogue;
  QAction* jog = nullptr;
  for (QAction* heading : menu->actions()) {
    shown.push_back(heading->text().toStdString());
    for (QAction* entry : heading->menu()->actions()) {
      shown.push_back((entry->isChecked() ? "  [x] " : "  ") + entry->text().toStdString());
      if (entry->text().startsWith("JOG WHEEL")) jog = entry;
    }
  }
  for (const auto& group : MKMCU::catalogue()) {
    catalogue.push_back(group.group);
    for (const auto* c : group.items)
      catalogue.push_back((c->id == "play" ? "  [x] " : "  ") + c->label);
  }
  EXPECT_EQ(shown, catalogue);
  menu->close();
  ASSERT_NE(jog, nullptr);
  jog->trigger();
  publish();
  EXPECT_EQ(text(command).rfind("JOG WHEEL", 0), 0u) << text(command);
  EXPECT_TRUE(inRow(0, "invert")->isVisible());  // a relative row
  auto* how = inRow<MKChoice>(0, "how");
  EXPECT_EQ(how->options(), (std::vector<MKChoice::Option>{
                                {"twos", "CC Rel 1"}, {"offset", "CC Rel 2"}, {"signmag", "Sign-mag"}}));
  arrowDown(how);
  EXPECT_EQ(engine->rows[0].how, "offset");
  EXPECT_EQ(text(inRow(0, "says")), MKRules::says(engine->rows[0]));
}

// The palette itself, shared with the Key Stroke rows, is the Key Stroke tests'.
TEST_F(SectionTest, TheSwatchShowsTheKnobsColourAndItsPaletteChangesItInTheScene) {
  // Knob 3 turns CC 3 (absolute) in colour 5.
  home.write("Documents/live.oxie16", R"({"pages":[{"encoders":[{},{},
    {"turn_actions":[{"type":3,"nr1":3}],"color":5}]}]})");
  const auto helper = std::filesystem::path(home.path()) / ".local/lib/orvane/e16colour.py";
  std::filesystem::create_directories(helper.parent_path());
  std::filesystem::copy_file(std::string(HELPERS_DIR) + "/e16colour.py", helper);
  open({row(1, "play", 3), row(2, "play", 50)});
  auto* swatch = inRow<MKSwatch>(0, "colour");
  EXPECT_EQ(swatch->colour(), ui::mkHex(e16::hex(5)));
  EXPECT_EQ(tip(swatch), "the colour of knob 3 on page 1: click to change it in the scene");
  EXPECT_EQ(tip(inRow(0, "led")), "LED: " + engine->rings().about("cc", 3, false).says);
  EXPECT_FALSE(inRow<MKSwatch>(1, "colour")->colour().isValid());
  EXPECT_EQ(tip(inRow(1, "colour")),
            "the colour of the knob that sends CC 50: click to change it in the scene");
  swatch->setFocus();
  QTest::keyClick(swatch, Qt::Key_Space);
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  QApplication::activePopupWidget()->findChildren<QToolButton*>()[6]->click();
  publish();
  EXPECT_EQ(swatch->colour(), ui::mkHex(e16::hex(6)));
}

}  // namespace

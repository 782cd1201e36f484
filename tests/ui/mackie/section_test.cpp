// The MK section on a real engine that runs on the test doubles and the virtual loop: each band and each row
// shows the engine's state after its next refresh, and each control calls its operation. The fields of both
// modules' rows keep what is being typed the same way; that is checked here once.
#include "ui/mackie/section.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QWheelEvent>
#include <filesystem>

#include "e16/palette.h"
#include "mackie/engine/engine_fixture.h"
#include "ui/colours.h"
#include "ui/kit/lamp.h"
#include "ui/kit/pill.h"
#include "ui/kit/swatch.h"
#include "ui/kit/tick.h"
#include "ui/mackie/choice_box.h"
#include "ui/mackie/command_menu.h"
#include "ui/mackie/row_view.h"
#include "ui/mackie/steady_text.h"
#include "ui/mackie/table.h"

namespace {

using nlohmann::json;
using Strings = std::vector<std::string>;

class SectionTest : public EngineTest {
 protected:
  ~SectionTest() override { section.reset(); }  // before the engine it listens to

  std::unique_ptr<MKSection> section;

  // Starts the engine on these rows and shows its section in an active window, so that focus behaves as on a
  // desktop.
  void open(std::vector<json> rows, json settings = json::object()) {
    startWith(std::move(rows), std::move(settings));
    section = std::make_unique<MKSection>(engine);
    section->resize(1200, 900);
    section->show();
    section->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(section.get()));
    // The table makes its row views a few per turn of the loop.
    while (section->table()->rowViews().size() < engine->view().rows.size())
      QCoreApplication::sendPostedEvents();
  }
  void publish() { loop.advance(MKEngine::REFRESH); }  // the engine tells its screens at its next refresh

  // A control by its name, in a row's view when `row` is given.
  template <class W = QWidget>
  W* get(const char* name, int row = -1) const {
    QWidget* in = row < 0 ? static_cast<QWidget*>(section.get()) : section->table()->rowViews().at(row);
    auto* found = in->findChild<W*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  static std::string text(QWidget* w) {
    auto* steady = dynamic_cast<MKSteadyText*>(w);  // labels, buttons and fields have the property
    return (steady ? steady->text() : w->property("text").toString()).toStdString();
  }
  // A word or tick box as the user reads it: its text, then " lit" while it is on.
  static std::string seen(QWidget* w) {
    const auto* word = dynamic_cast<ui::Pill*>(w);
    const auto* tick = dynamic_cast<ui::Tick*>(w);
    const bool lit = (word && word->isOn()) || (tick && tick->isOn());
    return text(w) + (lit ? (text(w).empty() ? "lit" : " lit") : "");
  }
  // A click or an arrow key, each followed by the engine's answer on screen.
  void click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    publish();
  }
  void arrow(QWidget* w, Qt::Key key = Qt::Key_Down) {
    w->setFocus();
    QTest::keyClick(w, key);
    publish();
  }
};

TEST_F(SectionTest, FieldsChoicesAndTheCommandMenuOfARowShowAndSetWhatTheEngineKeepsThroughAFaderSweep) {
  open({row(1, "play", 21), row(2, "fader3", 22, {{"how", "7"}})});
  auto *value = get<QLineEdit>("value", 0), *number = get<QLineEdit>("number", 0);
  EXPECT_EQ(text(value) + " " + text(get("value", 1)), "any 0-127");
  EXPECT_FALSE(get("value", 1)->isEnabled());  // a fader takes the whole sweep: no value to type
  for (const auto& [field, typed] : {std::pair{value, "64"}, {number, "200"}}) {  // 200 is refused
    field->selectAll();
    QTest::keyClicks(field, typed);
    QTest::keyClick(field, Qt::Key_Return);  // hands it over
    publish();
  }
  EXPECT_EQ(text(number) + " " + std::to_string(*engine->view().rows[0].value), "21 64");  // the number kept

  auto* command = get<MKCommandMenu>("command", 0);
  EXPECT_FALSE(get("invert", 0)->isVisible());
  arrow(command);  // the arrows open it, as they would a pop-up choice
  QMenu* menu = command->menu();
  ASSERT_TRUE(menu && menu->isVisible());
  QAction* jog = nullptr;
  Strings marked;  // the row's command, and the heading that holds it
  for (QAction* heading : menu->actions()) {
    if (heading->font().bold()) marked.push_back(heading->text().toStdString());
    for (QAction* entry : heading->menu()->actions()) {
      if (entry->text().startsWith("JOG WHEEL")) jog = entry;
      if (entry->isChecked()) marked.push_back(entry->text().toStdString());
    }
  }
  EXPECT_EQ(marked, (Strings{"TRANSPORT", "PLAY"}));
  menu->close();
  ASSERT_NE(jog, nullptr);
  jog->trigger();
  publish();
  EXPECT_EQ(engine->view().rows[0].command, "jog");
  EXPECT_TRUE(get("invert", 0)->isVisible());  // a relative row
  arrow(get("how", 0));
  EXPECT_EQ(engine->view().rows[0].how, "offset");

  auto* from = get<MKChoiceBox>("from", 0);
  // A wheel scrolling the table over a choice leaves the row alone.
  QWheelEvent wheel(QPointF(5, 5), from->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton, {},
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(from, &wheel);
  publish();
  EXPECT_EQ(engine->view().rows[0].from, "cc");
  arrow(from);
  EXPECT_EQ(engine->view().rows[0].from, "note");

  // A fader sweeping keeps every view and the text being typed; a click elsewhere takes the keyboard and the
  // field hands its text over. (The Key Stroke fields do the same, not tested again there.)
  const auto views = section->table()->rowViews();
  number = get<QLineEdit>("number", 1);  // the fader on CC 22
  number->setFocus();
  number->selectAll();
  QTest::keyClicks(number, "9");
  for (int v = 0; v < 128; v += 4) {
    cc(22, v);
    loop.advance(0.05);
  }
  EXPECT_EQ(get<ui::Lamp>("lamp", 1)->lit(), "fire");
  EXPECT_EQ(QApplication::focusWidget(), number);
  EXPECT_EQ(text(number), "9");
  click(get("add"));  // growing the table adds a view and keeps the others
  ASSERT_EQ(section->table()->rowViews().size(), 3u);
  EXPECT_TRUE(std::equal(views.begin(), views.end(), section->table()->rowViews().begin()));
  EXPECT_EQ(engine->view().rows[1].number, 9);
}

TEST_F(SectionTest, EachWordShowsTheEnginesStateAndAClickChangesItAndTheRowsClash) {
  open({row(1, "jog", 21), row(2, "stop", 36, {{"from", "note"}}), row(3, "stop", 36, {{"from", "note"}})});
  for (const auto& [word, before, after] : std::vector<std::tuple<QWidget*, std::string, std::string>>{
           {get("power"), "SENDING lit", "PAUSED"},
           {get("blob"), "THE COMMAND BLOB lit", "THE COMMAND BLOB"},
           {get("learn", 0), "LEARN", "TURN A KNOB… lit"},
           {get("learn", 1), "LEARN", "PRESS A NOTE… lit"},
           {get("led", 0), "LED", "LED lit"},
           {get("on", 0), "ON lit", "ON"},
           {get("invert", 0), "INVERT lit", "INVERT"},
           {get("tick", 1), "", "lit"}}) {
    EXPECT_EQ(seen(word), before) << after;
    click(word);
    EXPECT_EQ(seen(word), after);
  }
  click(get("learn", 1));
  click(get("try", 1));
  EXPECT_EQ(lastTrace().rfind("TRY row 2   →   ", 0), 0u) << lastTrace();
  EXPECT_TRUE(get("clash", 1)->isVisible());
}

// The helper writes the picked colour beside the loop: the swatch shows it as soon as the helper is done, not
// at the next look at the scene a few seconds later.
TEST_F(SectionTest, AColourPickedInThePaletteShowsInTheSwatchWhenTheHelperIsDone) {
  home.write("Documents/live.oxie16",
             R"({"pages":[{"encoders":[{"turn_actions":[{"type":3,"nr1":21}],"color":5}]}]})");
  std::filesystem::copy_file(HELPERS_DIR "/e16colour.py", home.path() + "/helper.py");
  open({row(1, "play", 21)});
  auto* swatch = get<ui::Swatch>("colour", 0);
  click(swatch);
  for (int step = 0; step < 14; ++step)  // from colour 5 down to 95, then right past the last one, 99
    QTest::keyClick(QApplication::focusWidget(), step < 9 ? Qt::Key_Down : Qt::Key_Right);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  awaitNote();
  publish();
  EXPECT_EQ(swatch->colour(), QColor::fromRgb(e16::PALETTE[99])) << lastTrace();
}

TEST_F(SectionTest, StatusLineSaysWhyAndWhatItDidShowsTheTrace) {
  system.remove(toLive);
  open({row(1, "play", 20)});
  auto* why = get<MKSteadyText>("why");
  EXPECT_EQ(std::pair(text(why), why->colour()), std::pair(engine->why().first, ui::AMBER));  // an alarm
  // A new reason is painted as soon as it is set, not when something else happens to repaint.
  struct Paints : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++count;
      return false;
    }
  } paints;
  QCoreApplication::processEvents();
  why->installEventFilter(&paints);
  system.remove(controller);  // another alarm, in the same colour
  loop.advance(1);
  QCoreApplication::processEvents();
  EXPECT_EQ(std::pair(text(why), paints.count > 0), std::pair(engine->why().first, true));
  // WHAT IT DID shows the trace oldest first, a last line replaced in place. (How the text follows the trace
  // line for line, the oldest lines going: the Key Stroke log's test, on the same text view.)
  auto* trace = get<QPlainTextEdit>("trace");
  for (const char* line : {"older", "newer", "newest"})
    engine->note(line, "newe");  // the third takes the place of the second
  publish();
  const auto& lines = engine->view().trace.lines();  // "… older", "… newest"
  EXPECT_TRUE(trace->toPlainText().endsWith(QString::fromStdString(lines.end()[-2] + "\n" + lines.back())))
      << trace->toPlainText().toStdString();
  click(get("clear"));
  EXPECT_FALSE(trace->isVisible());
  EXPECT_EQ(text(get("nothingYet")), "nothing yet");
}

TEST_F(SectionTest, TheDeviceMonitorAndToLiveBandsFollowThePorts) {
  system.remove(controller);
  open({}, {{"device", ""}});
  controller = system.addSource("Port 1");
  system.addSource("Keystation");
  loop.advance(MKEngine::RESCAN_AFTER + MKEngine::REFRESH);
  EXPECT_EQ(text(get("waiting")), "no MIDI yet — listening on USB1, Keystation");
  auto *detect = get<ui::Pill>("detect"), *unlock = get<ui::Pill>("unlock");
  EXPECT_EQ(text(get("lock")) + " | " + seen(detect), "no device locked | DETECT DEVICE");
  EXPECT_FALSE(unlock->isVisible());
  click(detect);
  EXPECT_EQ(seen(detect), "TURN OR PRESS SOMETHING… lit");
  cc(21, 5);
  cc(21, 5);
  noteOn(60, 100);
  publish();
  QCoreApplication::sendPostedEvents();  // the grid places the lines that appeared
  EXPECT_FALSE(get("waiting")->isVisible());
  // The waiting line, then port, message, count and age per entry, newest first.
  const auto lines = get("monitor")->findChildren<MKSteadyText*>();
  std::vector<Strings> shown(3);
  for (int at = 1; at < 1 + 4 * 3; ++at)
    if (lines[at]->isVisible()) shown[(at - 1) / 4].push_back(text(lines[at]));
  const auto& in = engine->view().incoming;
  EXPECT_EQ(shown, (std::vector<Strings>{
                       {"USB1", in[0].text, "", "just now"}, {"USB1", in[1].text, "× 2", "just now"}, {}}));
  EXPECT_EQ(lines[1]->colour(), ui::GREY);  // the port, faded beside its message
  loop.advance(12.4);  // the engine has nothing new to say; the section's own clock moves the ages on
  EXPECT_EQ(text(lines[1 + 4 + 3]), "12 s ago");
  EXPECT_EQ(text(get("lock")) + " | " + text(unlock), "locked to USB1 | UNLOCK");
  click(unlock);
  EXPECT_TRUE(detect->isVisible());

  auto* back = get<MKChoiceBox>("back");
  EXPECT_EQ(back->currentText().toStdString(), "nowhere");
  arrow(back);  // to the first source
  // A chosen port that went away stays chosen, and says so.
  system.remove(controller);
  loop.advance(MKEngine::RESCAN_AFTER + MKEngine::REFRESH);
  EXPECT_EQ(back->currentText().toStdString(), "Port 1  (not there now)");
  auto* out = get<MKChoiceBox>("out");
  arrow(out);
  EXPECT_EQ(engine->outWant(), "IAC Driver Bus 1");
  arrow(out, Qt::Key_Up);  // back to the first entry
  EXPECT_EQ(engine->outWant(), "");
}

TEST_F(SectionTest, TheBarAboveTheTableAddsTicksDeletesAndUndoesWithTheEngine) {
  open({});
  auto *undo = get<ui::Pill>("undo"), *redo = get<ui::Pill>("redo"), *del = get<ui::Pill>("delete");
  // UNDO and REDO as the user sees them: their tips, "(off)" while there is nothing to take.
  const auto tip = [](ui::Pill* w) { return QString(w->isEnabled() ? "" : "(off) ") + w->toolTip(); };
  EXPECT_TRUE(get("empty")->isVisible());
  EXPECT_EQ((tip(undo) + " | " + tip(redo)).toStdString(), "(off) nothing to undo | (off) nothing to redo");
  click(get("add"));
  click(get("add"));
  EXPECT_FALSE(get("empty")->isVisible());
  EXPECT_EQ(text(get("lastChange")), "last change: row 2 added");
  click(get("tickAll"));
  EXPECT_EQ(seen(del), "DELETE 2 lit");
  click(get("tick", 0));
  click(del);
  ASSERT_EQ(section->table()->rowViews().size(), 1u);
  EXPECT_EQ(seen(del), "DELETE");
  click(undo);
  EXPECT_EQ((tip(undo) + " | " + tip(redo)).toStdString(), "undo: row 2 added | redo: row 2 deleted");
  click(redo);
  EXPECT_EQ(engine->view().rows.size(), 1u);
}

}  // namespace

// The Key Stroke section on a real engine over the test doubles and the virtual loop: each band and each line
// of the table shows the engine's state (after a redraw that waits for its turn) with its exact texts, each
// control calls its operation. (A field being typed keeps its text through redraws as the MK rows' fields do,
// tested there.)
#include "ui/keystroke/section.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QWheelEvent>
#include <filesystem>

#include "e16/palette.h"
#include "keystroke/engine_fixture.h"
#include "keystroke/keys.h"
#include "keystroke/rules.h"
#include "ui/keystroke/ink.h"
#include "ui/keystroke/row_view.h"
#include "ui/screen_checks.h"

namespace {

using nlohmann::json;

class KSSectionTest : public KSEngineTest {
 protected:
  ~KSSectionTest() override { section.reset(); }  // before the engine it watches

  std::unique_ptr<KSSection> section;

  // Starts the engine on these rows, locked to "Port 1", and opens the section; without rows the engine is
  // made, not started.
  void open(std::optional<std::vector<json>> rows = std::nullopt) {
    rows ? startWith(std::move(*rows)) : make();
    section = std::make_unique<KSSection>(engine);
    section->resize(1100, 900);
    section->show();
    // The table makes its lines a few per turn of the loop.
    while (section->findChildren<KSRowView*>().size() < static_cast<qsizetype>(view().rows.size()))
      QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();
  }
  // Lets the engine's notices through and a redraw that waits for its turn happen, then Qt's own posted work:
  // layouts, and lines dropped with their rows.
  void settle() {
    loop.advance(KSSection::REDRAW_GAP);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  // A control by its name, in the section or, for "name@3", in the line of row 3.
  template <class W = QWidget>
  W* find(const QString& name) const {
    const auto parts = name.split('@');
    QWidget* in = parts.size() < 2 ? section.get() : section->findChild<QWidget*>("row " + parts[1]);
    auto* found = in ? in->findChild<W*>(parts[0]) : nullptr;
    if (!found) ADD_FAILURE() << "no " << name.toStdString();
    return found;
  }
  bool shows(const QString& name) const { return find(name)->isVisibleTo(section.get()); }
  // A control as the user reads it: "(off)" while disabled, "[x]" or "[ ]" for a check box, its text and the
  // look of a pill ("ON (lit)"), then " | " and its tip when it has one.
  std::string says(const QString& name) const {
    static const char* looks[] = {"", " (lit)", " (ghost)", " (danger)"};
    QWidget* w = find(name);
    auto* pill = qobject_cast<ui::Pill*>(w);
    auto* box = qobject_cast<QCheckBox*>(w);
    QStringList shown{w->isEnabled() ? "" : "(off)", box ? (box->isChecked() ? "[x]" : "[ ]") : "",
                      w->property("text").toString() + (pill ? looks[int(pill->look())] : ""),
                      w->toolTip().isEmpty() ? "" : "| " + w->toolTip()};
    shown.removeAll("");
    return shown.join(" ").toStdString();
  }
  // A story, a step a row: a click on the first control (unless none is named), then what the second says.
  void story(const std::vector<std::array<const char*, 3>>& steps) {
    for (const auto& [clicked, read, expected] : steps) {
      if (*clicked) click(find<QAbstractButton>(clicked));
      EXPECT_EQ(says(read), expected) << clicked << ", then " << read;
    }
  }
  void click(QAbstractButton* button) {
    button->click();
    settle();
  }
  void press(int key) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    settle();
  }
};

TEST_F(KSSectionTest, TheTableBandAddsUndoesAndDeletesTheTicked) {
  open(std::vector<json>{});
  EXPECT_TRUE(shows("empty"));
  story({{"", "undo", "(off) UNDO | nothing to undo"},
         {"", "redo", "(off) REDO | nothing to redo"},
         {"add", "undo", "UNDO | row 1 added"},
         {"", "last", "last change: row 1 added"},
         {"undo", "redo", "REDO | redo: row 1 added"},
         {"redo", "tick@1", "[ ] | tick, then DELETE above the table"},
         {"add", "delete", "DELETE (ghost) | tick rows in the last column first"},
         {"add", "all", "[ ] | tick every row, or none"},
         {"delete", "tick@3", "[ ] | tick, then DELETE above the table"},  // nothing to delete
         {"tick@2", "delete", "DELETE 1 ROW (danger) | delete the ticked rows (UNDO brings them back)"},
         {"", "tick@2", "[x] | tick, then DELETE above the table"},
         {"all", "delete", "DELETE 3 ROWS (danger) | delete the ticked rows (UNDO brings them back)"},
         {"all", "tick@2", "[ ] | tick, then DELETE above the table"},
         {"tick@1", "delete", "DELETE 1 ROW (danger) | delete the ticked rows (UNDO brings them back)"}});
  EXPECT_FALSE(shows("empty"));
  click(find<QAbstractButton>("delete"));
  EXPECT_EQ(section->findChildren<KSRowView*>().size(), 2);  // a line goes with its row
  EXPECT_LT(find("tick@2")->mapTo(section.get(), QPoint()).y(),
            find("tick@3")->mapTo(section.get(), QPoint()).y());
}

TEST_F(KSSectionTest, EachControlOfALineShowsItsFieldAndSetsItAndNotesWarnOfClashesAndAnyValue) {
  // Knob 3 of page 1, "Vol": absolute on CC 7, colour 5; the helper that writes a colour into the scene.
  std::filesystem::create_symlink(HELPERS_DIR "/midikeys_e16colour.py", home.path() + "/helper.py");
  home.write("Documents/live.oxie16", R"({"pages":[{"encoders":[{},{},
    {"turn_actions":[{"type":3,"nr1":7}],"color":5,"abbr":"Vol"}]}]})");
  open(std::vector<json>{keyRow(1, 7, "a"), keyRow(2, 7, "b", {{"type", "note"}}), keyRow(3, 7, "c"),
                         keyRow(4, 8, "d", {{"value", 5}}), json{{"id", 5}, {"cc", 9}},
                         json{{"id", 6}, {"cc", 10}, {"kind", "volume"}}});
  // Notes under a line warn of a clash and of a key pressed for every value.
  const auto shown = [&](const char* note) {
    std::string ids;
    for (const char* id : {"1", "2", "3", "4", "5", "6"})
      if (shows(QString(note) + "@" + id)) ids += id;
    return ids;
  };
  // On the screen's own dark palette, each caption of the table over its column.
  EXPECT_EQ(section->palette().color(QPalette::Window).name(), KSInk::ground.name());
  const auto x = [&](QWidget* w) { return w ? w->mapTo(section.get(), QPoint()).x() : -1; };
  const std::pair<QString, QString> columns[] = {{"FILTER", "filter@1"}, {"#", "number@1"},
                                                 {"VALUE", "value@1"},   {"DOES", "kindKey@1"},
                                                 {"KEY", "key@1"},       {"LED", "led@1"}};
  for (const auto& [caption, column] : columns) {
    QLabel* over = nullptr;
    for (auto* label : find("table")->findChildren<QLabel*>())
      over = label->text() == caption ? label : over;
    EXPECT_EQ(x(over), x(find(column))) << caption.toStdString();
  }
  EXPECT_EQ(shown("clash"), "13");            // a note is not the CC of the same number
  EXPECT_EQ(shown("any"), "13");              // not a note row, one value only, or a row without a key
  EXPECT_EQ(says("value@6"), "(off) 0-127");  // a volume row takes the whole sweep
  story({{"learn@2", "learn@2", "press a note… (lit)"}});
  noteOn(40, 100);
  settle();
  EXPECT_EQ(says("learn@2") + " " + says("number@2"), "LEARN 40");
  story(
      {{"", "led@1",
        "[ ] | LED: knob 3 (Vol) on page 1 already shows its own value: nothing comes back to it from here"},
       {"", "value@4", "5"},
       {"learn@1", "learn@1", "turn a knob… (lit)"},
       {"learn@1", "learn@1", "LEARN"},
       {"", "key@1", "A | press to set"}});
  // The keyboard walks the palette, whose colour goes into the scene and comes back from it.
  QApplication::setActiveWindow(section.get());
  find("colour@1")->setFocus();
  press(Qt::Key_Return);
  // It opens on the knob's colour, 5; then to colour 16.
  for (const int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Return})
    press(key);
  awaitNote();  // the helper's outcome
  settle();
  EXPECT_EQ(find<ui::Swatch>("colour@1")->colour(), QColor::fromRgb(e16::PALETTE[16]));

  // Typed numbers and values are handed over on Return.
  for (const auto& [name, typed, result] : {std::tuple{"value@4", "200", "any"}, {"number@1", "21", "21"}}) {
    find<ui::Field>(name)->selectAll();
    QTest::keyClicks(find<ui::Field>(name), typed);  // 200 is no value a message can carry: any value
    QTest::keyClick(find<ui::Field>(name), Qt::Key_Return);
    settle();
    EXPECT_EQ(find<ui::Field>(name)->text(), result);  // the engine's answer
  }
  auto* lamp = find<ui::Lamp>("lamp@1");
  for (const auto& colour : {KSInk::green, KSInk::amber}) {  // sending, then stopped
    cc(21, 5);
    settle();
    EXPECT_EQ(lamp->grab().toImage().pixelColor(lamp->rect().center()).name(), colour.name());  // as painted
    loop.advance(0.5);  // then it goes out
    EXPECT_EQ(lamp->colour(), KSInk::slate);
    engine->togglePower();
  }
  story({{"kindVolume@1", "key@1", "System volume | press to set"},
         {"", "kindVolume@1", "VOLUME (lit)"},
         {"key@1", "key@1", "press a key… (lit) | press to set"}});  // capturing makes it a key row again
  keyCapture.press(1, FLAG_COMMAND | FLAG_SHIFT);
  settle();
  const std::string chord = KSRules::chord({"cmd", "shift"}, "s") + " | press to set";
  story({{"", "key@1", chord.c_str()}, {"forget@1", "key@1", "— | press to set"}});

  // A wheel scrolling the window over a picker leaves the row alone; with the keyboard, the picker takes the
  // arrow keys.
  QWheelEvent wheel(QPointF(5, 5), find("filter@1")->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120),
                    Qt::NoButton, {}, Qt::NoScrollPhase, false);
  QApplication::sendEvent(find("filter@1"), &wheel);
  settle();
  EXPECT_EQ(engine->row(1)->type, "cc");
  QTest::keyClick(find("filter@1"), Qt::Key_Down);
  settle();
  EXPECT_EQ(engine->row(1)->type, "note");
  find("kindKey@1")->setFocus();  // the kind too, and the keyboard follows the pick
  press(Qt::Key_Right);
  EXPECT_EQ(std::pair(engine->row(1)->kind, QApplication::focusWidget()),
            std::pair(std::string("volume"), find("kindVolume@1")));
}

TEST_F(KSSectionTest, MonitorDeviceBandSwitchAccessibilityLogAndRedrawsHeldToTenASecond) {
  system.remove(controller);
  open();
  EXPECT_EQ(says("quiet"), "not running, so not listening");
  engine->start();
  settle();
  controller = system.addSource("Port 1");
  system.addSource("Keystation");
  loop.advance(KSEngine::SOURCES_EVERY + KSEngine::RESCAN_AFTER);
  EXPECT_EQ(says("quiet"), "no MIDI yet — listening on USB1, Keystation");
  cc(7, 5);
  cc(7, 5);
  noteOn(60, 0);
  settle();
  // The labels shown (the quiet line gone), a line being port, message, count and age.
  const auto shown = [&] {
    QStringList texts;
    for (auto* label : find("monitor")->findChildren<QLabel*>())
      if (label->isVisibleTo(section.get())) texts << label->text();
    return texts;
  };
  const auto message = [&](std::size_t i) { return QString::fromStdString(view().incoming[i].text); };
  EXPECT_EQ(shown(),
            (QStringList{"USB1", message(0), "", "just now", "USB1", message(1), "× 2", "just now"}));
  EXPECT_EQ(screen::misplaced(*section), std::vector<std::string>{});
  loop.advance(12.4);  // the engine's tick alone brings the ages up to date: the last came 12.4 s later
  EXPECT_EQ(shown()[7], "12 s ago");
  story({{"", "lock", "no device locked"},
         {"", "detect", "DETECT DEVICE"},
         {"detect", "detect", "TURN OR PRESS SOMETHING… (lit)"}});
  cc(7, 5);
  settle();
  // The last message heard reads plain from the locked device, faded from any other.
  story({{"", "detect", "DETECT DEVICE"}, {"", "lock", "locked to USB1"}});
  cc(7, 5);
  settle();
  EXPECT_EQ(find<QLabel>("heard")->palette().color(QPalette::WindowText), KSInk::sand);
  story({{"unlock", "lock", "no device locked"}});
  cc(7, 5);
  settle();
  EXPECT_EQ(find<QLabel>("heard")->palette().color(QPalette::WindowText), KSInk::dim);

  story({{"", "power", "ON (lit) | sending: press to stop everything, the table is kept"},
         {"power", "power", "OFF | stopped: press to send again"}});
  for (const bool trusted : {false, true}) {  // the warning shows while the permission is missing
    keys.isTrusted = trusted;
    loop.advance(KSEngine::TRUST_EVERY);
    EXPECT_EQ(shows("accessibility"), !trusted);
  }

  click(find<QAbstractButton>("clear"));  // the log so far
  EXPECT_EQ(shows("nothing") ? says("nothing") : "", "nothing yet");
  engine->note("first");
  settle();
  EXPECT_FALSE(shows("nothing"));
  EXPECT_FALSE(find<QPlainTextEdit>("lines")->toPlainText().contains('\n'));  // the old lines went

  // A controller sending a thousand messages a second gets at most ten redraws a second, the first at once
  // and the last one showing where the messages stopped.
  click(find<QAbstractButton>("power"));
  int redraws = 0;
  section->redrawn = [&](auto) { ++redraws; };
  for (int i = 0; i < 1000; ++i) {
    cc(7, i % 128);
    loop.advance(0.001);
  }
  EXPECT_NEAR(redraws, 10, 1);
  settle();
  EXPECT_EQ(says("heard"), "USB1   CC 7 = 103   ch 1   just now");  // 999 % 128
}

// Lines arriving, a last line replaced and the oldest lines dropped are changed in place: the text is the
// trace's, newest first, at every step, what the user selected stays selected and the line at the top of the
// view stays there.
TEST_F(KSSectionTest, TheLogKeepsTheSelectionAndTheScrollPositionWhileLinesArrive) {
  open(std::vector<json>{});
  auto* log = find<QPlainTextEdit>("lines");
  const auto newestFirst = [&] {
    QStringList all;
    for (const auto& line : view().trace.lines())
      all.prepend(QString::fromStdString(line));
    return all.join('\n').toStdString();
  };
  for (int i = 0; i < 40; ++i)
    engine->note("line " + std::to_string(i));
  settle();
  auto* bar = log->verticalScrollBar();
  bar->setValue(10);
  ASSERT_EQ(bar->value(), 10);
  const auto top = [&] { return log->document()->findBlockByNumber(bar->value()).text(); };
  const QString seen = top();
  QTextCursor selection(log->document()->findBlockByNumber(12));
  selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  log->setTextCursor(selection);
  const auto selected = log->textCursor().selectedText().toStdString();
  for (int i = 40; i < 75; ++i) {  // past sixty lines the oldest go; every fifth line replaces the last
    engine->note("line " + std::to_string(i), i % 5 ? std::nullopt : std::optional<std::string>("line"));
    if (i % 3 != 0) continue;
    settle();
    EXPECT_EQ(log->toPlainText().toStdString(), newestFirst()) << i;
  }
  EXPECT_EQ(log->textCursor().selectedText().toStdString(), selected);
  EXPECT_EQ(top(), seen);
}

}  // namespace

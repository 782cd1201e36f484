// The section's bands other than the table: the status line, the monitor, the device, TO LIVE, the command
// blob and WHAT IT DID, each showing the engine's state and calling its operations.
#include <QAbstractItemView>
#include <QPlainTextEdit>
#include <QTextBlock>

#include "section_fixture.h"
#include "ui/colours.h"
#include "ui/mackie/monitor.h"
#include "ui/mackie/word.h"

namespace {

TEST_F(SectionTest, TheBandsComeInOrderUnderTheirHeadingsAndTheBlobsControlsReadCommaOrNot) {
  open({});
  std::vector<std::string> headings;
  for (auto* heading : section->findChildren<QLabel*>("heading"))
    headings.push_back(text(heading));
  EXPECT_EQ(headings, (std::vector<std::string>{"THE DEVICE — WHAT COMES IN", "TO LIVE — WHAT GOES OUT",
                                                "THE TABLE", "WHAT IT DID"}));
  int above = -1;
  for (const char* name : {"why", "monitor", "lock", "toLive", "blob", "tickAll", "clear"}) {
    const int y = band(name)->mapTo(section.get(), QPoint(0, 0)).y();
    EXPECT_GT(y, above) << name;
    above = y;
  }

  auto* blob = band<MKWord>("blob");
  auto* hold = band<QLineEdit>("blobHold");
  EXPECT_EQ(seen(blob), "THE COMMAND BLOB lit");
  click(blob);
  EXPECT_FALSE(engine->blobOn());
  EXPECT_EQ(seen(blob), "THE COMMAND BLOB");
  click(band("blobHome"));
  EXPECT_TRUE(engine->blobOn());

  EXPECT_EQ(text(hold), "1.0");
  type(hold, "2,5");
  EXPECT_EQ(engine->blobHold(), 2.5);
  EXPECT_EQ(text(hold), "2.5");  // the engine's answer, though the field still has the keyboard
  type(hold, "soon");
  EXPECT_EQ(engine->blobHold(), 1.4);
  EXPECT_EQ(text(hold), "1.4");
  const auto lines = traced();
  band("blob")->setFocus();  // leaving the field hands nothing over again
  publish();
  EXPECT_EQ(traced(), lines);
}

TEST_F(SectionTest, StatusLineSaysWhyAndItsWordFlipsTheSwitch) {
  system.remove(toLive);
  open({row(1, "play", 20)});
  auto* why = band<MKSteadyText>("why");
  EXPECT_EQ(text(why), engine->why().first);  // nothing open to Live: an alarm
  EXPECT_EQ(why->accessibleName().toStdString(), text(why));
  EXPECT_EQ(why->colour(), ui::AMBER);
  EXPECT_EQ(seen(band("power")), "SENDING lit");

  click(band("power"));
  EXPECT_FALSE(engine->power());
  EXPECT_EQ(seen(band("power")), "PAUSED");
  system.addDestination("Bus 1");
  engine->setOut("Bus 1");
  publish();
  EXPECT_EQ(text(why), engine->why().first);
  EXPECT_EQ(why->colour(), ui::GREY);
}

TEST_F(SectionTest, MonitorCountsRepeatsAndItsAgesKeepCountingWhileNothingHappens) {
  system.remove(controller);
  open({});
  EXPECT_EQ(text(band("waiting")), "no MIDI yet — listening on no port at all");
  controller = system.addSource("Port 1");
  system.addSource("Keystation");
  loop.advance(MKEngine::RESCAN_AFTER + MKEngine::REFRESH);
  EXPECT_EQ(text(band("waiting")), "no MIDI yet — listening on USB1, Keystation");
  cc(21, 5);
  cc(21, 5);
  noteOn(60, 100);
  publish();
  QCoreApplication::sendPostedEvents();  // the grid places the lines that appeared
  EXPECT_FALSE(band("waiting")->isVisible());
  // The waiting line, then port, message, count and age per entry, newest first, side by side.
  const auto lines = band<MKMonitor>("monitor")->findChildren<MKSteadyText*>();
  std::vector<std::vector<std::string>> shown;
  for (int entry = 0; entry < 4; ++entry) {
    shown.emplace_back();
    for (int column = 0; column < 4; ++column) {
      auto* cell = lines[1 + 4 * entry + column];
      if (!cell->isVisible()) continue;
      shown.back().push_back(text(cell));
      if (column > 0) {
        EXPECT_GT(cell->x(), lines[4 * entry + column]->x()) << column;
      }
    }
  }
  const auto& in = engine->incoming;
  EXPECT_EQ(shown,
            (std::vector<std::vector<std::string>>{
                {"USB1", in[0].text, "", "just now"}, {"USB1", in[1].text, "× 2", "just now"}, {}, {}}));

  // The engine has nothing new to say; the section's own clock moves the ages on.
  loop.advance(12.4);  // the last came at 0.6 s
  EXPECT_EQ(text(lines[1 + 4 + 3]), "12 s ago");
}

TEST_F(SectionTest, DeviceBandDetectsLocksAndUnlocks) {
  open({}, {{"device", ""}});
  auto* detect = band<MKWord>("detect");
  auto* unlock = band<MKWord>("unlock");
  EXPECT_EQ(text(band("lock")), "no device locked");
  EXPECT_EQ(seen(detect), "DETECT DEVICE");
  EXPECT_GT(detect->x(), band("lock")->x());  // on the lock's line, after it
  EXPECT_FALSE(unlock->isVisible());

  click(detect);
  EXPECT_TRUE(engine->detect);
  EXPECT_EQ(seen(detect), "TURN OR PRESS SOMETHING… lit");
  cc(21, 1);
  publish();
  EXPECT_EQ(text(band("lock")), "locked to USB1");
  EXPECT_FALSE(detect->isVisible());
  ASSERT_TRUE(unlock->isVisible());
  EXPECT_EQ(text(unlock), "UNLOCK");

  click(unlock);
  EXPECT_EQ(engine->device(), "");
  EXPECT_EQ(text(band("lock")), "no device locked");
  EXPECT_TRUE(detect->isVisible());
}

TEST_F(SectionTest, ToLiveChoosesTheBusAndTheLightsOverThePortsThereAreNow) {
  open({});
  auto* out = band<MKChoice>("out");
  auto* back = band<MKChoice>("back");
  // The engine's two lines, side by side.
  const auto lines = [&] { return engine->sentLine() + "  ·  " + engine->backLine(); };
  EXPECT_EQ(text(band("toLive")), lines());
  // A bus that comes after the section was drawn is offered when the choice opens or takes the keyboard.
  system.addDestination("Midi Through Port-0");
  out->showPopup();
  EXPECT_TRUE(out->view()->isVisible());
  EXPECT_EQ(out->options().front(), (MKChoice::Option{"", "the first IAC bus, or Midi Through"}));
  EXPECT_EQ(out->options().back(), (MKChoice::Option{"Midi Through Port-0", "Midi Through Port-0"}));
  out->hidePopup();
  arrowDown(out);  // the first entry is the automatic choice; the next one is the first bus
  EXPECT_EQ(engine->outWant(), "IAC Driver Bus 1");
  arrowDown(out);
  EXPECT_EQ(engine->outWant(), "Midi Through Port-0");
  EXPECT_EQ(out->currentText().toStdString(), "Midi Through Port-0");

  EXPECT_EQ(back->currentText().toStdString(), "nowhere");
  arrowDown(back);  // to the first source
  EXPECT_EQ(engine->back(), "Port 1");
  EXPECT_EQ(back->currentText().toStdString(), "USB1");
  EXPECT_EQ(text(band("toLive")), lines());

  // A chosen port that went away stays chosen, and says so.
  system.remove(controller);
  loop.advance(MKEngine::RESCAN_AFTER + MKEngine::REFRESH);
  EXPECT_EQ(back->currentText().toStdString(), "Port 1  (not there now)");
  EXPECT_EQ(engine->back(), "Port 1");
}

TEST_F(SectionTest, WhatItDidShowsTheTraceLineForLineKeepsWhatTheUserSelectedAndClears) {
  open({row(1, "fader1", 7)});
  auto* trace = band<QPlainTextEdit>("trace");
  const auto shown = [&] {
    std::string all;
    for (const auto& line : engine->trace.lines())
      all += (all.empty() ? "" : "\n") + line;
    return trace->toPlainText().toStdString() == all;
  };
  EXPECT_TRUE(shown());
  // A fader sweep replaces its line; new lines add; past sixty the oldest go, several at a time.
  for (int v = 0; v < 128; v += 9) {
    cc(7, v);
    publish();
    ASSERT_TRUE(shown()) << v;
  }
  for (int i = 0; i < 70; ++i) {
    engine->note("line " + std::to_string(i));
    if (i % 7 != 0) continue;
    publish();
    ASSERT_TRUE(shown()) << i;
  }
  // Lines that stay are not written again: a selection in them survives the oldest lines going.
  QTextCursor selected(trace->document()->findBlockByNumber(30));
  selected.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  trace->setTextCursor(selected);
  const QString line = selected.selectedText();
  for (int i = 0; i < 5; ++i)
    engine->note("more " + std::to_string(i));
  publish();
  EXPECT_TRUE(shown());
  EXPECT_EQ(trace->textCursor().selectedText(), line);

  click(band("clear"));
  EXPECT_FALSE(trace->isVisible());
  EXPECT_EQ(text(band("nothingYet")), "nothing yet");
  EXPECT_TRUE(band("nothingYet")->isVisible());
  engine->note("after the clear");
  publish();
  EXPECT_TRUE(shown());
}

}  // namespace

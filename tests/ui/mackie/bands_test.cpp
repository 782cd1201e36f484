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

TEST_F(SectionTest, StatusLineSaysWhyTheBandsHaveTheirHeadingsAndTheBlobsHoldReadsCommaOrNot) {
  system.remove(toLive);
  open({row(1, "play", 20)});
  auto* why = band<MKSteadyText>("why");
  EXPECT_EQ(text(why), engine->why().first);  // nothing open to Live: an alarm
  EXPECT_EQ(why->accessibleName().toStdString(), text(why));
  EXPECT_EQ(why->colour(), ui::AMBER);
  system.addDestination("Bus 1");
  engine->setOut("Bus 1");
  publish();
  EXPECT_EQ(text(why), engine->why().first);
  EXPECT_EQ(why->colour(), ui::GREY);

  std::vector<std::string> headings;
  for (auto* heading : section->findChildren<QLabel*>("heading"))
    headings.push_back(text(heading));
  EXPECT_EQ(headings, (std::vector<std::string>{"THE DEVICE — WHAT COMES IN", "TO LIVE — WHAT GOES OUT",
                                                "THE TABLE", "WHAT IT DID"}));
  auto* hold = band<QLineEdit>("blobHold");
  click(band("blob"));
  click(band("blobHome"));  // puts it back, and on
  EXPECT_EQ(seen(band("blob")), "THE COMMAND BLOB lit");
  EXPECT_EQ(text(hold), "1.0");
  type(hold, "2,5");
  EXPECT_EQ(text(hold), "2.5");  // the engine's answer, though the field still has the keyboard
  type(hold, "soon");
  EXPECT_EQ(text(hold), "1.4");
  const auto lines = traced();
  band("blob")->setFocus();  // leaving the field hands nothing over again
  publish();
  EXPECT_EQ(traced(), lines);
}

TEST_F(SectionTest, MonitorCountsRepeatsWithAgesAndTheDeviceBandDetectsLocksAndUnlocks) {
  system.remove(controller);
  open({}, {{"device", ""}});
  EXPECT_EQ(text(band("waiting")), "no MIDI yet — listening on no port at all");
  controller = system.addSource("Port 1");
  system.addSource("Keystation");
  loop.advance(MKEngine::RESCAN_AFTER + MKEngine::REFRESH);
  EXPECT_EQ(text(band("waiting")), "no MIDI yet — listening on USB1, Keystation");
  auto* detect = band<MKWord>("detect");
  auto* unlock = band<MKWord>("unlock");
  EXPECT_EQ(text(band("lock")), "no device locked");
  EXPECT_EQ(seen(detect), "DETECT DEVICE");
  EXPECT_FALSE(unlock->isVisible());
  click(detect);
  EXPECT_EQ(seen(detect), "TURN OR PRESS SOMETHING… lit");

  cc(21, 5);
  cc(21, 5);
  noteOn(60, 100);
  publish();
  QCoreApplication::sendPostedEvents();  // the grid places the lines that appeared
  EXPECT_FALSE(band("waiting")->isVisible());
  // The waiting line, then port, message, count and age per entry, newest first.
  const auto lines = band<MKMonitor>("monitor")->findChildren<MKSteadyText*>();
  std::vector<std::vector<std::string>> shown(3);
  for (int at = 1; at < 1 + 4 * 3; ++at)
    if (lines[at]->isVisible()) shown[(at - 1) / 4].push_back(text(lines[at]));
  const auto& in = engine->incoming;
  EXPECT_EQ(shown, (std::vector<std::vector<std::string>>{
                       {"USB1", in[0].text, "", "just now"}, {"USB1", in[1].text, "× 2", "just now"}, {}}));
  loop.advance(12.4);  // the engine has nothing new to say; the section's own clock moves the ages on
  EXPECT_EQ(text(lines[1 + 4 + 3]), "12 s ago");

  EXPECT_EQ(text(band("lock")), "locked to USB1");
  EXPECT_FALSE(detect->isVisible());
  EXPECT_EQ(text(unlock), "UNLOCK");
  click(unlock);
  EXPECT_TRUE(detect->isVisible());
}

TEST_F(SectionTest, ToLiveChoosesTheBusAndTheLightsOverThePortsThereAreNow) {
  open({});
  auto* out = band<MKChoice>("out");
  auto* back = band<MKChoice>("back");
  const auto lines = [&] { return engine->sentLine() + "  ·  " + engine->backLine(); };
  EXPECT_EQ(text(band("toLive")), lines());
  // A bus that comes after the section was drawn is offered when the choice opens or takes the keyboard.
  system.addDestination("Midi Through Port-0");
  out->showPopup();
  EXPECT_EQ(out->options().front(), (MKChoice::Option{"", "the first IAC bus, or Midi Through"}));
  EXPECT_EQ(out->options().back(), (MKChoice::Option{"Midi Through Port-0", "Midi Through Port-0"}));
  out->hidePopup();
  arrowDown(out);  // the first entry is the automatic choice; the next one is the first bus
  arrowDown(out);
  EXPECT_EQ(engine->outWant(), "Midi Through Port-0");
  EXPECT_EQ(back->currentText().toStdString(), "nowhere");
  arrowDown(back);  // to the first source
  EXPECT_EQ(back->currentText().toStdString(), "USB1");
  EXPECT_EQ(text(band("toLive")), lines());
  // A chosen port that went away stays chosen, and says so.
  system.remove(controller);
  loop.advance(MKEngine::RESCAN_AFTER + MKEngine::REFRESH);
  EXPECT_EQ(back->currentText().toStdString(), "Port 1  (not there now)");
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
  // A fader sweep replaces its line; new lines add; past sixty the oldest go, several at a time.
  for (int v = 0; v < 128; v += 40) {
    cc(7, v);
    publish();
    ASSERT_TRUE(shown()) << v;
  }
  for (int i = 0; i < 70; ++i) {
    engine->note("line " + std::to_string(i));
    if (i % 7 == 0) publish();
    ASSERT_TRUE(i % 7 != 0 || shown()) << i;
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
  engine->note("after the clear");
  publish();
  EXPECT_TRUE(shown());
}

}  // namespace

// The section's top and its device and log bands: the monitor's texts in each state, the switch, the
// Accessibility line, detect and unlock, the log, and how often it all redraws.
#include <QPlainTextEdit>

#include "section_fixture.h"
#include "ui/keystroke/ink.h"
#include "ui/keystroke/monitor.h"

namespace {

using nlohmann::json;

TEST_F(KSSectionTest, TheMonitorSaysWhyItIsQuietThenShowsTheNewestMessagesWithCountsAndAges) {
  system.remove(controller);
  make();
  open();
  EXPECT_EQ(text("quiet"), "not running, so not listening");
  engine->start();
  settle();
  EXPECT_EQ(text("quiet"), "no MIDI yet — listening on no port at all");
  controller = system.addSource("Port 1");
  system.addSource("Keystation");
  loop.advance(KSEngine::SOURCES_EVERY + KSEngine::RESCAN_AFTER);
  EXPECT_EQ(text("quiet"), "no MIDI yet — listening on USB1, Keystation");
  EXPECT_EQ(find<KSMonitor>("monitor")->toolTip(), "every MIDI message arriving on every port, newest first");
  cc(7, 5);
  cc(7, 5);
  noteOn(60, 0);
  settle();
  EXPECT_FALSE(find<QLabel>("quiet")->isVisibleTo(section.get()));
  // The lines shown, each as its port, message, count and age.
  const auto shown = [&] {
    std::vector<QStringList> lines;
    for (auto* box : find<KSMonitor>("monitor")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (!box->isVisibleTo(section.get()) || box->findChildren<QLabel*>().size() != 4) continue;
      lines.emplace_back();
      for (auto* label : box->findChildren<QLabel*>())
        lines.back() << label->text();
    }
    return lines;
  };
  const auto message = [&](std::size_t i) { return QString::fromStdString(engine->incoming[i].text); };
  EXPECT_EQ(shown(), (std::vector<QStringList>{{"USB1", message(0), "", "just now"},
                                               {"USB1", message(1), "× 2", "just now"}}));
  loop.advance(12.4);  // the engine's tick alone brings the ages up to date: the last came 12.4 s later
  EXPECT_EQ(shown()[1][3], "12 s ago");
}

TEST_F(KSSectionTest, TheSwitchTheAccessibilityLineWhileNoKeyCanBePostedAndTheLogNewestFirst) {
  openWith({});
  auto* power = find<KSPill>("power");
  EXPECT_EQ(seen(power), "ON (lit)");
  EXPECT_EQ(power->toolTip(), "sending: press to stop everything, the table is kept");
  click(power);
  EXPECT_EQ(seen(power), "OFF");
  EXPECT_EQ(power->toolTip(), "stopped: press to send again");

  auto* line = find<QLabel>("accessibility");
  EXPECT_FALSE(line->isVisibleTo(section.get()));
  keys.isTrusted = false;
  loop.advance(KSEngine::TRUST_EVERY);
  EXPECT_TRUE(line->isVisibleTo(section.get()));
  EXPECT_EQ(
      line->text(),
      "Accessibility: not allowed yet — no X display with XTEST is reachable. Log in to an X11 session (or "
      "XWayland) → DISPLAY names that display → its XTEST extension on (Xorg and XWayland have it) → "
      "Orvane VUDA Verer started there. Until then no key is pressed and no key can be captured.");
  keys.isTrusted = true;
  loop.advance(KSEngine::TRUST_EVERY);
  EXPECT_FALSE(line->isVisibleTo(section.get()));

  auto* lines = find<QPlainTextEdit>("lines");
  EXPECT_EQ(text("nothing"), "nothing yet");
  EXPECT_FALSE(lines->isVisibleTo(section.get()));
  engine->note("first");
  engine->note("second");
  settle();
  EXPECT_FALSE(find<QLabel>("nothing")->isVisibleTo(section.get()));
  const auto shown = lines->toPlainText().split('\n');
  ASSERT_EQ(shown.size(), 2);
  EXPECT_TRUE(shown[0].endsWith("  second"));
  click(find<KSPill>("clear"));
  EXPECT_TRUE(find<QLabel>("nothing")->isVisibleTo(section.get()));
}

TEST_F(KSSectionTest, TheDeviceBandLocksUnlocksAndShowsTheLastMessageAndTheReason) {
  startWith({}, json{{"device", ""}});
  open();
  auto* detect = find<KSPill>("detect");
  EXPECT_EQ(text("lock"), "no device locked");
  EXPECT_EQ(text("heard"), "nothing heard yet");
  EXPECT_EQ(text("why").toStdString(), engine->why().first);
  EXPECT_EQ(seen(detect), "DETECT DEVICE");
  click(detect);
  EXPECT_EQ(seen(detect), "TURN OR PRESS SOMETHING… (lit)");
  cc(7, 5);
  settle();
  EXPECT_EQ(seen(detect), "DETECT DEVICE");
  EXPECT_EQ(text("lock"), "locked to USB1");
  EXPECT_EQ(text("why").toStdString(), engine->why().first);
  // The last message reads plainly from the locked device, faded from any other.
  const auto heard = [&] {
    cc(7, 6);
    settle();
    return find<QLabel>("heard")->palette().color(QPalette::WindowText);
  };
  EXPECT_EQ(heard(), KSInk::sand);
  click(find<KSPill>("unlock"));
  EXPECT_EQ(text("lock"), "no device locked");
  EXPECT_EQ(heard(), KSInk::dim);
}

// A controller sending a thousand messages a second gets at most ten redraws a second, the first at once and
// the last one showing where the messages stopped.
TEST_F(KSSectionTest, RedrawsAreHeldToTenASecondAndTheLastStateIsShown) {
  openWith({keyRow(1, 7, "a")});
  int redraws = 0;
  section->redrawn = [&](auto) { ++redraws; };
  for (int i = 0; i < 1000; ++i) {
    cc(7, i % 128);
    loop.advance(0.001);
  }
  EXPECT_GE(redraws, 9);
  EXPECT_LE(redraws, 11);
  settle();
  EXPECT_EQ(text("heard"), "USB1   CC 7 = 103   ch 1   just now");  // 999 % 128
}

}  // namespace

// The settings window, the dry window and the tray over a running shell: their exact texts and colours in
// each state, what each control calls, and "top" kept in QSettings.
#include "ui/settings_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QSettings>
#include <QTest>

#include "screen_checks.h"
#include "support/test_shell.h"
#include "ui/colours.h"
#include "ui/dry_window.h"
#include "ui/keystroke/row_view.h"
#include "ui/keystroke/section.h"
#include "ui/keystroke/table_band.h"
#include "ui/mackie/row_view.h"
#include "ui/mackie/table.h"
#include "ui/module_section.h"
#include "ui/row_steps.h"
#include "ui/tab_row.h"
#include "ui/tray.h"
#include "ui/widgets.h"

namespace {

class SettingsWindowTest : public testing::Test, protected TestShell {
 protected:
  int quits = 0;

  std::unique_ptr<ui::SettingsWindow> open(bool noTray = false) {
    auto window = std::make_unique<ui::SettingsWindow>(umbrella, permissions, noTray, [this] { ++quits; });
    window->show();
    settle();
    return window;
  }
  static QWidget* find(QWidget& in, const QString& name) { return in.findChild<QWidget*>(name); }
  static void click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton);
  }
  // A label's or a word's text and colour as the user sees them: "RUNNING green".
  static std::string shown(QWidget& in, const QString& name) {
    auto* widget = find(in, name);
    const auto* word = qobject_cast<ui::TextButton*>(widget);
    const auto text = word ? word->text() : qobject_cast<QLabel*>(widget)->text();
    const auto colour = word ? word->colour() : widget->palette().color(QPalette::WindowText);
    return text.toStdString() + (colour == ui::GREEN   ? " green"
                                 : colour == ui::GREY  ? " grey"
                                 : colour == ui::AMBER ? " amber"
                                                       : " " + colour.name().toStdString());
  }
};

TEST_F(SettingsWindowTest, TabsHeaderAndLiveLineShowTheStateAndEachControlDoesItsPart) {
  start();
  const auto window = open();
  EXPECT_EQ(window->size(), QSize(820, 820));
  EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
  EXPECT_EQ(shown(*window, "version"), "v1 grey");
  // The tabs choose the section; its switch keeps the tab, greys the dot and hides the screen.
  auto* row = window->findChild<ui::TabRow*>();
  auto *mk = row->tab("mackie"), *ks = row->tab("midikeys");
  EXPECT_EQ(mk->text() + "|" + ks->text(), "MIDI TO MK CONTROL|MIDI TO KEY STROKE");
  for (auto [chosen, id] : {std::pair{mk, "mackie"}, std::pair{ks, "midikeys"}}) {
    click(chosen);
    settle();
    EXPECT_EQ(umbrella->tab, id);
    EXPECT_EQ(window->section()->objectName().toStdString(), std::string("section:") + id);
  }

  auto* section = window->section();
  const auto y = [&](QWidget* w) { return w->mapTo(window.get(), QPoint()).y(); };
  EXPECT_TRUE(y(find(*window, "live")) < y(section) && y(section) < y(find(*window, "releases")));
  midikeys->engine->power();
  settle(1);
  EXPECT_EQ(shown(*section, "status"), "STOPPED amber");
  EXPECT_EQ(shown(*section, "module-on") + " " + shown(*section, "module-off"), "ON green OFF grey");
  EXPECT_EQ(ks->dotColour(), ui::GREEN);
  click(find(*section, "module-off"));
  settle();
  umbrella->setTab("midikeys");  // a later notice leaves it without its screen
  EXPECT_FALSE(midikeys->engine->running);
  EXPECT_EQ(window->section(), section);
  EXPECT_EQ(section->findChild<QWidget*>("screen"), nullptr);
  EXPECT_EQ(shown(*section, "module-on") + " " + shown(*section, "module-off"), "ON grey OFF green");
  EXPECT_EQ(shown(*section, "status"), "OFF amber");
  EXPECT_EQ(ks->dotColour(), ui::GREY);
  click(find(*section, "module-on"));
  settle();
  ASSERT_NE(section->screen(), nullptr);
  EXPECT_TRUE(section->screen()->isVisible());

  EXPECT_EQ(shown(*window, "app-on") + " " + shown(*window, "app-off"), "ON green OFF grey");
  click(find(*window, "app-on"));
  EXPECT_EQ(quits, 0);
  click(find(*window, "app-off"));
  EXPECT_EQ(quits, 1);

  EXPECT_EQ(shown(*window, "live"), "NOT RUNNING grey");
  workspace.apps.push_back({42, "Ableton Live 12 Suite", ""});
  workspace.report(AppEvent::launched, workspace.apps.back());
  settle();
  EXPECT_EQ(shown(*window, "live"), "RUNNING green");

  click(find(*window, "close"));
  EXPECT_FALSE(window->isVisible());
  umbrella->showSettings();
  EXPECT_TRUE(window->isVisible());
  // Without a tray the window says how it comes back (ui/tray_host_test.cpp: until a tray host comes).
  const auto noTray = [](QWidget& w) { return w.findChild<QWidget*>("noTray")->isVisibleTo(&w); };
  EXPECT_TRUE(noTray(*open(true)) && !noTray(*window));
}

// Each screen as a user meets it, with rows of every kind: its bands in order under their headings, and every
// control placed by its band's layout (none lying over another or outside its band).
TEST_F(SettingsWindowTest, EachScreenShowsItsBandsInOrderAndEveryControlInItsPlace) {
  nlohmann::json mk = nlohmann::json::array(), ks = nlohmann::json::array();
  for (int id = 1; id <= 3; ++id) {
    mk.push_back({{"id", id}, {"number", id}, {"command", id == 2 ? "jog" : "play"}});
    ks.push_back({{"id", id}, {"cc", id}, {"key", "a"}, {"kind", id == 3 ? "volume" : "key"}});
  }
  home.write(".config/midi-to-mk.json", nlohmann::json{{"rows", mk}}.dump());
  home.write(".config/midi-to-keystroke.json", nlohmann::json{{"rows", ks}}.dump());
  start();
  const auto window = open();
  for (const auto& [tab, headings] :
       {std::pair{"mackie", "THE DEVICE — WHAT COMES IN | TO LIVE — WHAT GOES OUT | THE TABLE | WHAT IT DID"},
        std::pair{"midikeys", "THE DEVICE — WHAT COMES IN | THE TABLE | WHAT IT DID"}}) {
    umbrella->setTab(tab);
    for (int turn = 0; turn < 100; ++turn)  // the rows and their layouts
      QCoreApplication::sendPostedEvents();
    auto* screen = window->section()->screen();
    QList<QWidget*> found = screen->findChildren<QWidget*>("heading");
    std::sort(found.begin(), found.end(), [&](auto* a, auto* b) {
      return a->mapTo(screen, QPoint()).y() < b->mapTo(screen, QPoint()).y();
    });
    QStringList shown;
    for (auto* heading : found)
      if (heading->isVisibleTo(screen)) shown << qobject_cast<QLabel*>(heading)->text();
    EXPECT_EQ(shown.join(" | ").toStdString(), headings);
    EXPECT_EQ(screen::misplaced(*window->section()), std::vector<std::string>{}) << tab;
  }
}

// "top" is kept in the settings and floats every window of the program.
TEST_F(SettingsWindowTest, TopIsKeptAndFloatsEveryWindow) {
  start();
  const auto window = open();
  const auto floating = [](QWidget& w) { return w.windowFlags().testFlag(Qt::WindowStaysOnTopHint); };
  EXPECT_EQ(shown(*window, "top"), "top grey");
  click(find(*window, "top"));
  EXPECT_EQ(shown(*window, "top"), "top green");
  EXPECT_TRUE(QSettings().value("onTop").toBool());
  EXPECT_TRUE(floating(*window) && window->isVisible());
  EXPECT_TRUE(floating(*open()));  // a window opened later floats at once
  click(find(*window, "top"));
  EXPECT_FALSE(QSettings().value("onTop").toBool() || floating(*window));
}

// The dry run's window: the Key Stroke screen under its close row.
TEST_F(SettingsWindowTest, TheDryWindowShowsTheKeyStrokeScreenAndClosesAlone) {
  start();
  ui::DryWindow dry(*midikeys);
  dry.open();
  EXPECT_EQ(dry.windowTitle(), "MIDI to Key Stroke (dry: listens, presses nothing)");
  EXPECT_EQ(dry.size(), QSize(1040, 760));
  EXPECT_FALSE(dry.testAttribute(Qt::WA_QuitOnClose));  // closing it leaves the program running
  EXPECT_NE(dry.findChild<QWidget*>("screen"), nullptr);
  click(dry.findChild<ui::CloseX*>());
  EXPECT_FALSE(dry.isVisible());
}

// The row views in the window, in the order they were made (the MK ones have no meta-object of their own).
template <class View>
std::vector<View*> views(QWidget& window) {
  std::vector<View*> out;
  for (auto* widget : window.findChildren<QWidget*>())
    if (auto* view = dynamic_cast<View*>(widget)) out.push_back(view);
  return out;
}
template <class View>
int made(QWidget& window) {
  return static_cast<int>(views<View>(window).size());
}

// Turns of the loop (each runs what was posted before it: Qt's own work and a table's next step) until the
// window holds `until` views of the kind; each turn may change their number by `perTurn` at most.
template <class View>
int turnsUntil(QWidget& window, int until, int perTurn) {
  int before = made<View>(window), turns = 0;
  while (made<View>(window) != until && turns++ < 400) {
    QCoreApplication::sendPostedEvents();
    EXPECT_LE(std::abs(made<View>(window) - before), perTurn) << turns;
    before = made<View>(window);
  }
  return turns;
}

// The main loop also carries MIDI: with many rows in each table (60 here, hundreds for real), the window
// makes no row while hidden and a few a turn once shown, switching tabs drops the old table's rows a few a
// turn out of sight, closing the window drops the rest, and every row made works.
TEST_F(SettingsWindowTest, RowsAreMadeAFewATurnWhileShownAndDroppedAFewATurnOtherwise) {
  nlohmann::json mk = nlohmann::json::array(), ks = nlohmann::json::array();
  constexpr int ROWS = 60;
  for (int id = 1; id <= ROWS; ++id) {
    mk.push_back({{"id", id}, {"number", id % 100}, {"command", "play"}});
    ks.push_back({{"id", id}, {"cc", id % 100}, {"key", "a"}});
  }
  home.write(".config/midi-to-mk.json", nlohmann::json{{"rows", mk}}.dump());
  home.write(".config/midi-to-keystroke.json", nlohmann::json{{"rows", ks}}.dump());
  start();
  ui::SettingsWindow window(umbrella, permissions, true, [] {});
  EXPECT_EQ(made<MKRowView>(window), 0);
  window.show();
  EXPECT_GE(turnsUntil<MKRowView>(window, ROWS, MKTable::ROWS_PER_TURN), ROWS / MKTable::ROWS_PER_TURN);
  click(views<MKRowView>(window).back()->findChild<QWidget*>("on"));
  EXPECT_FALSE(mackie->engine->rows.back().on);

  umbrella->setTab("midikeys");
  EXPECT_EQ(made<KSRowView>(window), 0);
  // The new tab's lines come while the old tab's rows go.
  turnsUntil<KSRowView>(window, ROWS, KSTableBand::ROWS_PER_TURN);
  turnsUntil<MKRowView>(window, 0, ui::RowSteps::DROP_PER_TURN);
  click(views<KSRowView>(window).back()->findChild<QWidget*>("on"));
  settle(KSSection::REDRAW_GAP);
  EXPECT_FALSE(midikeys->engine->rows.back().on);
  window.hide();
  turnsUntil<KSRowView>(window, 0, ui::RowSteps::DROP_PER_TURN);
}

// The tray, made before the shell starts, as the program makes it: its menu follows the shell and the modules
// without being opened (some tray hosts never say that it opens), at most once per lag and only when a line
// changed, and is built afresh as it opens.
TEST_F(SettingsWindowTest, TrayMenuFollowsTheShellAndTheModulesWithoutBeingOpened) {
  make();
  ui::Tray tray(umbrella);
  EXPECT_FALSE(tray.icon().icon().isNull());
  EXPECT_EQ(tray.icon().contextMenu(), &tray.menu());
  const auto shownLines = [&] {
    std::vector<std::string> lines;
    for (auto* a : tray.menu().actions())
      lines.push_back(TestShell::shown(a->isSeparator(), a->text().toStdString(), a->isEnabled(),
                                       a->isCheckable() ? std::optional(a->isChecked()) : std::nullopt));
    return lines;
  };
  EXPECT_EQ(shownLines(), (std::vector<std::string>{"Settings…"}));
  umbrella->start();
  settle(ui::Tray::MENU_FOLLOWS);
  ASSERT_GT(menu().size(), 1u);
  EXPECT_EQ(shownLines(), menu());

  midikeys->engine->power();  // changed elsewhere while the menu is closed
  settle(ui::Tray::MENU_FOLLOWS - 0.01);
  EXPECT_NE(shownLines(), menu());
  settle(0.01);
  EXPECT_EQ(shownLines(), menu());
  // A notice that changes no line leaves the menu as it is.
  auto* first = tray.menu().actions().front();
  umbrella->setTab("midikeys");
  settle(ui::Tray::MENU_FOLLOWS);
  EXPECT_EQ(tray.menu().actions().front(), first);

  mackie->engine->setPower();
  emit tray.menu().aboutToShow();
  EXPECT_EQ(shownLines(), menu());
  tray.menu().actions()[1]->trigger();
  EXPECT_TRUE(mackie->engine->power());
}

}  // namespace

// The settings window, the dry window and the tray over a running shell: their exact texts and colours in
// each state, what each control calls, and "top" kept in QSettings.
#include "ui/settings_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTest>

#include "screen_checks.h"
#include "support/test_shell.h"
#include "ui/colours.h"
#include "ui/dry_window.h"
#include "ui/keystroke/row_view.h"
#include "ui/keystroke/section.h"
#include "ui/mackie/row_view.h"
#include "ui/module_section.h"
#include "ui/tab_row.h"
#include "ui/tray.h"
#include "ui/visible_rows.h"
#include "ui/widgets.h"

namespace {

class SettingsWindowTest : public testing::Test, protected TestShell {
 protected:
  int quits = 0;

  // A window over the shell, started first unless it is already.
  std::unique_ptr<ui::SettingsWindow> open(bool noTray = false) {
    if (!umbrella) start();
    auto window = std::make_unique<ui::SettingsWindow>(umbrella, permissions, noTray, [this] { ++quits; });
    window->show();
    window->activateWindow();  // so that focus behaves as on a desktop
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    settle();
    return window;
  }
  // Both tables' files with `rows` rows of every kind: faders, jogs and buttons; keys and volume, on CCs
  // and notes.
  void writeTables(int rows) {
    nlohmann::json mk = nlohmann::json::array(), ks = nlohmann::json::array();
    for (int id = 1; id <= rows; ++id) {
      mk.push_back(
          {{"id", id}, {"number", 20 + id % 90}, {"command", std::array{"play", "fader1", "jog"}[id % 3]}});
      ks.push_back({{"id", id}, {"cc", 20 + id % 90}, {"key", "a"}, {"type", id % 3 ? "cc" : "note"}});
      ks.back()["kind"] = id % 4 ? "key" : "volume";
    }
    home.write(".config/midi-to-mk.json", nlohmann::json{{"rows", mk}}.dump());
    home.write(".config/midi-to-keystroke.json", nlohmann::json{{"rows", ks}}.dump());
  }
  static QWidget* find(QWidget& in, const QString& name) { return in.findChild<QWidget*>(name); }
  void click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton);
    settle();
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
  const auto window = open();
  EXPECT_EQ(window->size(), QSize(820, 820));
  EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
  EXPECT_EQ(shown(*window, "version"), "v1 grey");
  // The tabs choose the section; its switch keeps the tab, greys the dot and hides the screen.
  auto* row = window->findChild<ui::TabRow*>();
  auto *mk = row->tab("mackie"), *ks = row->tab("midikeys");
  EXPECT_EQ(mk->text() + "|" + ks->text(), "MIDI TO MK CONTROL|MIDI TO KEY STROKE");
  // Side by side from the row's left end, four pixels apart.
  EXPECT_EQ(std::pair(mk->x(), ks->x()), std::pair(0, mk->width() + 4));
  EXPECT_EQ(mk->dotColour(), ui::GREEN);  // from the start
  // A screen that goes lets go of its engine: the engines' subscribers stay as many, however often it comes.
  std::vector<std::pair<std::size_t, std::size_t>> watching;
  for (int round = 0; round < 2; ++round) {
    for (auto [chosen, id] : {std::pair{mk, "mackie"}, std::pair{ks, "midikeys"}}) {
      click(chosen);
      EXPECT_EQ(window->section()->objectName().toStdString(), std::string("section:") + id);
    }
    watching.emplace_back(mackie->engine->listSizes().at("observers"),
                          midikeys->engine->listSizes().at("observers"));
  }
  EXPECT_EQ(watching[0], watching[1]);

  auto* section = window->section();
  const auto y = [&](QWidget* w) { return w->mapTo(window.get(), QPoint()).y(); };
  EXPECT_TRUE(y(find(*window, "live")) < y(section) && y(section) < y(find(*window, "releases")));
  midikeys->engine->togglePower();
  settle(1);
  EXPECT_EQ(shown(*section, "status"), "STOPPED amber");
  EXPECT_EQ(shown(*section, "module-on") + " " + shown(*section, "module-off"), "ON green OFF grey");
  EXPECT_EQ(ks->dotColour(), ui::GREEN);
  click(find(*section, "module-off"));
  umbrella->setTab("midikeys");  // a later notice leaves it without its screen
  EXPECT_EQ(window->section(), section);
  EXPECT_EQ(section->findChild<QWidget*>("screen"), nullptr);
  EXPECT_EQ(shown(*section, "module-on") + " " + shown(*section, "module-off"), "ON grey OFF green");
  EXPECT_EQ(shown(*section, "status"), "OFF amber");
  EXPECT_EQ(std::pair(ks->dotColour(), ks->accessibleDescription()), std::pair(ui::GREY, QString("off")));
  click(find(*section, "module-on"));
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

  // "top" is kept in the settings and floats every window of the program.
  const auto floating = [](QWidget& w) { return w.windowFlags().testFlag(Qt::WindowStaysOnTopHint); };
  EXPECT_EQ(shown(*window, "top"), "top grey");
  click(find(*window, "top"));
  EXPECT_EQ(shown(*window, "top"), "top green");
  EXPECT_TRUE(floating(*window) && window->isVisible());
  EXPECT_TRUE(floating(*open()));  // a window opened later floats at once
  click(find(*window, "top"));
  EXPECT_FALSE(QSettings().value("onTop").toBool() || floating(*window));
}

// Each screen as a user meets it, with rows of every kind: its bands in order under their headings, and every
// control placed by its band's layout (none lying over another or outside its band).
TEST_F(SettingsWindowTest, EachScreenShowsItsBandsInOrderAndEveryControlInItsPlace) {
  writeTables(4);
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
    EXPECT_EQ(screen::misplaced(*window), std::vector<std::string>{}) << tab;
    EXPECT_EQ(screen::unnamed(*window), std::vector<std::string>{}) << tab;
  }
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

// The row views of one kind in the window, in the rows' order.
template <class View>
std::vector<View*> views(QWidget& window) {
  std::vector<View*> out;
  for (auto* widget : window.findChildren<QWidget*>())
    if (auto* view = dynamic_cast<View*>(widget)) out.push_back(view);
  std::sort(out.begin(), out.end(), [](View* a, View* b) { return a->id() < b->id(); });
  return out;
}

// With 200 rows in the chosen tab's table, views exist only for the rows in sight, placed one under the other
// at each row's own height (some rows show a second note or a longer description); scrolled to the end, views
// made before show the last rows and work; a number being typed keeps its view and its row meanwhile, and
// reaches that row only.
template <class View, class Module, class Number>
void scrollThrough(TestShell& shell, QWidget& window, const char* tab, Module& module, Number number) {
  SCOPED_TRACE(tab);
  shell.umbrella->setTab(tab);
  auto* page = window.findChild<QScrollArea*>();
  // Down by a part of the page's length, once the table is measured and laid out, its views made a few a
  // turn.
  const auto scrollTo = [&](double part) {
    for (int turn = 0; turn < 80; ++turn) {
      if (turn == 40)
        page->verticalScrollBar()->setValue(static_cast<int>(page->verticalScrollBar()->maximum() * part));
      shell.settle();
    }
  };
  scrollTo(0.5);
  auto seen = views<View>(window);
  ASSERT_GE(seen.size(), 2u);
  int least = seen[0]->height();
  for (std::size_t i = 0; i + 1 < seen.size(); ++i) {
    const int height = seen[i]->hasHeightForWidth() ? seen[i]->heightForWidth(seen[i]->width())
                                                    : seen[i]->sizeHint().height();
    EXPECT_EQ(seen[i]->height(), height) << seen[i]->id();
    EXPECT_GE(seen[i + 1]->y(), seen[i]->y() + seen[i]->height()) << seen[i]->id();
    least = std::min(least, height);
  }
  const auto fits =
      static_cast<std::size_t>((page->viewport()->height() + 2 * ui::VisibleRows::MARGIN) / least + 2);
  EXPECT_LE(seen.size(), fits);

  auto* typer = seen[seen.size() / 2];
  auto* typing = typer->template findChild<QLineEdit*>("number");
  const auto typedIn = typer->id();
  typing->setFocus();
  typing->selectAll();
  QTest::keyClicks(typing, "9");
  scrollTo(1);
  const auto last = views<View>(window);
  EXPECT_LE(last.size(), fits + 1);
  ASSERT_EQ(last.back()->id(), 200);
  EXPECT_NE(std::find(seen.begin(), seen.end(), last.back()), seen.end());  // handed over, not made anew
  EXPECT_NE(std::find(last.begin(), last.end(), typer), last.end());
  EXPECT_TRUE(typing->hasFocus());
  QTest::mouseClick(last.back()->template findChild<QWidget*>("on"), Qt::LeftButton);
  typing->clearFocus();
  shell.settle(KSSection::REDRAW_GAP);
  for (const auto& r : module.engine->view().rows)
    EXPECT_EQ(r.*number == 9, r.id == typedIn) << r.id;
  EXPECT_FALSE(module.engine->view().rows.back().on);
}

TEST_F(SettingsWindowTest, OnlyTheRowsInSightHaveViewsAndTheyFollowTheScroll) {
  writeTables(200);
  const auto window = open(true);
  scrollThrough<MKRowView>(*this, *window, "mackie", *mackie, &MKRow::number);
  scrollThrough<KSRowView>(*this, *window, "midikeys", *midikeys, &KSRow::cc);
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

  midikeys->engine->togglePower();  // changed elsewhere while the menu is closed
  settle(ui::Tray::MENU_FOLLOWS - 0.01);
  EXPECT_NE(shownLines(), menu());
  settle(0.01);
  EXPECT_EQ(shownLines(), menu());
  // A notice that changes no line leaves the menu as it is.
  auto* first = tray.menu().actions().front();
  umbrella->setTab("midikeys");
  settle(ui::Tray::MENU_FOLLOWS);
  EXPECT_EQ(tray.menu().actions().front(), first);

  mackie->engine->togglePower();
  emit tray.menu().aboutToShow();
  EXPECT_EQ(shownLines(), menu());
  tray.menu().actions()[1]->trigger();
  EXPECT_TRUE(mackie->engine->power());
}

}  // namespace

// The settings window over a running shell: its exact texts and colours in each state, what each control
// calls, "top" kept in QSettings, and the dry window.
#include "ui/settings_window.h"

#include <QDesktopServices>
#include <QLabel>
#include <QSettings>

#include "shell_fixture.h"
#include "ui/colours.h"
#include "ui/dry_window.h"
#include "ui/module_section.h"
#include "ui/tab_row.h"
#include "ui/widgets.h"
#include "url_catcher.h"

namespace {

class SettingsWindowTest : public ShellFixture {
 protected:
  int quits = 0;

  std::unique_ptr<ui::SettingsWindow> open(bool noTray = false) {
    auto window = std::make_unique<ui::SettingsWindow>(umbrella, permissions, noTray, [this] { ++quits; });
    window->show();
    settle();
    return window;
  }

  template <class T = QWidget>
  static T* find(QWidget& in, const QString& name) {
    return in.findChild<T*>(name);
  }
  static QString text(QWidget& in, const QString& name) { return find<QLabel>(in, name)->text(); }
  static QColor colour(QWidget& in, const QString& name) {
    return find<QWidget>(in, name)->palette().color(QPalette::WindowText);
  }
};

TEST_F(SettingsWindowTest, HeaderNamesTheProgramAndItsOffQuitsWhileClosingDoesNot) {
  start();
  const auto window = open();
  EXPECT_EQ(window->windowTitle(), "Orvane VUDA Verer");
  EXPECT_EQ(window->size(), QSize(820, 820));
  EXPECT_EQ(window->palette().color(QPalette::Window), ui::INK);
  EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
  const auto labels = window->findChildren<QLabel*>();
  EXPECT_TRUE(
      std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "ORVANE VUDA VERER"; }));
  EXPECT_EQ(text(*window, "version"), "v1");
  EXPECT_EQ(find<ui::Word>(*window, "app-on")->text(), "ON");
  EXPECT_EQ(find<ui::Word>(*window, "app-on")->colour(), ui::GREEN);
  EXPECT_EQ(find<ui::Word>(*window, "app-off")->text(), "OFF");
  EXPECT_EQ(find<ui::Word>(*window, "app-off")->colour(), ui::GREY);
  EXPECT_EQ(find(*window, "noTray"), nullptr);
  EXPECT_EQ(find(*window, "permissions")->isVisible(), false);

  click(find(*window, "app-on"));
  EXPECT_EQ(quits, 0);
  click(find(*window, "app-off"));
  EXPECT_EQ(quits, 1);
  click(find(*window, "close"));
  EXPECT_FALSE(window->isVisible());
}

TEST_F(SettingsWindowTest, WithoutATraySaysHowTheWindowComesBack) {
  start();
  const auto window = open(true);
  EXPECT_EQ(text(*window, "noTray"),
            "no tray on this desktop: close this window to hide it; run the program again to bring it back");
}

TEST_F(SettingsWindowTest, SettingsItemBringsTheWindowBackClosedOrMinimised) {
  start();
  const auto window = open();
  window->close();
  umbrella->showSettings();
  EXPECT_TRUE(window->isVisible());
  window->showMinimized();
  umbrella->showSettings();
  EXPECT_FALSE(window->isMinimized());
}

TEST_F(SettingsWindowTest, TopIsKeptInTheSettingsAndFloatsEveryWindowOfTheProgram) {
  start();
  const auto window = open();
  QWidget other;
  other.setWindowTitle("Orvane VUDA Verer – another");
  QWidget stranger;
  stranger.setWindowTitle("Something else");
  other.show();
  stranger.show();
  auto* top = find<ui::Word>(*window, "top");
  EXPECT_EQ(top->toolTip(), "Always on top: green, the window stays above every other window");
  EXPECT_EQ(top->colour(), ui::GREY);

  click(top);
  EXPECT_EQ(top->colour(), ui::GREEN);
  EXPECT_TRUE(QSettings().value("onTop").toBool());
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(other.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(stranger.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

  // A window opened later floats at once.
  const auto again = open();
  EXPECT_TRUE(again->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(find<ui::Word>(*again, "top")->colour(), ui::GREEN);

  click(top);
  EXPECT_FALSE(QSettings().value("onTop").toBool());
  EXPECT_FALSE(other.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(SettingsWindowTest, TabsShowEveryModuleWithItsDotAndAClickChoosesTheSection) {
  start();
  const auto window = open();
  auto* row = window->findChild<ui::TabRow*>();
  auto* mk = row->tab("mackie");
  auto* ks = row->tab("midikeys");
  EXPECT_EQ(mk->text(), "MIDI TO MK CONTROL");
  EXPECT_EQ(ks->text(), "MIDI TO KEY STROKE");
  EXPECT_LT(mk->x(), ks->x());
  EXPECT_EQ(mk->dotColour(), ui::GREEN);
  EXPECT_EQ(mk->titleColour(), QColor(Qt::white));
  EXPECT_EQ(ks->titleColour(), ui::GREY);
  EXPECT_EQ(window->section()->objectName(), "section:mackie");

  click(ks);
  settle();
  EXPECT_EQ(umbrella->tab, "midikeys");
  EXPECT_EQ(settingsFile()["tab"], "midikeys");
  EXPECT_EQ(ks->titleColour(), QColor(Qt::white));
  EXPECT_EQ(mk->titleColour(), ui::GREY);
  EXPECT_EQ(window->section()->objectName(), "section:midikeys");
  EXPECT_EQ(window->findChildren<ui::ModuleSection*>().size(), 1);
}

TEST_F(SettingsWindowTest, NoSectionWhenNoModuleHasTheChosenTab) {
  start({{"tab", "gone"}});
  const auto window = open();
  EXPECT_EQ(window->section(), nullptr);
  EXPECT_NE(window->findChild<ui::TabRow*>(), nullptr);
}

TEST_F(SettingsWindowTest, SwitchingTheShownModuleOffKeepsItsTabGreysItsDotAndHidesItsScreen) {
  start();
  const auto window = open();
  auto* section = window->section();
  EXPECT_EQ(section->findChild<ui::Small*>()->text().toStdString(), mackie->about());
  ASSERT_NE(section->screen(), nullptr);
  EXPECT_TRUE(section->screen()->isVisible());
  auto* on = find<ui::Word>(*section, "module-on");
  auto* off = find<ui::Word>(*section, "module-off");
  EXPECT_EQ(on->colour(), ui::GREEN);
  EXPECT_EQ(off->colour(), ui::GREY);

  click(off);
  settle();
  EXPECT_FALSE(umbrella->on["mackie"]);
  EXPECT_FALSE(mackie->engine->running);
  EXPECT_EQ(settingsFile()["modules"], (nlohmann::json{{"mackie", false}, {"midikeys", true}}));
  EXPECT_EQ(window->section(), section);
  EXPECT_EQ(section->screen(), nullptr);
  EXPECT_EQ(section->findChild<QWidget*>("screen"), nullptr);
  EXPECT_EQ(on->colour(), ui::GREY);
  EXPECT_EQ(off->colour(), ui::GREEN);
  EXPECT_EQ(window->findChild<ui::TabRow*>()->tab("mackie")->dotColour(), ui::GREY);

  click(on);
  settle();
  EXPECT_TRUE(mackie->engine->running);
  ASSERT_NE(section->screen(), nullptr);
  EXPECT_TRUE(section->screen()->isVisible());
}

TEST_F(SettingsWindowTest, StatusWordIsTheModulesOwnInAmberAndFollowsItsChanges) {
  start({{"tab", "midikeys"}});
  const auto window = open();
  auto* status = find<QLabel>(*window->section(), "status");
  EXPECT_EQ(status->text().toStdString(), midikeys->status());
  EXPECT_EQ(status->palette().color(QPalette::WindowText), ui::AMBER);
  EXPECT_EQ(status->font().pixelSize(), 13);
  EXPECT_TRUE(status->font().bold());

  midikeys->engine->power();
  settle(1);
  EXPECT_EQ(status->text(), "STOPPED");
}

TEST_F(SettingsWindowTest, LiveLineFollowsLiveComingAndGoing) {
  start();
  const auto window = open();
  EXPECT_EQ(text(*window, "live"), "NOT RUNNING");
  EXPECT_EQ(colour(*window, "live"), ui::GREY);
  const auto labels = window->findChildren<ui::Label10*>();
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels.front()->text(), "ABLETON LIVE");

  const RunningApp live{42, "Ableton Live 12 Suite", ""};
  workspace.apps.push_back(live);
  workspace.changed(AppEvent::launched, live);
  settle();
  EXPECT_EQ(text(*window, "live"), "RUNNING");
  EXPECT_EQ(colour(*window, "live"), ui::GREEN);

  workspace.apps.clear();
  workspace.changed(AppEvent::terminated, live);
  settle();
  EXPECT_EQ(text(*window, "live"), "NOT RUNNING");
}

TEST_F(SettingsWindowTest, VersionRowOpensTheReleasePage) {
  start();
  const auto window = open();
  UrlCatcher browser;
  QDesktopServices::setUrlHandler("https", &browser, "open");
  click(find(*window, "releases"));
  QDesktopServices::unsetUrlHandler("https");
  ASSERT_EQ(browser.opened.size(), 1);
  EXPECT_EQ(browser.opened.front().toString().toStdString(), Umbrella::RELEASES);
  EXPECT_EQ(find<ui::TextButton>(*window, "releases")->text(), "v1");
}

TEST_F(SettingsWindowTest, DryWindowShowsTheKeyStrokeScreenUnderItsCloseRow) {
  start(nullptr, true);
  ui::DryWindow window(*midikeys);
  window.open();
  EXPECT_EQ(window.windowTitle(), "MIDI to Key Stroke (dry: listens, presses nothing)");
  EXPECT_EQ(window.size(), QSize(1040, 760));
  EXPECT_EQ(window.palette().color(QPalette::Window), ui::INK);
  EXPECT_NE(window.findChild<QWidget*>("screen"), nullptr);
  click(window.findChild<ui::CloseX*>());
  EXPECT_FALSE(window.isVisible());
}

}  // namespace

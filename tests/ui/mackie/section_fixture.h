// The MK section on a real engine that runs on the test doubles and the virtual loop: the engine publishes
// when the loop is advanced, and the section shows it. Helpers find a band's or a row's controls by name and
// act as the user would.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <string>

#include "mackie/engine/engine_fixture.h"
#include "ui/mackie/choice.h"
#include "ui/mackie/row_view.h"
#include "ui/mackie/section.h"
#include "ui/mackie/steady_text.h"
#include "ui/mackie/table.h"
#include "ui/mackie/tick.h"
#include "ui/mackie/word.h"

class SectionTest : public EngineTest {
 protected:
  ~SectionTest() override { section.reset(); }  // before the engine it listens to

  std::unique_ptr<MKSection> section;

  // Starts the engine on these rows and shows its section in an active window, so that focus behaves as on
  // a desktop.
  void open(std::vector<nlohmann::json> rows, nlohmann::json settings = nlohmann::json::object()) {
    startWith(std::move(rows), std::move(settings));
    show();
  }
  void show() {
    section = std::make_unique<MKSection>(engine);
    section->resize(1200, 900);
    section->show();
    section->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(section.get()));
  }

  // The engine tells its screens at its next refresh.
  void publish() { loop.advance(MKEngine::REFRESH); }

  template <class W = QWidget>
  W* band(const char* name) const {
    auto* found = section->findChild<W*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  template <class W = QWidget>
  W* inRow(std::size_t at, const char* name) const {
    const auto& views = section->table()->rowViews();
    EXPECT_LT(at, views.size());
    auto* found = at < views.size() ? views[at]->findChild<W*>(name) : nullptr;
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  std::string text(QWidget* w) const {
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
    if (auto* steady = dynamic_cast<MKSteadyText*>(w)) return steady->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text().toStdString();
    if (auto* field = qobject_cast<QLineEdit*>(w)) return field->text().toStdString();
    return {};
  }
  std::string tip(QWidget* w) const { return w->toolTip().toStdString(); }
  // A word or tick box as the user reads it: its text, then " lit" while it is on.
  std::string seen(QWidget* w) const {
    const auto* word = dynamic_cast<MKWord*>(w);
    const auto* tick = dynamic_cast<MKTick*>(w);
    const bool lit = (word && word->isOn()) || (tick && tick->isOn());
    return text(w) + (lit ? (text(w).empty() ? "lit" : " lit") : "");
  }

  // A click, then the engine's answer on screen.
  void click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    publish();
  }
  // Types into a field as the user would, replacing its text, and hands it over with Return.
  void type(QLineEdit* field, const char* typed) {
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, typed);
    QTest::keyClick(field, Qt::Key_Return);
    publish();
  }
  // The choice's focus and one arrow key down: the next option is taken.
  void arrowDown(MKChoice* choice) {
    choice->setFocus();
    QTest::keyClick(choice, Qt::Key_Down);
    publish();
  }
};

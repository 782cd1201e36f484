// The Key Stroke section on a real engine over the test doubles and the virtual loop: helpers to open it, let
// a held-back redraw happen, and reach a control by its name, in the section or in one row's line.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <map>
#include <memory>
#include <string>

#include "keystroke/engine_fixture.h"
#include "ui/keystroke/controls.h"
#include "ui/keystroke/row_view.h"
#include "ui/keystroke/section.h"

class KSSectionTest : public KSEngineTest {
 protected:
  ~KSSectionTest() override { section.reset(); }  // before the engine it watches

  std::unique_ptr<KSSection> section;

  void open() {
    section = std::make_unique<KSSection>(engine);
    section->resize(1100, 900);
    section->show();
    QCoreApplication::sendPostedEvents();
  }
  // Starts the engine on these rows, locked to "Port 1", and opens the section.
  void openWith(std::vector<nlohmann::json> rows) {
    startWith(std::move(rows));
    open();
  }
  // Lets the engine's notices through and a redraw that waits for its turn happen, then Qt's own posted work:
  // layouts, and lines dropped with their rows.
  void settle() {
    loop.advance(KSSection::REDRAW_GAP);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  template <class W = QWidget>
  W* find(const QString& name) const {
    auto* found = section->findChild<W*>(name);
    if (!found) ADD_FAILURE() << "no " << name.toStdString();
    return found;
  }
  KSRowView* line(std::int64_t id) const { return find<KSRowView>(QString("row %1").arg(id)); }
  template <class W = QWidget>
  W* in(std::int64_t id, const char* name) const {
    auto* found = line(id) ? line(id)->findChild<W*>(name) : nullptr;
    if (!found) ADD_FAILURE() << "no " << name << " in row " << id;
    return found;
  }
  QString text(const QString& name) const { return find<QLabel>(name)->text(); }
  QString pillText(std::int64_t id, const char* name) const { return in<QAbstractButton>(id, name)->text(); }
  // A pill as the user reads it: its text, then its look unless it is plain: "ON (lit)".
  static std::string seen(const KSPill* pill) {
    static const std::map<KSPill::Look, std::string> looks = {{KSPill::Look::plain, ""},
                                                              {KSPill::Look::lit, " (lit)"},
                                                              {KSPill::Look::ghost, " (ghost)"},
                                                              {KSPill::Look::danger, " (danger)"}};
    return pill ? pill->text().toStdString() + looks.at(pill->look()) : "no pill";
  }
  void click(QAbstractButton* button) {
    button->click();
    settle();
  }
};

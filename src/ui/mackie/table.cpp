// The table band (see the header).
#include "ui/mackie/table.h"

#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>

#include "mackie/core/catalogue.h"
#include "mackie/core/rules.h"
#include "mackie/engine/engine.h"
#include "ui/colours.h"
#include "ui/mackie/row_view.h"
#include "ui/mackie/style.h"
#include "ui/visible_rows.h"

namespace {

// The scene reader notices a saved scene within two seconds; the swatches follow it at that pace.
constexpr double KNOBS_EVERY = 2.0;

bool drivesTheVolume(const MKRules::MKRow& row) {
  const auto* command = MKMCU::command(row.command);
  return command && command->kind == "macvolume";
}

}  // namespace

MKTable::MKTable(std::weak_ptr<MKEngine> engine, QWidget* parent)
    : ui::Band("THE TABLE", ui::mkBand(4), parent),
      engine_(std::move(engine)),
      tickAll_(new ui::Tick(ui::mkTick(), ui::MK_RED, {}, this)),
      undo_(new ui::Pill("UNDO", ui::mkWord(), {}, this)),
      redo_(new ui::Pill("REDO", ui::mkWord(), {}, this)),
      lastChange_(new QLabel(this)),
      delete_(new ui::Pill("DELETE", ui::mkWord(), {}, this)),
      add_(new ui::Pill("+ A ROW", ui::mkWord(), {}, this)),
      empty_(new QLabel("No rows yet. Press + A ROW, then LEARN and turn the knob, then pick the MK command.",
                        this)),
      strip_(new ui::VisibleRows(
          {.make = [this](QWidget* owner) -> QWidget* { return new MKRowView(engine_, owner); },
           .draw =
               [this](QWidget& view, std::size_t i) {
                 if (const auto e = engine_.lock()) static_cast<MKRowView&>(view).draw(look(*e, rows_[i]));
               },
           .shape =
               [this](std::size_t i) { return MKRowView::shape(rows_[i], clashes_.count(rows_[i].id) > 0); }},
          0, this)) {  // the rows' own margins part them
  const auto call = [this](void (MKEngine::*op)()) {
    return [this, op] {
      if (const auto e = engine_.lock()) ((*e).*op)();
    };
  };
  undo_->setObjectName("undo");
  undo_->action = call(&MKEngine::undo);
  redo_->setObjectName("redo");
  redo_->action = call(&MKEngine::redo);
  lastChange_->setObjectName("lastChange");
  QPalette grey = lastChange_->palette();
  grey.setColor(QPalette::WindowText, ui::GREY);
  lastChange_->setPalette(grey);
  tickAll_->setObjectName("tickAll");
  tickAll_->setAccessibleName("tick every row");
  tickAll_->setToolTip("tick every row, or none");
  tickAll_->action = call(&MKEngine::tickAll);
  delete_->setObjectName("delete");
  delete_->action = call(&MKEngine::deleteTicked);
  add_->setObjectName("add");
  add_->action = call(&MKEngine::add);
  empty_->setObjectName("empty");
  empty_->setWordWrap(true);

  auto* bar = new QHBoxLayout();
  bar->setSpacing(6);
  bar->addWidget(tickAll_);
  bar->addWidget(undo_);
  bar->addWidget(redo_);
  bar->addWidget(lastChange_, 1);
  bar->addWidget(delete_);
  bar->addWidget(add_);
  body()->addLayout(bar);
  body()->addWidget(empty_);
  body()->addWidget(strip_);
  strip_->rebound = [this] { orderKeys(); };
}

std::vector<MKRowView*> MKTable::rowViews() const {
  std::vector<MKRowView*> out;
  for (QWidget* view : strip_->views())
    out.push_back(static_cast<MKRowView*>(view));
  return out;
}

void MKTable::orderKeys() {
  // Views made or moved later would otherwise come after the bands below the table.
  QWidget* before = add_;
  for (const MKRowView* view : rowViews())
    for (QWidget* control : view->controls()) {
      setTabOrder(before, control);
      before = control;
    }
}

MKRowLook MKTable::look(MKEngine& engine, const MKRules::MKRow& row) {
  const Knob knob{row.from, row.number, drivesTheVolume(row)};
  auto ring = knobs_.find(knob);
  if (ring == knobs_.end())
    ring = knobs_.emplace(knob, engine.rings().about(row.from, row.number, knob.volume)).first;
  return {row,
          engine.lit(row.id).value_or(""),
          engine.view().learnId == row.id,
          engine.history().ticks.count(row.id) > 0,
          clashes_.count(row.id) > 0,
          ring->second};
}

void MKTable::redraw(MKEngine& engine) {
  const auto& undoStack = engine.history().undoStack;
  const auto& redoStack = engine.history().redoStack;
  undo_->setEnabled(!undoStack.empty());
  undo_->setToolTip(undoStack.empty() ? "nothing to undo" : ui::qs("undo: " + undoStack.back().what));
  redo_->setEnabled(!redoStack.empty());
  redo_->setToolTip(redoStack.empty() ? "nothing to redo" : ui::qs("redo: " + redoStack.back().what));
  lastChange_->setText(undoStack.empty() ? QString() : ui::qs("last change: " + undoStack.back().what));

  const auto& rows = engine.view().rows;
  const auto& ticks = engine.history().ticks;
  const auto ticked = engine.history().ticked(rows).size();
  tickAll_->setOn(!rows.empty() && std::all_of(rows.begin(), rows.end(),
                                               [&](const MKRules::MKRow& r) { return ticks.count(r.id); }));
  tickAll_->setDead(rows.empty());
  delete_->setText(ticked ? QString("DELETE %1").arg(ticked) : QString("DELETE"));
  delete_->setOn(ticked > 0);
  delete_->setToolTip(ticked ? "delete the ticked rows (UNDO brings them back)" : "tick rows first");
  empty_->setVisible(rows.empty());

  const double now = engine.loop().now();
  // A colour change that ended may have changed any row's knob, since rows can share one.
  const unsigned coloursDone = engine.rings().rings.coloursDone();
  const bool reread = coloursDone != coloursSeen_ || now - knobsAt_ >= KNOBS_EVERY || now < knobsAt_;
  if (reread) {
    knobsAt_ = now;
    coloursSeen_ = coloursDone;
  }
  if (reread) knobs_.clear();
  if (rows == rows_) {
    strip_->redraw();
    return;
  }
  clashes_ = MKRules::clashes(rows);
  rows_ = rows;
  strip_->setRows(ui::idsOf(rows));
}

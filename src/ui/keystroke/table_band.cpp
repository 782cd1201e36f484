// The table band (see the header).
#include "ui/keystroke/table_band.h"

#include <QHBoxLayout>

#include "keystroke/engine.h"
#include "ui/keystroke/ink.h"
#include "ui/keystroke/keep_bar.h"
#include "ui/keystroke/row_view.h"
#include "ui/visible_rows.h"

namespace {

constexpr int LINE_GAP = 4;  // pixels between two lines

// The column names over the lines, at the lines' own widths.
QWidget* heading(QWidget* parent, ui::Tick* all) {
  namespace C = KSColumns;
  auto* box = new QWidget(parent);
  auto* line = new QHBoxLayout(box);
  line->setContentsMargins(0, 0, 0, 0);
  line->setSpacing(C::SPACING);
  const std::pair<const char*, int> columns[] = {{"", C::LAMP},
                                                 {"ON", C::ON},
                                                 {"", C::learn()},
                                                 {"FILTER", C::FILTER},
                                                 {"#", C::NUMBER},
                                                 {"VALUE", C::VALUE},
                                                 {"DOES", C::KIND_KEY + C::SPACING + C::KIND_VOLUME},
                                                 {"KEY", C::KEY + C::SPACING + C::FORGET},
                                                 {"LED", C::LED + C::SPACING + C::SWATCH}};
  for (const auto& [name, width] : columns) {
    auto* caption = ksText(KSInk::dim, box, 9, true);
    caption->setText(name);
    caption->setFixedWidth(width);
    line->addWidget(caption);
  }
  line->addStretch(1);
  line->addWidget(all);
  return box;
}

}  // namespace

KSTableBand::KSTableBand(const std::shared_ptr<KSEngine>& engine, QWidget* parent)
    : ui::Band("THE TABLE", KSInk::band(), parent), engine_(engine) {
  setObjectName("table");
  const std::weak_ptr<KSEngine> weak = engine;
  add_ = new ui::Pill(
      "+ A ROW", KSInk::pill(),
      [weak] {
        if (const auto e = weak.lock()) e->add();
      },
      this);
  add_->setObjectName("add");
  add_->setAccessibleName("+ A ROW");
  auto* top = new QHBoxLayout();
  top->addWidget(add_);
  auto* help = ksText(KSInk::dim, this);
  help->setObjectName("help");
  help->setWordWrap(true);
  help->setText(
      "FILTER is CC (a knob) or NOTE (a key or pad): LEARN takes only that kind. For a note, VALUE is the "
      "velocity. Press the KEY cell, then the key.");
  top->addWidget(help, 1);
  body()->addLayout(top);
  keep_ = new KSKeepBar(engine, this);
  body()->addWidget(keep_);
  all_ = new ui::Tick(
      KSInk::tick(), KSInk::red,
      [weak] {
        if (const auto e = weak.lock()) e->tickAll();
      },
      this);
  all_->setObjectName("all");
  all_->setAccessibleName("tick every row");
  all_->setToolTip("tick every row, or none");
  body()->addWidget(heading(this, all_));
  empty_ = ksText(KSInk::dim, this);
  empty_->setObjectName("empty");
  empty_->setWordWrap(true);
  empty_->setText(
      "No rows yet. Press + A ROW, then LEARN to catch the knob or the key, then the KEY cell and the key "
      "you "
      "want.");
  body()->addWidget(empty_);
  strip_ = new ui::VisibleRows(
      {.make = [weak](QWidget* owner) -> QWidget* { return new KSRowView(weak.lock(), owner); },
       .draw = [this](QWidget& view, std::size_t i) { draw(static_cast<KSRowView&>(view), i); },
       .shape =
           [this](std::size_t i) { return KSRowView::shape(rows_[i], clashes_.count(rows_[i].id) > 0); }},
      LINE_GAP, this);
  strip_->rebound = [this] {
    if (reshaped) reshaped();
  };
  body()->addWidget(strip_);
}

void KSTableBand::refresh(KSEngine& engine) {
  keep_->refresh(engine);
  const auto& rows = engine.view().rows;
  const auto ticked = engine.history().ticked(rows);
  all_->setOn(!rows.empty() && ticked.size() == rows.size());
  all_->setDead(rows.empty());
  empty_->setVisible(rows.empty());

  ticked_ = std::set<std::int64_t>(ticked.begin(), ticked.end());
  // Clashes come from the rows alone: worked out again only when the rows changed.
  if (rows == rows_) {
    strip_->redraw();
    return;
  }
  rows_ = rows;
  clashes_ = engine.clashes();
  strip_->setRows(ui::idsOf(rows));
}

void KSTableBand::draw(KSRowView& view, std::size_t i) const {
  const auto engine = engine_.lock();
  if (!engine) return;
  const auto& r = rows_[i];
  KSRowLook look;
  look.row = r;
  const auto& shown = engine->view();
  if (const auto lit = shown.lit.find(r.id); lit != shown.lit.end()) look.lit = lit->second;
  look.learning = shown.learnId == r.id;
  look.capturing = shown.capId == r.id;
  look.ticked = ticked_.count(r.id) > 0;
  look.clash = clashes_.count(r.id) > 0;
  look.ring = engine->ring(r);
  view.bind(r.id);
  view.draw(look);
}

QList<QWidget*> KSTableBand::focusables() const {
  QList<QWidget*> out{add_};
  out += keep_->focusables();
  out += all_;
  for (QWidget* view : strip_->views())
    out += static_cast<KSRowView*>(view)->focusables();
  return out;
}

// The table band (see the header).
#include "ui/keystroke/table_band.h"

#include <QHBoxLayout>
#include <set>

#include "keystroke/engine.h"
#include "keystroke/rules.h"
#include "ui/keystroke/ink.h"
#include "ui/keystroke/keep_bar.h"
#include "ui/keystroke/row_view.h"
#include "ui/row_steps.h"

namespace {

// The column names over the lines, at the lines' own widths.
QWidget* heading(QWidget* parent, KSTick* all) {
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
    : KSBand("THE TABLE", parent) {
  setObjectName("table");
  const std::weak_ptr<KSEngine> weak = engine;
  add_ = new KSPill(
      "+ A ROW",
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
  all_ = new KSTick(
      [weak] {
        if (const auto e = weak.lock()) e->tickAll();
      },
      this);
  all_->setObjectName("all");
  all_->setAccessibleName("tick every row");
  all_->setToolTip("tick every row, or none");
  all_->setTint(KSInk::red);
  body()->addWidget(heading(this, all_));
  empty_ = ksText(KSInk::dim, this);
  empty_->setObjectName("empty");
  empty_->setWordWrap(true);
  empty_->setText(
      "No rows yet. Press + A ROW, then LEARN to catch the knob or the key, then the KEY cell and the key "
      "you "
      "want.");
  body()->addWidget(empty_);
  lines_ = new QVBoxLayout();
  lines_->setSpacing(4);
  body()->addLayout(lines_);
  steps_ = new ui::RowSteps(*this, [this, weak] {
    const auto e = weak.lock();
    if (!e) return false;
    if (refresh(*e) && reshaped) reshaped();
    return views_.size() != (steps_->growing() ? e->rows.size() : 0);
  });
}

bool KSTableBand::refresh(KSEngine& engine) {
  keep_->refresh(engine);
  const auto& rows = engine.rows;
  const auto ticked = engine.keep.ticked(rows);
  all_->setOn(!rows.empty() && ticked.size() == rows.size());
  all_->setDead(rows.empty());
  empty_->setVisible(rows.empty());

  std::vector<std::int64_t> ids;
  ids.reserve(rows.size());
  for (const auto& r : rows)
    ids.push_back(r.id);
  bool settled = views_.size() == (steps_->growing() ? ids.size() : 0);
  for (std::size_t i = 0; settled && i < views_.size(); ++i)
    settled = views_[i]->id() == ids[i];
  if (!settled) reshape(engine.shared_from_this(), ids);

  const auto clashes = engine.clashes();
  const std::set<std::int64_t> tickedSet(ticked.begin(), ticked.end());
  // The lines follow the rows' order; a row whose line is still to be made is passed over.
  std::size_t v = 0;
  for (std::size_t i = 0; i < rows.size() && v < views_.size(); ++i) {
    const auto& r = rows[i];
    if (views_[v]->id() != r.id) continue;
    KSRowLook look;
    look.row = r;
    if (const auto lit = engine.lit.find(r.id); lit != engine.lit.end()) look.lit = lit->second;
    look.learning = engine.learnId == r.id;
    look.capturing = engine.capId == r.id;
    look.ticked = tickedSet.count(r.id) > 0;
    look.clash = clashes.count(r.id) > 0;
    look.ring = engine.e16.about(std::string(KSRules::type(r.type)), r.cc, r.kind == "volume");
    views_[v++]->draw(look);
  }
  return !settled;
}

void KSTableBand::reshape(const std::shared_ptr<KSEngine>& engine, const std::vector<std::int64_t>& ids) {
  std::map<std::int64_t, KSRowView*> kept;
  for (auto* view : views_) {
    lines_->removeWidget(view);
    kept[view->id()] = view;
  }
  views_.clear();
  if (steps_->growing()) {
    int made = 0;
    for (const auto id : ids) {
      KSRowView* view = nullptr;
      if (const auto found = kept.find(id); found != kept.end()) {
        view = found->second;
        kept.erase(found);
      } else if (made < ROWS_PER_TURN) {
        view = new KSRowView(engine, id, this);
        ++made;
      } else {
        continue;
      }
      lines_->addWidget(view);
      view->show();
      views_.push_back(view);
    }
    if (views_.size() < ids.size()) steps_->again();
  }
  // Lines of rows that went, or of a table no longer shown.
  for (const auto& [id, view] : kept)
    steps_->drop(view);
}

QList<QWidget*> KSTableBand::focusables() const {
  QList<QWidget*> out{add_};
  out += keep_->focusables();
  out += all_;
  for (const auto* view : views_)
    out += view->focusables();
  return out;
}

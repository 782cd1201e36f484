// The tab strip (see the header).
#include "ui/tab_row.h"

#include <QHBoxLayout>
#include <QPainter>

#include "shell/umbrella.h"
#include "ui/colours.h"
#include "ui/widgets.h"

namespace ui {

namespace {
constexpr int PAD_X = 10;
constexpr int PAD_Y = 6;
constexpr int DOT = 6;
constexpr int GAP = 8;  // between the dot and the title
}  // namespace

ModuleTab::ModuleTab(const QString& id, const QString& title, QWidget* parent) : QAbstractButton(parent) {
  setObjectName("tab:" + id);
  setText(title);
  setFont(monospaced(12, true));
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
  setCheckable(true);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ModuleTab::present(bool moduleOn, bool chosen) {
  dot_ = moduleOn ? GREEN : GREY;
  chosen_ = chosen;
  setChecked(chosen);
  setAccessibleDescription(moduleOn ? "on" : "off");
  setTextColour(*this, chosen ? QColor(Qt::white) : GREY);
  update();
}

QSize ModuleTab::sizeHint() const {
  const QFontMetrics metrics(font());
  return {PAD_X + DOT + GAP + metrics.horizontalAdvance(text()) + PAD_X, metrics.height() + 2 * PAD_Y};
}

void ModuleTab::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (chosen_) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 26));
    painter.drawRoundedRect(QRectF(rect()), 5, 5);
  }
  painter.setPen(Qt::NoPen);
  painter.setBrush(dot_);
  painter.drawEllipse(QRectF(PAD_X, (height() - DOT) / 2.0, DOT, DOT));
  painter.setPen(titleColour());
  painter.setFont(font());
  painter.drawText(rect().adjusted(PAD_X + DOT + GAP, 0, -PAD_X, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   text());
}

TabRow::TabRow(const std::shared_ptr<Umbrella>& umbrella, QWidget* parent)
    : QWidget(parent), umbrella_(umbrella) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  for (const auto& m : umbrella->MODULES) {
    auto* tab = new ModuleTab(QString::fromStdString(m->id()), QString::fromStdString(m->title()), this);
    connect(tab, &QAbstractButton::clicked, this, [this, id = m->id()] {
      if (const auto u = umbrella_.lock()) u->setTab(id);
    });
    layout->addWidget(tab);
    tabs_.emplace_back(m->id(), tab);
  }
  layout->addStretch(1);
  subscription_ = Subscription(umbrella, [this] { redraw(); });
  redraw();
}

ModuleTab* TabRow::tab(const std::string& id) const {
  for (const auto& [tabId, tab] : tabs_)
    if (tabId == id) return tab;
  return nullptr;
}

void TabRow::redraw() {
  const auto u = umbrella_.lock();
  if (!u) return;
  for (const auto& [id, tab] : tabs_) {
    const auto on = u->on.find(id);
    tab->present(on != u->on.end() && on->second, id == u->tab);
  }
}

}  // namespace ui

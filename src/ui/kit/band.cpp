// The titled band (see the header).
#include "ui/kit/band.h"

#include <QLabel>
#include <QPainter>

namespace ui {

Band::Band(const QString& title, const BandLook& look, QWidget* parent) : QFrame(parent), look_(look) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(look_.margins);
  outer->setSpacing(look_.spacing);
  auto* heading = new QLabel(title, this);
  heading->setObjectName("heading");
  heading->setAccessibleName(title);
  heading->setFont(look_.headingFont);
  QPalette p = heading->palette();
  p.setColor(QPalette::WindowText, look_.headingInk);
  heading->setPalette(p);
  head_ = new QHBoxLayout();
  head_->addWidget(heading);
  outer->addLayout(head_);
  body_ = new QVBoxLayout();
  body_->setSpacing(look_.bodySpacing);
  outer->addLayout(body_);
}

void Band::paintEvent(QPaintEvent* event) {
  if (!look_.fill) {
    QFrame::paintEvent(event);
    return;
  }
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(look_.edge, 1));
  p.setBrush(*look_.fill);
  p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
}

}  // namespace ui

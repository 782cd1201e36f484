// The command blob's window (see the header).
#include "ui/blob_panel.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace ui {

namespace {

// The primary screen in Qt's global coordinates; the blob's origin is its bottom left corner.
QRect primary() {
  const auto* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect();
}

QFont blobFont(const QString& family, double points, bool bold) {
  QFont font = QFontDatabase::families().contains(family)
                   ? QFont(family)
                   : QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(points))));
  font.setBold(bold);
  return font;
}

}  // namespace

// The window itself: it paints the box, the message, the cross and the grip where the blob put them (view
// rectangles, y up from the bottom edge) and reports the mouse.
class BlobView : public QWidget {
 public:
  explicit BlobView(BlobPanel& panel) : panel_(panel) {
    setWindowFlags(BlobPanel::FLAGS);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_QuitOnClose, false);
    setObjectName("blob");
    setWindowTitle("command blob");
    setGeometry(0, 0, 300, 46);
  }

  QString text;
  QFont font = blobFont("Menlo", 22, true);
  geometry::Rect labelRect, closeRect, gripRect;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 128));
    painter.drawRoundedRect(QRectF(rect()), 12, 12);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(inView(labelRect), Qt::AlignCenter, text);
    painter.setFont(blobFont("Menlo", 12, false));
    painter.setPen(QColor(255, 255, 255, 115));
    painter.drawText(inView(closeRect), Qt::AlignCenter, "✕");
    painter.drawText(inView(gripRect), Qt::AlignCenter, "◢");
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton || !panel_.onPress) return;
    const auto p = event->position();
    panel_.onPress({p.x(), height() - p.y()}, BlobPanel::fromQt(event->globalPosition()));
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (panel_.onDrag) panel_.onDrag(BlobPanel::fromQt(event->globalPosition()));
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && panel_.onRelease) panel_.onRelease();
  }

 private:
  QRectF inView(const geometry::Rect& r) const { return {r.x, height() - r.y - r.height, r.width, r.height}; }

  BlobPanel& panel_;
};

BlobPanel::BlobPanel() : view_(std::make_unique<BlobView>(*this)) {}

BlobPanel::~BlobPanel() = default;

QRect BlobPanel::toQt(const geometry::Rect& frame) {
  const QRect p = primary();
  const int top = p.y() + p.height() - static_cast<int>(std::lround(frame.y + frame.height));
  return {p.x() + static_cast<int>(std::lround(frame.x)), top, static_cast<int>(std::lround(frame.width)),
          static_cast<int>(std::lround(frame.height))};
}

geometry::Rect BlobPanel::fromQt(const QRect& frame) {
  const QRect p = primary();
  return {double(frame.x() - p.x()), double(p.y() + p.height() - frame.y() - frame.height()),
          double(frame.width()), double(frame.height())};
}

geometry::Point BlobPanel::fromQt(QPointF global) {
  const QRect p = primary();
  return {global.x() - p.x(), p.y() + p.height() - global.y()};
}

geometry::Size BlobPanel::measure(const std::string& text, double points) {
  const QFontMetricsF metrics(blobFont("Menlo", points, true));
  return {metrics.horizontalAdvance(QString::fromStdString(text)), metrics.height()};
}

geometry::Rect BlobPanel::frame() {
  return fromQt(view_->geometry());
}

void BlobPanel::setFrame(const geometry::Rect& frame) {
  view_->setGeometry(toQt(frame));
}

void BlobPanel::setText(const std::string& text, double points) {
  view_->text = QString::fromStdString(text);
  view_->font = blobFont("Menlo", points, true);
  view_->update();
}

void BlobPanel::layout(const geometry::Rect& label, const geometry::Rect& close, const geometry::Rect& grip) {
  view_->labelRect = label;
  view_->closeRect = close;
  view_->gripRect = grip;
  view_->update();
}

bool BlobPanel::visible() {
  return view_->isVisible();
}

void BlobPanel::show() {
  view_->show();
  view_->raise();
}

void BlobPanel::hide() {
  view_->hide();
}

void BlobPanel::close() {
  view_->hide();
}

QWidget& BlobPanel::widget() {
  return *view_;
}

}  // namespace ui

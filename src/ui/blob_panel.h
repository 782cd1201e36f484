// The command blob's window: a small translucent rounded box above every window that never takes the focus.
// It draws what the blob logic lays out and hands it the mouse, turning Qt's top-left, y-down coordinates
// into the blob's (origin at the bottom left of the primary screen, y up) and back.
#pragma once

#include <QPointF>
#include <QRect>
#include <memory>

#include "mackie/engine/blob_window.h"

class QWidget;

namespace ui {

class BlobView;

class BlobPanel : public BlobWindow {
 public:
  static constexpr Qt::WindowFlags FLAGS =
      Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;

  BlobPanel();
  ~BlobPanel() override;

  geometry::Size measure(const std::string& text, double points) override;
  geometry::Rect frame() override;
  void setFrame(const geometry::Rect& frame) override;
  void setText(const std::string& text, double points) override;
  void layout(const geometry::Rect& label, const geometry::Rect& close, const geometry::Rect& grip) override;
  bool visible() override;
  void show() override;
  void hide() override;
  void close() override;

  QWidget& widget();

  // Between the blob's screen coordinates and Qt's global ones, over the primary screen.
  static QRect toQt(const geometry::Rect& frame);
  static geometry::Rect fromQt(const QRect& frame);
  static geometry::Point fromQt(QPointF global);

 private:
  std::unique_ptr<BlobView> view_;
};

}  // namespace ui

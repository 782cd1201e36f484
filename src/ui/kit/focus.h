// What every kit control shares: it takes the keyboard and runs its action on a click, shows that it has the
// keyboard (its own edge in another pen, or a ring inside its rectangle), and may be pressed by Return.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QKeyEvent>
#include <QPainter>
#include <functional>
#include <optional>

namespace ui {

struct FocusLook {
  std::optional<QColor> edge{};  // the control's edge drawn in this colour…
  double edgeWidth = 1;          // …and this width
  std::optional<QColor> ring{};  // a ring of its own, drawn over the control

  static FocusLook asEdge(const QColor& colour, double width) { return {colour, width, std::nullopt}; }
  static FocusLook asRing(const QColor& colour) { return {std::nullopt, 1, colour}; }
};

inline void drawFocusRing(QPainter& painter, const QRectF& r, double radius, const QColor& colour) {
  painter.setPen(QPen(colour, 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius, radius);
}

// Makes `button` a kit control: it takes the keyboard, and a click runs `action`, a member of the control
// that its screen may set later.
inline void actOnClick(QAbstractButton& button, const std::function<void()>& action) {
  button.setFocusPolicy(Qt::StrongFocus);
  QObject::connect(&button, &QAbstractButton::clicked, &button, [&action] {
    if (action) action();
  });
}

// The pen of a control's edge: the focus look's while it has the keyboard, if that look has one.
inline QPen edgePen(const QAbstractButton& button, const FocusLook& focus, const QColor& edge, double width) {
  return button.hasFocus() && focus.edge ? QPen(*focus.edge, focus.edgeWidth) : QPen(edge, width);
}

// Return and Enter, which some screens let press a control as Space does.
inline bool isReturn(const QKeyEvent& event) {
  return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

// Presses `button` for Return or Enter where its screen lets those keys press it; true when it did.
inline bool pressedByReturn(QAbstractButton& button, const QKeyEvent& event, bool returnPresses) {
  if (!returnPresses || !isReturn(event)) return false;
  button.click();
  return true;
}

}  // namespace ui

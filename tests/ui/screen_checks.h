// What a user sees wrong on any screen, whatever it shows: a control that no layout placed, lying over
// another one or outside its band, or one that a screen reader cannot name.
#pragma once

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QWidget>
#include <string>
#include <vector>

namespace screen {

inline std::string nameOf(const QWidget* w) {
  const auto name = w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName();
  return name.toStdString();
}

// "a over b" for each pair of visible siblings that overlap, "a outside" for a child beyond its parent.
inline std::vector<std::string> misplaced(const QWidget& top) {
  std::vector<std::string> out;
  auto parents = top.findChildren<QWidget*>();
  parents.push_back(const_cast<QWidget*>(&top));
  for (const QWidget* parent : parents) {
    if (!parent->isVisibleTo(&top) && parent != &top) continue;
    // What a scroll area shows is larger than its window on it.
    const auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget());
    const bool scrolled = area && area->viewport() == parent;
    std::vector<const QWidget*> shown;
    for (const auto* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (!child->isWindow() && child->isVisibleTo(&top)) shown.push_back(child);
    for (std::size_t i = 0; i < shown.size(); ++i) {
      if (!scrolled && !parent->rect().contains(shown[i]->geometry()))
        out.push_back(nameOf(shown[i]) + " outside");
      for (std::size_t j = i + 1; j < shown.size(); ++j)
        if (shown[i]->geometry().intersects(shown[j]->geometry()))
          out.push_back(nameOf(shown[i]) + " over " + nameOf(shown[j]) + " in " + nameOf(parent));
    }
  }
  return out;
}

// What a screen reader could not name: each visible widget that takes the focus needs an accessible name.
inline std::vector<std::string> unnamed(const QWidget& top) {
  std::vector<std::string> out;
  for (const auto* w : top.findChildren<QWidget*>())
    if (w->focusPolicy() != Qt::NoFocus && w->isVisibleTo(&top) &&
        QAccessible::queryAccessibleInterface(const_cast<QWidget*>(w))->text(QAccessible::Name).isEmpty())
      out.push_back(nameOf(w));
  return out;
}

}  // namespace screen

// The four colours both modules' screens share: green for on or fired, grey for off and secondary text, amber
// for a module's state word, and the window's ink-dark background.
#pragma once

#include <QColor>
#include <QFont>

namespace ui {

inline const QColor GREEN = QColor(51, 209, 122);
inline const QColor GREY = QColor(122, 128, 135);
inline const QColor AMBER = QColor(232, 163, 61);
inline const QColor INK = QColor(11, 13, 16);

// The monospaced face every text of the window uses, at `points`, bold when asked.
QFont monospaced(int points, bool bold = false);

}  // namespace ui

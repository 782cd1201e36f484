// The four colours both modules' screens share: green for on or fired, grey for off and secondary text, amber
// for a module's state word, and the window's ink-dark background; and the fonts and dark palette they sit
// in.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

namespace ui {

inline const QColor GREEN = QColor(51, 209, 122);
inline const QColor GREY = QColor(122, 128, 135);
inline const QColor AMBER = QColor(232, 163, 61);
inline const QColor INK = QColor(11, 13, 16);

// The monospaced face every text of the window uses. Sizes are the window's own points (logical pixels), the
// unit of its 820 × 820 size, so that text keeps its proportion to the window on any screen.
QFont monospaced(int points, bool bold = false);
// The system's ordinary face, at the same kind of size.
QFont plain(int points, bool bold = false);

// The colours a dark palette is made of: each screen gives its own.
struct DarkScheme {
  QColor window;       // the background
  QColor text;         // text on it and in fields
  QColor field;        // fields, lists and buttons, a step above the background
  QColor tip;          // tool tips' background
  QColor tipText;      // and their text
  QColor highlight;    // the chosen item
  QColor highlighted;  // its text
  QColor dim;          // text that is off or disabled
};

// Light text on a dark ground, whatever the desktop's own scheme; without a scheme, the window's: on INK.
QPalette darkPalette(const DarkScheme& scheme);
QPalette darkPalette();

}  // namespace ui

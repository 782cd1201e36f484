// The Key Stroke screens' own colours and fonts, beside the four the whole window shares: one place, so that
// every band, row and control of the module looks alike.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>

#include "ui/colours.h"
#include "ui/kit/band.h"
#include "ui/kit/field.h"
#include "ui/kit/lamp.h"
#include "ui/kit/pill.h"
#include "ui/kit/screen.h"
#include "ui/kit/swatch.h"
#include "ui/kit/tick.h"

namespace KSInk {

inline const QColor ground = ui::INK;              // behind everything
inline const QColor surface = QColor(21, 24, 29);  // a band
inline const QColor slate = QColor(44, 49, 57);    // borders, a dark lamp, an unlit pill
inline const QColor dim = QColor(96, 103, 112);    // faded text
inline const QColor sand = QColor(222, 211, 188);  // ordinary text
inline const QColor amber = ui::AMBER;
inline const QColor green = ui::GREEN;
inline const QColor red = QColor(229, 72, 77);
inline const QColor cy = QColor(86, 194, 230);  // the keyboard's focus

// Every text of the section; `points` 11 unless a part says otherwise.
inline QFont mono(int points = 11, bool bold = false) {
  return ui::monospaced(points, bold);
}

// The dark scheme the section's plain Qt widgets (fields, the FILTER menu, the log) inherit.
QPalette palette();

// How the kit's widgets look here: pills with a body, a cyan ring for the keyboard, Return pressing them, and
// bands drawn as cards.
ui::ScreenLook screen();
ui::PillStyle pill();
ui::TickLook tick();
ui::LampLook lamp();
ui::SwatchLook swatch();
ui::FieldLook field();
ui::BandLook band();

}  // namespace KSInk

// Plain text of the section, in the monospaced face, the colour given.
QLabel* ksText(const QColor& colour, QWidget* parent, int points = 11, bool bold = false);
// A label's colour, changed only when it differs: repolishing every label on every redraw would be wasted.
void ksSetColour(QLabel* label, const QColor& colour);

// The MK screen's own colours and fonts beside the four the modules share, the dark palette its section is
// drawn with, and how the kit's widgets look on it: bare words, ticks and swatches with a white edge for the
// keyboard, bands without a card.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <string>

#include "ui/kit/band.h"
#include "ui/kit/field.h"
#include "ui/kit/lamp.h"
#include "ui/kit/pill.h"
#include "ui/kit/screen.h"
#include "ui/kit/swatch.h"
#include "ui/kit/tick.h"

namespace ui {

inline const QColor MK_SAND = QColor(242, 221, 180);
inline const QColor MK_SLATE = QColor(35, 48, 61);
inline const QColor MK_RED = QColor(239, 68, 68);

// The system's monospaced font at 11 points: the section's text.
QFont MK_MONO();

// A ring colour from its six hexadecimal digits ("#" in front allowed); an invalid colour for anything else.
QColor mkHex(const std::string& text);

// Dark: ink ground, slate fields, light text.
QPalette mkPalette();

// The section: dark, in MK_MONO, its bands 14 apart.
ScreenLook mkScreen();
// A word: bold monospaced, green while on, grey otherwise; `points` 13 for the section's words, smaller
// inside a row.
PillStyle mkWord(int points = 13);
TickLook mkTick();
LampLook mkLamp();
SwatchLook mkSwatch();
FieldLook mkField();
// A band: its heading small, bold and grey, `spacing` between its lines.
BandLook mkBand(int spacing);

inline QString qs(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace ui

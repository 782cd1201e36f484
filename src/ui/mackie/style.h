// The MK screen's own colours and fonts beside the four the modules share, the dark palette its section is
// drawn with, and the small headings over its bands.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <string>

class QLabel;
class QWidget;

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

// A band's heading: small, bold, grey.
QLabel* mkHeading(const QString& text, QWidget* parent);

inline QString qs(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace ui

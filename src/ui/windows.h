// What every window of the application shares: the name its title begins with, staying above other windows
// when the user asks, and coming back to the front from wherever it was.
#pragma once

class QWidget;

namespace ui {

inline constexpr const char* TITLE = "Orvane VUDA Verer";

// Every top-level window whose title begins with TITLE stays above other windows when `on`, else not.
void floatWindows(bool on);

// Shows the window, brought back when minimised, raised and given the keyboard.
void bringToFront(QWidget& window);

}  // namespace ui

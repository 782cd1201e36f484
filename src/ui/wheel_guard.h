// Controls that sit in a scrolling window (choices in a table row) take the mouse wheel only while the user
// works with them: a wheel turned to scroll the window passes over many of them and must change none.
#pragma once

class QWidget;

namespace ui {

// From now on `control` takes the wheel only while it has the keyboard focus, and the wheel never gives it
// the focus; otherwise the wheel goes on to what scrolls.
void wheelOnlyWithFocus(QWidget& control);

}  // namespace ui

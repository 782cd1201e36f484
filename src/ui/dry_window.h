// The window of the Key Stroke module's dry run: its screen alone, listening and showing, pressing nothing.
#pragma once

#include <QWidget>

class LiveModule;

namespace ui {

class DryWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* TITLE = "MIDI to Key Stroke (dry: listens, presses nothing)";

  explicit DryWindow(LiveModule& keyStroke, QWidget* parent = nullptr);

  // Centred on the primary screen, in front, with the keyboard.
  void open();
};

}  // namespace ui

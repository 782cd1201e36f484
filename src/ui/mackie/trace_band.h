// WHAT IT DID: the engine's trace as text that can be selected and copied, with CLEAR; "nothing yet" while
// it is empty. Lines are changed where they changed, so a selection survives a knob being turned.
#pragma once

#include <QWidget>
#include <memory>

class MKEngine;
class MKWord;
class QLabel;
namespace ui {
class TraceText;
}

class MKTraceBand : public QWidget {
 public:
  MKTraceBand(std::weak_ptr<MKEngine> engine, QWidget* parent);

  void redraw(MKEngine& engine);
  ui::TraceText* text() const { return text_; }

 private:
  MKWord* clear_;
  QLabel* nothing_;
  ui::TraceText* text_;
};

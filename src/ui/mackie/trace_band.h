// WHAT IT DID: the engine's trace as text that can be selected and copied, with CLEAR; "nothing yet" while
// it is empty. Lines are changed where they changed, so a selection survives a knob being turned.
#pragma once

#include <QWidget>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

class MKEngine;
class MKWord;
class QLabel;
class QPlainTextEdit;

class MKTraceBand : public QWidget {
 public:
  MKTraceBand(std::weak_ptr<MKEngine> engine, QWidget* parent);

  void redraw(MKEngine& engine);
  QPlainTextEdit* text() const { return text_; }

 private:
  void follow(const std::deque<std::string>& lines);

  MKWord* clear_;
  QLabel* nothing_;
  QPlainTextEdit* text_;
  std::deque<std::string> shown_;
  std::uint64_t written_ = 0;
};

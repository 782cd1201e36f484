// A table of hundreds of rows is too much widget work for one turn of the main loop, which also carries MIDI.
// Its row views are made a few per turn while the table is shown and dropped a few per turn once it is hidden
// or leaving, so that opening the window, switching tabs and closing it each cost only a few milliseconds a
// turn, and a hidden window holds no rows.
#pragma once

#include <QObject>
#include <functional>
#include <vector>

class QWidget;

namespace ui {

class RowSteps : public QObject {
  Q_OBJECT

 public:
  // Deleting a view costs a fraction of making one.
  static constexpr int DROP_PER_TURN = 10;

  // `table` decides by being shown or not; `step` brings its views one turn's share closer to what
  // `growing` says (its rows while growing, none otherwise) and answers whether more remains.
  RowSteps(QWidget& table, std::function<bool()> step);

  // Views may be made: the table is shown and not leaving.
  bool growing() const;
  // Runs the step on the next turn of the loop; asked again before then, it still runs once.
  void again();
  // Takes a view off the table now and deletes it on a later turn. The keyboard leaves it first, so that a
  // field being typed in hands its text over while its row is still whole.
  void drop(QWidget* view);
  // From now on the table only drops its views: its window shows something else.
  void leave();
  // Nothing left to make, drop or delete.
  bool idle() const { return !due_ && !more_ && doomed_.empty(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void run();

  QWidget& table_;
  std::function<bool()> step_;
  std::vector<QWidget*> doomed_;
  bool due_ = false;
  bool more_ = false;
  bool leaving_ = false;
};

// Takes `screen` (already out of its layout) out of sight at once and deletes it once every table in it has
// dropped its rows: hiding or deleting hundreds of rows at once would hold the loop as making them would.
void dismantle(QWidget* screen);

}  // namespace ui

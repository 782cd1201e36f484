// A table of hundreds of rows as one tall strip in a scrolling page, where only the rows in sight (and a
// margin around them) have views. The views are placed by hand, with no layout over them, and handed to other
// rows as the page scrolls, so that opening, scrolling or changing a table costs the work of a screenful of
// rows, never of the whole table: the main loop, which also carries MIDI, is held for a few milliseconds at
// most. It knows nothing of what a row holds: a kit makes a view and draws a row in it.
#pragma once

#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace ui {

class VisibleRows : public QWidget {
 public:
  // Rows this far beyond the sight get views too, so that a short scroll finds them drawn.
  static constexpr int MARGIN = 100;
  // Views made in one turn of the loop, the rest on the next turns: one costs milliseconds on a slow machine.
  static constexpr int MAKE_PER_TURN = 1;
  // Row shapes measured in one turn, the rest on the next turns: one costs about half a millisecond.
  static constexpr int MEASURE_PER_TURN = 3;

  struct Kit {
    std::function<QWidget*(QWidget* parent)> make;             // a view, for any row
    std::function<void(QWidget& view, std::size_t row)> draw;  // binds the view to the row and shows it
    std::function<QString(std::size_t row)> shape;             // what of a row decides its height
  };

  // `gap`: the pixels between two rows.
  VisibleRows(Kit kit, int gap, QWidget* parent);
  ~VisibleRows() override;

  // The table's rows now, by ids that last across changes (a view stays with its row): measures the rows,
  // then places and draws the views.
  void setRows(std::vector<std::int64_t> ids);
  // Draws the views again: the rows are the same, what they show changed.
  void redraw();
  // The views showing a row, in the rows' order.
  std::vector<QWidget*> views() const;
  // Told when views came, went or took other rows: the keyboard's order then needs setting again.
  std::function<void()> rebound;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Measures the rows, a few new shapes a turn: a new table takes a few turns, and stays stale until then.
  void measure();
  // Gives the rows in sight their views, and places them.
  void place();
  // Measures if needed, then places, on the next turn of the loop, where views may be made again.
  void later();
  // The part of the strip its window shows, in the strip's coordinates.
  QRect sight() const;
  int length() const { return std::max(0, tops_.back() - gap_); }

  Kit kit_;
  int gap_;
  std::vector<std::int64_t> ids_;
  std::unordered_map<std::int64_t, std::size_t> index_;
  std::vector<int> tops_{0};        // where each row begins, then where the last one's gap ends
  std::map<QString, int> heights_;  // by shape, at the width measured at
  int measuredAt_ = -1;
  bool stale_ = false;  // the rows or the width changed since they were measured
  // A view that is never shown, with no parent (the tables' own views are theirs alone), to measure rows in.
  std::unique_ptr<QWidget> ruler_;
  std::map<std::int64_t, QWidget*> bound_;  // by row id
  bool placing_ = false;
  int madeThisTurn_ = 0;
  bool due_ = false;  // later() was asked for
};

// The ids of a table's rows, in their order, for VisibleRows::setRows.
template <class Rows>
std::vector<std::int64_t> idsOf(const Rows& rows) {
  std::vector<std::int64_t> ids;
  ids.reserve(rows.size());
  for (const auto& r : rows)
    ids.push_back(r.id);
  return ids;
}

}  // namespace ui

// A module's trace as text that can be selected and copied while lines keep arriving. Each change is made
// where it happened (new lines, a last line replaced, the oldest lines dropped), never by setting the whole
// text again, so that a selection and the scroll position survive a knob being turned.
#pragma once

#include <QPlainTextEdit>
#include <cstdint>
#include <deque>
#include <string>

class Trace;

namespace ui {

class TraceText : public QPlainTextEdit {
 public:
  // The MK screen reads its trace downwards, oldest first; the Key Stroke screen newest first.
  enum class Order { oldestFirst, newestFirst };

  TraceText(Order order, QWidget* parent);

  // Shows the trace's lines; costs nothing when no line was written or dropped since the last call.
  void follow(const Trace& trace);

 private:
  // Removes the shown lines [from, to), counted oldest first.
  void remove(std::size_t from, std::size_t to);
  // The document's line that shows the trace's line `at`, counted oldest first.
  int lineOf(std::size_t at) const;

  Order order_;
  std::deque<std::string> shown_;
  std::uint64_t written_ = 0;
};

}  // namespace ui

// The pop-up choice (see the header).
#include "ui/mackie/choice_box.h"

#include <QSignalBlocker>

#include "ui/mackie/style.h"
#include "ui/wheel_guard.h"

MKChoiceBox::MKChoiceBox(QWidget* parent) : QComboBox(parent) {
  ui::wheelOnlyWithFocus(*this);
  setSizeAdjustPolicy(QComboBox::AdjustToContents);
  connect(this, &QComboBox::activated, this, [this](int index) {
    if (index < 0 || index >= static_cast<int>(options_.size())) return;
    const auto id = options_[static_cast<std::size_t>(index)].id;
    // The engine answers with its own state; until then the choice shows what the user took.
    if (id != chosen_ && pick) pick(id);
  });
}

void MKChoiceBox::setOptions(const std::vector<Option>& options) {
  if (options == options_) return;
  options_ = options;
  const QSignalBlocker quiet(this);
  clear();
  for (const auto& option : options_)
    addItem(ui::qs(option.label));
  showChosen();
}

void MKChoiceBox::setChosen(const std::string& id) {
  if (id == chosen_ && currentIndex() >= 0 && options_[static_cast<std::size_t>(currentIndex())].id == id)
    return;
  chosen_ = id;
  showChosen();
}

void MKChoiceBox::showChosen() {
  int at = -1;
  for (std::size_t i = 0; i < options_.size(); ++i)
    if (options_[i].id == chosen_) at = static_cast<int>(i);
  if (at == currentIndex()) return;
  const QSignalBlocker quiet(this);
  setCurrentIndex(at);
}

void MKChoiceBox::showPopup() {
  if (reread) reread();
  QComboBox::showPopup();
}

void MKChoiceBox::focusInEvent(QFocusEvent* event) {
  if (reread) reread();
  QComboBox::focusInEvent(event);
}

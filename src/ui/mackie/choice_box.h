// A pop-up choice over (id, label) options showing the chosen id; choosing an option, with the mouse or with
// the arrow keys, calls `pick` with its id. The options may be read afresh each time the pop-up opens or the
// choice takes the keyboard, for lists that change behind the screen's back (the MIDI ports).
#pragma once

#include <QComboBox>
#include <functional>
#include <string>
#include <vector>

class MKChoiceBox : public QComboBox {
 public:
  struct Option {
    std::string id;
    std::string label;
    bool operator==(const Option&) const = default;
  };

  explicit MKChoiceBox(QWidget* parent);

  // Both change the shown items only when they differ, so that a redraw never disturbs an open pop-up.
  void setOptions(const std::vector<Option>& options);
  void setChosen(const std::string& id);
  const std::string& chosen() const { return chosen_; }
  const std::vector<Option>& options() const { return options_; }

  std::function<void(const std::string& id)> pick;
  // Called before the pop-up opens and when the choice takes the keyboard.
  std::function<void()> reread;

  void showPopup() override;

 protected:
  void focusInEvent(QFocusEvent* event) override;

 private:
  void showChosen();

  std::vector<Option> options_;
  std::string chosen_;
};

// One line of the Key Stroke table: what the row is, what it is doing now, and a control for each of its
// fields, each calling one operation of the engine. Reused for as long as its row exists, so that a field
// being typed into keeps its text and the keyboard while the controller moves.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "keystroke/e16.h"
#include "keystroke/row.h"
#include "ui/kit/field.h"
#include "ui/kit/lamp.h"
#include "ui/kit/pill.h"
#include "ui/kit/swatch.h"
#include "ui/kit/tick.h"

class KSEngine;
class QComboBox;
class QLabel;

// Everything one line shows, gathered from the engine's state by the table.
struct KSRowLook {
  KSRules::KSRow row;
  std::string lit;  // "fire", "heard", or "" for a dark lamp
  bool learning = false;
  bool capturing = false;
  bool ticked = false;
  bool clash = false;
  KSE16::About ring;
  bool operator==(const KSRowLook&) const = default;
};

// The widths the lines and the table's heading share, so that the columns stand under their names.
namespace KSColumns {
inline constexpr int SPACING = 6;
inline constexpr int LAMP = 14;
inline constexpr int ON = 18;
inline constexpr int FILTER = 74;
inline constexpr int NUMBER = 46;
inline constexpr int VALUE = 62;
inline constexpr int KIND_KEY = 50;
inline constexpr int KIND_VOLUME = 76;
inline constexpr int KEY = 150;
inline constexpr int FORGET = 28;
inline constexpr int LED = 18;
inline constexpr int SWATCH = 18;
inline constexpr int TICK = 18;
// LEARN holds its longest wording, "press a note…", in the pills' font.
int learn();
}  // namespace KSColumns

class KSRowView : public QWidget {
  Q_OBJECT

 public:
  explicit KSRowView(const std::shared_ptr<KSEngine>& engine, QWidget* parent = nullptr);

  std::int64_t id() const { return id_; }
  // Makes the line the line of row `id`: its controls act on that row and are named after it.
  void bind(std::int64_t id);
  // What of a row decides the line's height: the notes it shows under it.
  static QString shape(const KSRules::KSRow& row, bool clash);
  // Shows the look; a look equal to the last one costs nothing.
  void draw(const KSRowLook& look);
  // The controls in the order the keyboard visits them.
  QList<QWidget*> focusables() const;

 private:
  void openPalette();
  // Calls one operation of the engine, if it is still there.
  void call(const std::function<void(KSEngine&)>& operation) const;

  std::weak_ptr<KSEngine> engine_;
  std::int64_t id_ = -1;
  std::optional<KSRowLook> shown_;
  ui::Lamp* lamp_;
  ui::Tick* on_;
  ui::Pill* learn_;
  QComboBox* filter_;
  ui::Field* number_;
  ui::Field* value_;
  ui::Pill* kindKey_;
  ui::Pill* kindVolume_;
  ui::Pill* key_;
  ui::Pill* forget_;
  ui::Tick* led_;
  ui::Swatch* swatch_;
  ui::Tick* tick_;
  QLabel* clashNote_;
  QLabel* anyNote_;
};

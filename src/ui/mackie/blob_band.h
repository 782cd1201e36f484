// The command blob's controls: THE COMMAND BLOB, lit while the blob is on, switches it; PUT IT BACK AT THE
// TOP brings it home; and how many seconds it stays, typed with a point or a comma.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

class MKEngine;
namespace ui {
class Field;
class Pill;
}  // namespace ui

class MKBlobBand : public QWidget {
 public:
  MKBlobBand(std::weak_ptr<MKEngine> engine, QWidget* parent);

  void redraw(MKEngine& engine);

 private:
  ui::Pill* blob_;
  ui::Pill* home_;
  ui::Field* hold_;
};

// The seconds typed in the field: a comma counts as the decimal point, and what is not a number is 1.4.
double blobSeconds(const std::string& typed);

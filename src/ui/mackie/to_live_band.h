// TO LIVE — WHAT GOES OUT: what was sent and what Live's own lights say, the destination towards Live, and
// the source Live's lights come back on ("lights from"), both chosen over the ports there are right now.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/kit/band.h"

class MKEngine;
class MKChoiceBox;
class MKSteadyText;

class MKToLiveBand : public ui::Band {
 public:
  MKToLiveBand(std::weak_ptr<MKEngine> engine, QWidget* parent);

  void redraw(MKEngine& engine);

 private:
  // The port lists are read again when a choice opens or takes the keyboard, and when the engine's sources,
  // its destination or the chosen ports changed; not at every redraw, which comes ten times a second.
  void rereadPorts(MKEngine& engine);

  std::weak_ptr<MKEngine> engine_;
  MKSteadyText* lines_;
  MKChoiceBox* out_;
  MKChoiceBox* back_;
  struct Seen {
    std::vector<std::string> sources;
    std::string outName;
    std::string out;
    std::string back;
    bool operator==(const Seen&) const = default;
  } seen_;
  bool read_ = false;
};

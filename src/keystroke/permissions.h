// The permissions the application needs from the system, watched every 2 seconds so that the window can warn
// while one is missing and lead the user to grant it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/observers.h"
#include "platform/key_output.h"
#include "platform/loop.h"

// One for the application, made with std::make_shared: its timer holds it weakly.
class Permissions : public std::enable_shared_from_this<Permissions> {
 public:
  static constexpr double CHECK_EVERY = 2.0;
  static const std::vector<std::string>& NEEDED();

  Permissions(Loop& loop, KeyOutput& keys);

  // The needed permissions not granted now, in NEEDED order; observers hear only of a change.
  std::vector<std::string> missing;

  std::vector<std::string> check();
  // Computes `missing` now and then every CHECK_EVERY seconds.
  void watch();
  // Asks the system for the first missing permission.
  void openMissing();

  int subscribe(std::function<void()> changed) { return observers_.subscribe(std::move(changed)); }
  void unsubscribe(int id) { observers_.unsubscribe(id); }

 private:
  void update();

  Loop& loop_;
  KeyOutput& keys_;
  TaskHandle timer_;
  Observers observers_;
};

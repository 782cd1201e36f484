// The command blob: a small box above every window, on Live's screen, that says for a moment what the module
// has just done. The user can drag it, resize it with its grip, and close it with its cross.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "mackie/engine/blob_window.h"
#include "platform/geometry.h"
#include "platform/loop.h"
#include "platform/workspace.h"

// Made with std::make_shared: its hiding task holds it weakly.
class MKBlob : public std::enable_shared_from_this<MKBlob> {
 public:
  // Lays the window out for `size` and puts it at `place` (top-left coordinates) when that place's centre is
  // on a screen, else home on `screen()`.
  MKBlob(std::unique_ptr<BlobWindow> window, Loop& loop, Workspace& workspace, double size,
         std::optional<geometry::Point> place, std::function<geometry::Rect()> screen);

  // The text, two spaces, two bars, two spaces, the name.
  static std::string line(const std::string& text, const std::string& name);

  // Shows the text for that many seconds, restarting the countdown.
  void say(const std::string& text, double seconds);
  void fit();
  void home();
  void press(geometry::Point view, geometry::Point mouse);
  void drag(geometry::Point mouse);
  void release();
  void hideNow();
  // Hides the window and closes it for good.
  void destroy();

  double size() const { return size_; }
  const std::string& text() const { return text_; }
  bool visible() const { return window_->visible(); }

  std::function<void(std::optional<double> x, std::optional<double> y)> moved;
  std::function<void(double size)> resized;
  std::function<void()> closed;

 private:
  struct Drag {
    geometry::Point mouse;
    geometry::Rect frame;
    bool grip;
  };
  std::unique_ptr<BlobWindow> window_;
  Loop& loop_;
  Workspace& workspace_;
  std::function<geometry::Rect()> screen_;
  double size_;
  std::string text_;
  TaskHandle hide_;
  std::optional<Drag> start_;
};

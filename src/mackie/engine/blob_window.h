// The floating window that shows the command blob; the user interface provides it. It never takes the focus.
// Frames use the screen's bottom-left origin with y up; view points the window's own, y up.
#pragma once

#include <functional>
#include <string>

#include "platform/geometry.h"

class BlobWindow {
 public:
  virtual ~BlobWindow() = default;
  // The size of the text in the blob's bold monospaced font at `points`.
  virtual geometry::Size measure(const std::string& text, double points) = 0;
  virtual geometry::Rect frame() = 0;
  virtual void setFrame(const geometry::Rect& frame) = 0;
  virtual void setText(const std::string& text, double points) = 0;
  // Where the label, the cross and the grip go, in view coordinates.
  virtual void layout(const geometry::Rect& label, const geometry::Rect& close,
                      const geometry::Rect& grip) = 0;
  virtual bool visible() = 0;
  // To the front, without activating the application.
  virtual void show() = 0;
  virtual void hide() = 0;
  // For good: the window is not used again.
  virtual void close() = 0;

  // Set by the blob: the mouse went down (in view and in screen coordinates), moved, went up.
  std::function<void(geometry::Point view, geometry::Point screen)> onPress;
  std::function<void(geometry::Point screen)> onDrag;
  std::function<void()> onRelease;
};

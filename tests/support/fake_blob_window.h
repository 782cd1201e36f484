// A blob window that measures text predictably (0.6 × points per character wide, 1.2 × points high) and keeps
// its frame, visibility and texts, so that tests can check places, visibility and sizes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "mackie/engine/blob_window.h"

class FakeBlobWindow : public BlobWindow {
 public:
  geometry::Rect current;
  bool shown = false;
  std::vector<std::pair<std::string, double>> texts;  // every setText, with its points

  geometry::Size measure(const std::string& text, double points) override {
    double chars = 0;
    // Characters, not bytes: UTF-8 continuation bytes do not count.
    for (unsigned char c : text)
      chars += (c & 0xC0) != 0x80;
    return {0.6 * points * chars, 1.2 * points};
  }
  geometry::Rect frame() override { return current; }
  void setFrame(const geometry::Rect& f) override { current = f; }
  void setText(const std::string& text, double points) override { texts.emplace_back(text, points); }
  void layout(const geometry::Rect&, const geometry::Rect&, const geometry::Rect&) override {}
  bool visible() override { return shown; }
  void show() override { shown = true; }
  void hide() override { shown = false; }
  void close() override {}

  // What the user interface does with the mouse.
  void press(geometry::Point view, geometry::Point screen) {
    if (onPress) onPress(view, screen);
  }
  void dragTo(geometry::Point screen) {
    if (onDrag) onDrag(screen);
  }
  void release() {
    if (onRelease) onRelease();
  }
};

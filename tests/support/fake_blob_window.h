// A blob window that measures text predictably (0.6 × points per character wide, 1.2 × points high) and
// records everything the blob asks of it, so that tests can check layouts, places and visibility.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "mackie/engine/blob_window.h"

class FakeBlobWindow : public BlobWindow {
 public:
  struct Laid {
    geometry::Rect label, close, grip;
  };

  geometry::Rect current;
  std::vector<geometry::Rect> frames;                 // every setFrame
  std::vector<std::pair<std::string, double>> texts;  // every setText, with its points
  std::vector<Laid> layouts;
  bool shown = false;
  int shows = 0;
  int hides = 0;
  int closes = 0;

  static geometry::Size measured(const std::string& text, double points) {
    double chars = 0;
    // Characters, not bytes: UTF-8 continuation bytes do not count.
    for (unsigned char c : text)
      chars += (c & 0xC0) != 0x80;
    return {0.6 * points * chars, 1.2 * points};
  }

  geometry::Size measure(const std::string& text, double points) override { return measured(text, points); }
  geometry::Rect frame() override { return current; }
  void setFrame(const geometry::Rect& f) override {
    current = f;
    frames.push_back(f);
  }
  void setText(const std::string& text, double points) override { texts.emplace_back(text, points); }
  void layout(const geometry::Rect& label, const geometry::Rect& close, const geometry::Rect& grip) override {
    layouts.push_back({label, close, grip});
  }
  bool visible() override { return shown; }
  void show() override {
    shown = true;
    ++shows;
  }
  void hide() override {
    shown = false;
    ++hides;
  }
  void close() override { ++closes; }

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

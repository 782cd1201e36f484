// The command blob (see the header): what it shows, for how long, and what the mouse does to it.
#include "mackie/engine/blob.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "mackie/core/blob_geometry.h"

namespace {

constexpr double MIN_SIZE = 10;
constexpr double MAX_SIZE = 120;

// Stands in for the window once it is closed for good. It keeps the real window alive rather than deleting
// it: destroy() is often reached from inside that window's own mouse callback, which must not be freed under
// itself.
class ClosedWindow : public BlobWindow {
 public:
  ClosedWindow(std::unique_ptr<BlobWindow> real, geometry::Rect last) : real_(std::move(real)), last_(last) {}
  geometry::Size measure(const std::string&, double) override { return {}; }
  geometry::Rect frame() override { return last_; }
  void setFrame(const geometry::Rect&) override {}
  void setText(const std::string&, double) override {}
  void layout(const geometry::Rect&, const geometry::Rect&, const geometry::Rect&) override {}
  bool visible() override { return false; }
  void show() override {}
  void hide() override {}
  void close() override {}

 private:
  std::unique_ptr<BlobWindow> real_;
  geometry::Rect last_;
};

bool isClosed(BlobWindow& window) {
  return dynamic_cast<ClosedWindow*>(&window) != nullptr;
}

// A size that the grip could have produced; a stored one may be anything.
double usableSize(double size) {
  return std::isnan(size) ? MIN_SIZE : std::clamp(size, MIN_SIZE, MAX_SIZE);
}

std::optional<double> primaryHeight(Workspace& workspace) {
  const auto screens = workspace.screens();
  if (screens.empty()) return std::nullopt;
  return screens.front().frame.height;
}

bool usable(const geometry::Rect& r) {
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height) &&
         r.width > 0 && r.height > 0;
}

geometry::Size sizeOf(const geometry::Rect& r) {
  return {r.width, r.height};
}

}  // namespace

MKBlob::MKBlob(std::unique_ptr<BlobWindow> window, Loop& loop, Workspace& workspace, double size,
               std::optional<geometry::Point> place, std::function<geometry::Rect()> screen)
    : window_(std::move(window)),
      loop_(loop),
      workspace_(workspace),
      screen_(std::move(screen)),
      size_(usableSize(size)) {
  if (!window_) window_ = std::make_unique<ClosedWindow>(nullptr, geometry::Rect{});
  window_->setText(text_, size_);
  fit();

  bool placed = false;
  if (place) {
    const auto f =
        MKBlobGeometry::fromLua(place->x, place->y, sizeOf(window_->frame()), primaryHeight(workspace_));
    // A place stored on a screen that has since been unplugged would leave the blob out of sight.
    const auto onScreen = [&](const Screen& s) { return f && s.frame.contains({f->midX(), f->midY()}); };
    const auto screens = workspace_.screens();
    if (std::any_of(screens.begin(), screens.end(), onScreen)) {
      window_->setFrame(*f);
      placed = true;
    }
  }
  if (!placed) home();

  // The blob owns the window, so these cannot outlive it; weak_from_this() is not yet usable in a
  // constructor.
  window_->onPress = [this](geometry::Point view, geometry::Point mouse) { press(view, mouse); };
  window_->onDrag = [this](geometry::Point mouse) { drag(mouse); };
  window_->onRelease = [this] { release(); };
}

std::string MKBlob::line(const std::string& text, const std::string& name) {
  return text + "  ||  " + name;
}

void MKBlob::say(const std::string& text, double seconds) {
  if (isClosed(*window_)) return;
  if (text != text_) {
    text_ = text;
    window_->setText(text_, size_);
    fit();
  }
  if (!window_->visible()) window_->show();

  if (hide_) hide_->cancel();
  hide_.reset();
  // An endless hold keeps the message up until the next one; an unknown or negative one hides it at once.
  if (std::isinf(seconds) && seconds > 0) return;
  const double hold = std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0;
  hide_ = loop_.after(hold, [weak = weak_from_this()] {
    if (auto self = weak.lock()) {
      self->hide_.reset();
      self->window_->hide();
    }
  });
}

void MKBlob::fit() {
  const auto current = window_->frame();
  const auto laid = MKBlobGeometry::fit(window_->measure(text_, size_), current);
  if (laid.frame != current) window_->setFrame(laid.frame);
  window_->layout(laid.label, laid.close, laid.grip);
}

void MKBlob::home() {
  geometry::Rect s = screen_ ? screen_() : geometry::Rect{};
  // Without Live's screen the primary one will do; without any screen the blob stays where it is.
  if (!usable(s)) {
    const auto screens = workspace_.screens();
    if (screens.empty() || !usable(screens.front().frame)) return;
    s = screens.front().frame;
  }
  const auto f = window_->frame();
  const auto origin = MKBlobGeometry::homeOrigin(s, sizeOf(f));
  window_->setFrame({origin.x, origin.y, f.width, f.height});
}

void MKBlob::press(geometry::Point view, geometry::Point mouse) {
  const auto f = window_->frame();
  if (MKBlobGeometry::onClose(view, sizeOf(f))) {
    start_.reset();
    // Last: whoever listens may well destroy the blob.
    if (closed) closed();
    return;
  }
  start_ = Drag{mouse, f, MKBlobGeometry::onGrip(view, sizeOf(f))};
}

void MKBlob::drag(geometry::Point mouse) {
  if (!start_) return;
  if (start_->grip) {
    const double s = MKBlobGeometry::resized(start_->frame, mouse);
    if (s == size_) return;
    size_ = s;
    // The window draws the text at the size it was given, so it needs the new one before the layout.
    window_->setText(text_, size_);
    fit();
    return;
  }
  const auto origin = MKBlobGeometry::dragged(start_->frame, start_->mouse, mouse);
  const auto f = window_->frame();
  window_->setFrame({origin.x, origin.y, f.width, f.height});
}

void MKBlob::release() {
  if (!start_) return;
  const bool grip = start_->grip;
  start_.reset();
  if (grip) {
    if (resized) resized(size_);
    return;
  }
  if (!moved) return;
  const auto h = primaryHeight(workspace_);
  if (!h) {
    moved(std::nullopt, std::nullopt);
    return;
  }
  const auto [x, y] = MKBlobGeometry::toLua(window_->frame(), *h);
  moved(x, y);
}

void MKBlob::hideNow() {
  if (hide_) hide_->cancel();
  hide_.reset();
  window_->hide();
}

void MKBlob::destroy() {
  if (isClosed(*window_)) return;
  hideNow();
  start_.reset();
  const auto last = window_->frame();
  window_->close();
  window_ = std::make_unique<ClosedWindow>(std::move(window_), last);
}

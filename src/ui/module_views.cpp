// Each module's screen, made for the window that shows it.
#include "ui/module_views.h"

#include "ui/keystroke/section.h"
#include "ui/mackie/section.h"

QWidget* mackieView(const std::shared_ptr<MKEngine>& engine) {
  return new MKSection(engine);
}

QWidget* keyStrokeView(const std::shared_ptr<KSEngine>& engine) {
  return new KSSection(engine);
}

// Each module's own screen inside the window: what the module shows about its engine, redrawn when the engine
// says it changed.
#pragma once

#include <memory>

class QWidget;
class MKEngine;
class KSEngine;

QWidget* mackieView(const std::shared_ptr<MKEngine>& engine);
QWidget* keyStrokeView(const std::shared_ptr<KSEngine>& engine);

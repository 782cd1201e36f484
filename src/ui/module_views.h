// Each module's own screen inside the window, found by the module's id: what the module shows about its
// engine, redrawn when the engine says it changed.
#pragma once

class QWidget;
class LiveModule;

namespace ui {

// A new screen for the module, or none for a module that has no screen.
QWidget* screenOf(LiveModule& module);

}  // namespace ui

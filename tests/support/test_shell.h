// The shell with both modules and their screens on the test doubles and the virtual loop, with a temporary
// home for every settings file (the QSettings of the window included): what the shell's and the widgets'
// tests and the screenshots show.
#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "keystroke/permissions.h"
#include "shell/mackie_module.h"
#include "shell/midikeys_module.h"
#include "shell/umbrella.h"
#include "support/engine_services.h"
#include "support/fake_audio_output.h"
#include "support/fake_hot_keys.h"
#include "support/fake_key_capture.h"
#include "support/fake_midi_system.h"
#include "support/fake_workspace.h"
#include "support/recording_key_output.h"
#include "support/temp_folder.h"
#include "support/virtual_loop.h"

class TestShell {
 public:
  TestShell() {
    QCoreApplication::setOrganizationName("vuda-test");
    QCoreApplication::setApplicationName("ui-test");
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(home.path()));
  }
  ~TestShell() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // screens before their engines
    umbrella.reset();
  }

  VirtualLoop loop;
  FakeMidiSystem midi{loop};
  FakeAudioOutput audio;
  RecordingKeyOutput keys;
  FakeKeyCapture capture;
  FakeWorkspace workspace;
  FakeHotKeys hotKeys;
  TempFolder home;
  std::shared_ptr<Permissions> permissions = std::make_shared<Permissions>(loop, keys);
  std::shared_ptr<Umbrella> umbrella;
  MackieModule* mackie = nullptr;
  MidiKeysModule* midikeys = nullptr;

  // The shell started over `settings` as its file (none when null).
  void start(const nlohmann::json& settings = nullptr, bool dry = false) {
    make(settings, dry);
    umbrella->start();
    loop.runDue();
  }
  // The shell made, not yet started.
  void make(const nlohmann::json& settings = nullptr, bool dry = false) {
    if (!settings.is_null()) home.write(".config/vuda-verer.json", settings.dump());
    auto mk = std::make_unique<MackieModule>(mkServicesAt(home.path(), loop, midi, audio, keys, workspace));
    auto ks =
        std::make_unique<MidiKeysModule>(ksServicesAt(home.path(), loop, midi, audio, keys, capture), dry);
    mackie = mk.get();
    midikeys = ks.get();
    std::vector<std::unique_ptr<LiveModule>> modules;
    modules.push_back(std::move(mk));
    modules.push_back(std::move(ks));
    umbrella =
        std::make_shared<Umbrella>(ShellServices{loop, workspace, hotKeys, home.path()}, std::move(modules));
  }

  // One menu line as the user reads it: "---" for a divider, "[x] " or "[ ] " before a line with a check
  // mark, " (off)" after a line that cannot be chosen.
  static std::string shown(bool divider, const std::string& title, bool enabled,
                           std::optional<bool> checked) {
    if (divider) return "---";
    return (checked ? (*checked ? "[x] " : "[ ] ") : "") + title + (enabled ? "" : " (off)");
  }
  std::vector<std::string> menu() const {
    std::vector<std::string> out;
    for (const auto& line : umbrella->menu())
      out.push_back(shown(line.separator, line.title, line.enabled, line.checked));
    return out;
  }
  // Chooses the line of the menu of now with this title; false when there is none to choose.
  bool choose(const std::string& title) const {
    for (const auto& line : umbrella->menu())
      if (line.title == title && line.action) {
        line.action();
        return true;
      }
    return false;
  }

  // Runs what the engines have scheduled for `seconds`, then Qt's deferred work (deletions included).
  void settle(double seconds = 0) {
    loop.advance(seconds);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }
};

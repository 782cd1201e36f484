// The engine of the MIDI TO KEY STROKE module: it hears every source, shows what arrives, locks onto one
// device, lets a row learn its control or capture its key, and turns the locked device's messages into key
// strokes or volume changes. Everything runs on the loop's thread; the screens draw its view and call its
// operations.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/history.h"
#include "common/json_file.h"
#include "common/midi_client.h"
#include "common/observers.h"
#include "keystroke/e16.h"
#include "keystroke/row.h"
#include "keystroke/view.h"
#include "platform/audio_output.h"
#include "platform/key_capture.h"
#include "platform/key_output.h"
#include "platform/loop.h"
#include "platform/midi_system.h"

using KSRules::KSRow;

// The undo and redo history of the table, and the ticked rows.
using KSKeep = RowHistory<KSRow>;

// What the engine is given to reach the world.
struct KSServices {
  Loop& loop;
  MidiSystem& midi;
  AudioOutput& audio;
  KeyOutput& keys;
  KeyCapture& capture;
  std::string home;       // the settings file lives under it
  std::string documents;  // where the E16's scene files are
  std::string helper;     // the colour helper script
  bool login = false;     // started with the session: no permission prompt
};

// Made with std::make_shared: timers and MIDI callbacks hold it weakly.
class KSEngine : public std::enable_shared_from_this<KSEngine> {
 public:
  static constexpr const char* CLIENT_NAME = "Orvane VUDA Verer: MIDI to Key Stroke";
  static constexpr const char* IN_PORT = "MIDI to Key Stroke in";
  static constexpr const char* OUT_PORT = "MIDI to Key Stroke out";
  static constexpr const char* RING_PORT = "Port 3";
  static constexpr double TRUST_EVERY = 2.0;
  static constexpr double TICK_EVERY = 0.5;
  static constexpr double LIT_EVERY = 0.08;
  static constexpr double SOURCES_EVERY = 3.0;
  static constexpr double RESCAN_AFTER = 0.5;
  static constexpr double CAPTURE_FOR = 15.0;
  static constexpr double VOL_EVERY = 0.06;
  static const std::map<std::string, std::string>& KS_PORT_NAME();
  static std::string CONF(const std::string& home) { return home + "/.config/midi-to-keystroke.json"; }

  explicit KSEngine(KSServices services);
  ~KSEngine();

  const KSView& view() const { return view_; }
  bool running() const { return running_; }
  bool dry() const { return dry_; }
  // A dry engine listens and shows, but presses, sends and writes nothing.
  void setDry(bool dry) { dry_ = dry; }
  const KSKeep& history() const { return keep_; }
  // What the row's E16 ring shows and whether its colour can change.
  KSE16::About ring(const KSRow& row);
  // The size of each list the engine keeps, by name: a soak watches that none grows without bound.
  std::map<std::string, std::size_t> listSizes() const;

  int subscribe(std::function<void()> changed) { return observers_.subscribe(std::move(changed)); }
  void unsubscribe(int id) { observers_.unsubscribe(id); }

  // --- Lifecycle and modes
  void start();
  void stop();
  void togglePower();
  void toggleDetect();
  void unlock();
  void learn(std::int64_t id);

  // --- The message path
  void control(const std::string& port, int number, int value, int channel, const std::string& type);
  void note(const std::string& text, const std::optional<std::string>& collapse = std::nullopt);
  void clearTrace();
  std::string label(const std::string& name);
  std::pair<std::string, bool> why() const;
  std::string ago(double time) const;
  std::set<std::int64_t> clashes() const;
  bool sendCC(int cc, int value, int channel);

  // --- Settings file and table
  void load();
  std::optional<KSRow> row(std::int64_t id) const;
  void add();
  void set(std::int64_t id, const std::string& field, const nlohmann::json& value);
  // Ticks live in the history, which tells nobody: these tell the screens.
  void tick(std::int64_t id);
  void tickAll();
  void deleteTicked();
  void undo();
  void redo();
  void colour(std::int64_t id, int index);

  // --- Key capture
  void capture(std::int64_t id);
  void captureStop();

  Loop& loop() { return services_.loop; }

 private:
  void midiStart();
  void midiStop();
  void checkSources();
  // Every source's name, sorted, one a line: a change in it means the sources should be looked at again.
  std::string sourcesKey() const;
  // One system or channel voice word from the source of that name.
  void arrived(const std::string& name, std::uint32_t word);
  void monitor(const std::string& label, const std::string& text);
  void refreshLit();
  void postKey(const std::string& key, const std::vector<std::string>& mods);
  bool setVolume(int percent);
  void applyVolume();
  void save();
  void change(const std::string& label, const std::function<void()>& body);
  std::optional<KSRow> replace(const KSRow& old, const std::string& label, const nlohmann::json& stored);
  void captureStart(std::int64_t id);
  void changed();
  void afterHistory(const std::string& step, const std::optional<std::string>& label);
  void captured(std::uint16_t code, std::uint64_t flags);
  void fire(const std::string& port, int number, int value, int channel, const std::string& type);

  KSView view_;
  bool running_ = false;
  bool dry_ = false;
  bool blob_ = true;  // volume by the sound keys, shown by the system; false: written silently
  KSKeep keep_;
  KSE16 e16_;
  std::shared_ptr<MidiClient> midi_;
  KSServices services_;
  std::map<std::string, std::string> labels_;
  // When each row's control last came, whether it fired, and which notes are still held: the lamps.
  std::map<std::int64_t, double> actAt_;
  std::map<std::int64_t, std::string> actHow_;
  std::set<std::int64_t> actHeld_;
  std::array<TaskHandle, 4> timers_;
  TaskHandle capStop_;
  // The volume is written at most every VOL_EVERY seconds, the latest wish last.
  std::optional<int> volWant_;
  double volAt_ = DISTANT_PAST;
  std::optional<int> volLast_;
  bool volPending_ = false;
  std::string lastSourcesKey_;
  std::string layerPresence_;  // the MIDI layer's presence line at the last look at the sources
  bool loaded_ = false;        // nothing is saved before the settings file was read
  SettingsSaves saves_;        // keeps an unreadable file aside and says when a save fails
  bool announcing_ = false;    // a change notice is already on its way
  Observers observers_;
};

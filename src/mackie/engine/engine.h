// The engine of the MIDI TO MK CONTROL module: from a controller's message to Mackie Control towards Live,
// with its pacing, what it learns of Live, its table, settings file and history, the computer's volume and
// the blob. Everything runs on the loop's thread; the screens draw its view and call its operations.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/history.h"
#include "common/json_file.h"
#include "common/midi_client.h"
#include "common/observers.h"
#include "mackie/core/fire.h"
#include "mackie/core/raw.h"
#include "mackie/core/row.h"
#include "mackie/core/row_index.h"
#include "mackie/engine/blob.h"
#include "mackie/engine/led.h"
#include "mackie/engine/live.h"
#include "mackie/engine/midi.h"
#include "mackie/engine/view.h"
#include "platform/audio_output.h"
#include "platform/key_output.h"
#include "platform/loop.h"
#include "platform/midi_system.h"
#include "platform/workspace.h"

using MKRules::MKAct;
using MKRules::MKMsg;
using MKRules::MKRow;

// What the engine is given to reach the world.
struct MKServices {
  Loop& loop;
  MidiSystem& midi;
  AudioOutput& audio;
  KeyOutput& keys;
  Workspace& workspace;
  std::string home;  // the settings file lives under it
  LiveFolders liveFolders;
  int oscPort = 11000;
  // Makes the blob's window; empty when there is no user interface, and the engine runs without a blob.
  std::function<std::unique_ptr<BlobWindow>()> blobWindow;
  std::string documents;  // where the E16's scene files are
  std::string helper;     // the colour helper script
};

// Made with std::make_shared: timers and MIDI callbacks hold it weakly.
class MKEngine : public std::enable_shared_from_this<MKEngine> {
 public:
  static constexpr const char* CLIENT_NAME = "Orvane VUDA Verer · MK Control";
  static constexpr double RELEASE = 0.03;  // press to release of a momentary button
  static constexpr double PACE = 0.02;     // the shortest gap between two messages towards Live
  static constexpr std::size_t QUEUE_LIMIT = 200;
  static constexpr double SPIN_EVERY = 0.025;  // jog and V-Pot turns leave at most this often per row
  static constexpr double GUARD = 0.15;        // PLAY / STOP waits this long for Live's state to settle
  static constexpr double PLANT_AFTER = 0.15;
  static constexpr double PLANT_GAP = 0.08;
  static constexpr double VOL_EVERY = 0.06;
  static constexpr double REFRESH = 0.1;
  static constexpr double RESCAN_AFTER = 0.5;
  static const std::map<int, std::string>& LAMP();
  static const std::map<std::string, std::string>& PORT_NAME();
  static std::string CONF(const std::string& home) { return home + "/.config/midi-to-mk.json"; }

  explicit MKEngine(MKServices services);
  ~MKEngine();

  // --- What the screens read ---
  const MKView& view() const { return view_; }
  bool running() const { return running_; }
  // The undo and redo stacks and the ticks.
  const RowHistory<MKRow>& history() const { return history_; }
  // The names of the sources it listens to, in the system's order.
  const std::vector<std::string>& openSources() const { return midi_->names(); }
  // What the module knows of Live's transport.
  const MKLive& live() const { return *live_; }
  // Whether the pacing or the turns' timer still runs: each stops at a tick that finds nothing to send.
  bool sending() const { return pump_ || spinTimer_; }
  // The size of each list that could grow with the traffic, by name: the benches watch that none grows
  // without bound.
  std::map<std::string, std::size_t> listSizes() const;

  // --- Observing ---
  int subscribe(std::function<void()> changed);
  void unsubscribe(int id);

  // --- Settings ---
  bool power() const;
  bool blobOn() const;
  std::string device() const;
  std::string outWant() const;
  std::string back() const;
  double blobSize() const;
  double blobHold() const;

  // --- Lifecycle and controls ---
  void start();
  void stop();
  void togglePower();
  void toggleDetect();
  void unlock();
  void learn(std::int64_t id);
  void clearTrace();
  // Live has just started: asks it for its transport state while the module runs.
  void liveCame();

  // --- The message path ---
  void received(const std::string& port, const MKMCU::MKRaw& raw);
  void onMessage(const std::string& port, const MKMsg& msg);
  void wire(int status, int d1, int d2);
  void wireNow(int status, int d1, int d2);
  void note(const std::string& text, const std::optional<std::string>& collapse = std::nullopt);
  std::string label(const std::string& name);

  // --- Ports ---
  void setOut(const std::string& name);
  void setBack(const std::string& name);

  // --- Settings file, table and history ---
  void load();
  std::optional<MKRow> row(std::int64_t id) const;
  void add();
  void set(std::int64_t id, const std::string& key, const std::optional<nlohmann::json>& value);
  void tick(std::int64_t id);
  void tickAll();
  void deleteTicked();
  void undo();
  void redo();
  void colour(std::int64_t id, int colour);

  // --- The command blob ---
  void blobSay(const std::string& text, const std::string& commandId);
  void toggleBlob();
  void blobHome();
  void setBlobHold(double seconds);

  // --- TRY and the texts the screens show ---
  void tryRow(const MKRow& row);
  std::optional<std::string> lit(std::int64_t id) const;
  std::string status();
  std::pair<std::string, bool> why();
  std::string sentLine() const;
  std::string backLine();

  Loop& loop() { return services_.loop; }
  MKLed& rings();
  // The computer's MIDI ports as they are now, for the screens' port choices.
  std::vector<MKSource> sources() const { return mkSources(services_.midi); }
  std::vector<MKDestination> destinations() const { return mkDestinations(services_.midi); }

 private:
  // What one source delivered: every message in it, and a DAW's question for a Mackie surface answered.
  void receivedWords(const std::string& port, std::span<const std::uint32_t> words);
  std::optional<std::string> doAct(const MKAct& act);
  void noteOn(int note, int velocity);
  void ccOut(int cc, int value);
  void pressAndRelease(int note);
  void after(double seconds, std::function<void(MKEngine&)> block);
  void letGoOfEverything();
  // Jog, tempo and PLAY / STOP.
  void spin(const MKAct& act, const std::string& line);
  void flushSpin();
  std::string playStop(const MKAct& act);
  void plant(int cc);
  void openOut();
  void save();
  void change(const std::string& what, const std::function<void()>& edit);
  void afterHistory(const std::string& text);
  // The computer's volume.
  void setVolume(double percent, bool blob);
  void applyVolume();
  void blobMake();
  void rescan();
  void answerDeviceQuery(const std::string& port);
  // Sends the next waiting message PACE seconds from now, and so on until none waits.
  void pumpNext();
  // Forgets every message, turn and volume change that has not left yet.
  void dropPending();
  void fireMessage(const MKMsg& msg);
  // Called after every change of `rows`: messages find their rows through the index.
  void reindex();
  // Whether the text setting `key` names that port, read without copying it: every message asks.
  bool names(const char* key, const std::string& port) const;
  void startRefresh();
  void publish();
  std::string actLine(const MKAct& act, const std::string& text, const std::optional<std::string>& result);

  nlohmann::json conf_ = nlohmann::json::object();
  std::shared_ptr<MidiClient> midi_;
  std::shared_ptr<MKLive> live_;
  std::shared_ptr<MKBlob> blob_;
  std::shared_ptr<MKLed> led_;  // the E16's rings, made on first use
  MidiRef outRef_ = 0;
  bool running_ = false;
  MKRules::MKHeld held_;
  std::set<int> down_;  // Mackie notes pressed towards Live
  std::map<std::string, std::string> labels_;
  std::deque<std::array<int, 3>> queue_;
  TaskHandle pump_;
  struct Spin {
    int clicks = 0;
    int cc = 0;
    std::string rel;
    std::string what;
    std::string line;
  };
  std::map<std::int64_t, Spin> spins_;
  TaskHandle spinTimer_;
  struct Volume {
    std::optional<double> want;
    bool blob = true;
    double at = DISTANT_PAST;
    TaskHandle timer;
  } vol_;
  RowHistory<MKRow> history_;
  struct Activity {
    double at = 0;
    std::string how;  // "fire" or "heard"
    bool held = false;
  };
  std::map<std::int64_t, Activity> act_;
  bool dirty_ = false;
  TaskHandle refresh_;
  std::set<std::string> lastSources_;
  std::string layerPresence_;  // the MIDI layer's presence line at the last rescan
  // The most significant half of each fine fader's last position (row id to MSB), see onMessage.
  MKRules::MKCoarse coarse_;
  MKView view_;
  MKServices services_;
  bool loaded_ = false;    // nothing is saved before the settings file was read
  bool answered_ = false;  // a DAW's device query was answered since the start: the trace said so once
  SettingsSaves saves_;    // keeps an unreadable file aside and says when a save fails
  MKRules::MKRowIndex index_;
  Observers observers_;
};

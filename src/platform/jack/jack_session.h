// The JACK system's inside, shared by its two files: the session with the server (a port-less watching
// client, one JACK client per engine client, a worker that follows the graph and the server's coming and
// going) in jack_session.cpp, and the MidiSystem operations in jack_midi_system.cpp.
#pragma once

#include <jack/jack.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/jack/jack_midi_system.h"
#include "platform/jack/jack_realtime.h"
#include "platform/midi_client_hooks.h"
#include "platform/midi_delivery.h"

struct JackMidiSystem::Impl {
  static constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);

  // One source connected to an input port: a JACK input port of ours, connected to that source alone.
  struct Connection {
    std::uint32_t token = 0;
    std::string portName;
    jack_port_t* port = nullptr;
    std::size_t slot = kNoSlot;
    std::uint32_t tag = 0;
    bool sourceSeen = false;  // the source was there at the last look: its return gets reconnected
  };

  struct InputPort {
    MidiRef client = 0;
    std::string name;
    std::shared_ptr<const MidiReceive> receive;
    std::shared_ptr<const MidiLost> lost;
    std::map<MidiRef, Connection> connections;  // by source
  };

  // One destination sent to from an output port: a JACK output port of ours, connected to it alone.
  struct Outlet {
    std::string portName;
    jack_port_t* port = nullptr;
    std::size_t slot = kNoSlot;
    bool destinationSeen = false;
  };

  struct OutputPort {
    MidiRef client = 0;
    std::string name;
    std::map<MidiRef, Outlet> outlets;  // by destination
  };

  struct Client {
    explicit Client(std::function<void()> setupChanged) : hooks(std::move(setupChanged)) {}

    MidiRef ref = 0;
    std::string jackName;
    jack_client_t* jack = nullptr;  // null while the server is away or it could not be opened
    std::string actualName;
    std::unique_ptr<jackmidi::Realtime> rt = std::make_unique<jackmidi::Realtime>();
    std::array<bool, jackmidi::kMaxInputs> inputSlots{};
    std::array<bool, jackmidi::kMaxOutputs> outputSlots{};
    std::set<std::string> portNames;  // ours, so that two never collide
    std::vector<MidiRef> inputs;
    std::vector<MidiRef> outputs;
    MidiClientHooks hooks;

    std::mutex deliveriesMutex;
    std::unordered_map<std::uint32_t, std::shared_ptr<MidiDelivery>> deliveries;  // by tag
  };

  Impl(Loop& mainLoop, std::string serverName);
  ~Impl();
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  Loop& loop;
  std::string server;

  // Everything below, up to the news, is guarded by `mutex`, which the process callbacks never take.
  std::mutex mutex;
  jack_client_t* watcher = nullptr;
  std::string watcherName;
  bool isOnline = false;
  std::map<MidiRef, std::shared_ptr<Client>> clients;
  std::map<MidiRef, InputPort> inputs;
  std::map<MidiRef, OutputPort> outputs;
  std::unordered_map<std::string, MidiRef> refByName;
  std::unordered_map<MidiRef, std::string> nameByRef;
  MidiRef nextRef = 1;
  std::uint32_t nextTag = 1;
  std::string signature;
  std::vector<std::string> midiOutputs, midiInputs;  // full names, as the worker last found them
  std::uint64_t droppedBefore = 0;                   // dropped counts of disposed clients
  std::uint64_t droppedSendsBefore = 0;
  // Clients being closed outside the lock: their ports stay ours until they are gone.
  std::vector<std::string> closingNames;

  // News from JACK's threads for the worker: flags, and an eventfd that wakes it. JACK may call the shutdown
  // callback from a signal handler, so the callbacks only store to lock-free atomics and write to the
  // eventfd, both safe there.
  int news;
  std::atomic<bool> graphChanged{false};
  std::atomic<bool> shutDown{false};
  std::atomic<bool> stopping{false};
  std::atomic<bool> wantsRetry{true};
  std::thread worker;

  void wakeWorker() const;
  // JACK's callbacks: they only raise a flag for the worker.
  static void onGraph(void* arg);
  static int onGraphOrder(void* arg);
  static void onPort(jack_port_id_t, int, void* arg);
  static void onClient(const char*, int, void* arg);
  static void onConnect(jack_port_id_t, jack_port_id_t, int, void* arg);
  static void onRename(jack_port_id_t, const char*, const char*, void* arg);
  static void onShutdown(jack_status_t, const char*, void* arg);

  // Opening and closing, with `mutex` held unless said otherwise.
  jack_client_t* openJack(const std::string& name) const;
  bool connect();  // without `mutex`
  bool openClient(Client& c);
  void forgetSession(Client& c);
  void teardown();  // without `mutex`

  // Ports of ours.
  std::uint32_t newTag();
  std::string uniquePortName(const Client& c, const std::string& wanted) const;
  template <std::size_t N>
  static std::size_t takeSlot(std::array<bool, N>& slots);
  void dropDelivery(Client& c, std::uint32_t tag);
  bool openConnection(Client& c, const InputPort& in, MidiRef source, Connection& connection);
  void releaseInput(Client& c, Connection& connection);
  bool openOutlet(Client& c, MidiRef destination, Outlet& outlet);
  void releaseOutput(Client& c, Outlet& outlet);
  static bool linkPorts(jack_client_t* j, const char* from, const char* to);
  // The JACK port of the output port for that destination, made and linked when it is not; null when it
  // cannot be. Then one message for it, queued for the next cycle.
  Outlet* linkedOutlet(MidiRef outputPort, MidiRef destination);
  bool queue(MidiRef outputPort, MidiRef destination, std::span<const std::uint8_t> bytes);

  // Listings.
  bool isOurs(const std::string& fullName) const;
  bool isForeignMidi(jack_client_t* j, const std::string& fullName, unsigned long flag) const;
  MidiRef refFor(const std::string& fullName);
  std::string deviceOf(const std::string& fullName) const;
  void scanMidiPorts();  // the worker's
  std::vector<MidiEndpoint> list(unsigned long flag);
  std::string currentSignature();

  // The worker, and what it tells.
  bool resync();
  void notifyClients();  // without `mutex`
  void workerMain();

  // The main loop's.
  static void deliverReceived(Client& c);
  void dispose(const std::shared_ptr<Client>& c, jack_client_t* j);  // without `mutex`
};

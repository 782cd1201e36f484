// The program (see the header).
#include "app/program.h"

#include "e16/colour_helper.h"

namespace {

std::unique_ptr<MidiKeysModule> keyStrokeModule(const Options& options, Backends& b,
                                                const std::string& programDir, bool dry) {
  return std::make_unique<MidiKeysModule>(
      KSServices{b.loop, *b.midi.system, b.audio, b.keys, b.capture, b.home, b.documents,
                 ksHelperPath(programDir, b.home), options.login},
      dry);
}

std::vector<std::unique_ptr<LiveModule>> modulesOf(const Options& options, Backends& b,
                                                   const std::string& programDir,
                                                   std::function<std::unique_ptr<BlobWindow>()> blobWindows) {
  std::vector<std::unique_ptr<LiveModule>> modules;
  modules.push_back(std::make_unique<MackieModule>(MKServices{
      b.loop, *b.midi.system, b.audio, b.keys, b.workspace, b.home, LiveFolders{b.home, b.winePrefix}, 11000,
      std::move(blobWindows), b.documents, mkHelperPath(programDir, b.home)}));
  modules.push_back(keyStrokeModule(options, b, programDir, options.dry));
  return modules;
}

}  // namespace

Program::Program(const Options& o, const std::string& programDir,
                 std::function<std::unique_ptr<BlobWindow>()> blobWindows)
    : options(o),
      backends(o),
      permissions(std::make_shared<Permissions>(backends.loop, backends.keys)),
      umbrella(std::make_shared<Umbrella>(
          ShellServices{backends.loop, backends.workspace, backends.hotKeys, backends.home},
          modulesOf(o, backends, programDir, std::move(blobWindows)))),
      programDir_(programDir) {}

Program::~Program() {
  stop();
  printer_.reset();
}

MackieModule& Program::mackie() const {
  return static_cast<MackieModule&>(*umbrella->module("mackie"));
}

MidiKeysModule& Program::midikeys() const {
  return static_cast<MidiKeysModule&>(*umbrella->module("midikeys"));
}

MidiKeysModule& Program::dryKeys() {
  if (options.dry) return midikeys();
  if (!dryKeys_) {
    dryKeys_ = keyStrokeModule(options, backends, programDir_, true);
    if (!stopped_) dryKeys_->engine->start();
  }
  return *dryKeys_;
}

void Program::start() {
  if (options.trace) {
    printer_ = std::make_unique<TracePrinter>();
    printer_->watch(mackie().id(), mackie().engine->view().trace);
    printer_->watch(midikeys().id(), midikeys().engine->view().trace);
  }
  permissions->watch();
  umbrella->start();
  // A dry engine ignores the switch: it runs for its own window from the start.
  if (options.dry) midikeys().engine->start();
}

void Program::stop() {
  if (stopped_) return;
  stopped_ = true;
  umbrella->stop();
  // The dry engine ignores the switch, so the switch cannot stop it either.
  midikeys().engine->stop();
  if (dryKeys_) dryKeys_->engine->stop();
}

// The program put together: the real services, both modules and the shell over them, and the lifecycle that
// switches every module off however the program ends.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/backends.h"
#include "app/command_line.h"
#include "app/trace_printer.h"
#include "keystroke/permissions.h"
#include "shell/mackie_module.h"
#include "shell/midikeys_module.h"
#include "shell/umbrella.h"

class Program {
 public:
  // Made once the Qt application exists. `blobWindows` makes the blob's window; empty without a desktop.
  Program(const Options& options, const std::string& programDir,
          std::function<std::unique_ptr<BlobWindow>()> blobWindows);
  ~Program();

  // Starts the modules that are on (the dry one whatever its switch says) and, when asked, the trace.
  void start();
  // Switches every module off; again does nothing.
  void stop();

  MackieModule& mackie() const;
  MidiKeysModule& midikeys() const;
  // The Key Stroke module of the dry window: the shell's own when the program runs dry; otherwise one of its
  // own, made and started on first use, that listens beside the shell's, which goes on pressing keys.
  MidiKeysModule& dryKeys();

  const Options options;
  Backends backends;
  std::shared_ptr<Permissions> permissions;
  std::shared_ptr<Umbrella> umbrella;

 private:
  const std::string programDir_;
  std::unique_ptr<MidiKeysModule> dryKeys_;
  std::unique_ptr<TracePrinter> printer_;
  bool stopped_ = false;
};

// The program's options (see the header), through Qt's parser so that help and errors read the usual way.
#include "app/command_line.h"

#include <QCommandLineParser>

#include "shell/umbrella.h"

Parsed parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Orvane VUDA Verer: a MIDI controller's knobs, buttons and pads as Mackie Control commands to the DAW "
      "and as key strokes.");
  const QCommandLineOption dry("midikeys-dry",
                               "Run MIDI TO KEY STROKE in a window of its own: it listens, "
                               "shows and learns, but presses no key and writes no file.");
  const QCommandLineOption login("login", "Started with the session: ask for no permission at start.");
  const QCommandLineOption midi("midi", "The MIDI layer: alsa, jack or auto (the default).", "layer", "auto");
  const QCommandLineOption headless("headless", "No tray and no window: run the modules that are on.");
  const QCommandLineOption trace("trace", "Print each new trace line of either module on standard output.");
  const auto help = parser.addHelpOption();
  const auto version = parser.addVersionOption();
  parser.addOptions({dry, login, midi, headless, trace});

  // Parsed before the application exists, which would otherwise name the program.
  const auto helpText = [&] { return parser.helpText().replace("<executable_name>", "orvane-vuda-verer"); };
  const auto usage = [&](const QString& problem) {
    return Parsed{std::nullopt, (problem + "\n\n" + helpText()).toStdString(), true, 2};
  };
  if (!parser.parse(arguments)) return usage(parser.errorText());
  if (!parser.positionalArguments().isEmpty())
    return usage("Unexpected argument: " + parser.positionalArguments().join(' '));
  if (parser.isSet(help)) return {std::nullopt, helpText().toStdString(), false, 0};
  if (parser.isSet(version))
    return {std::nullopt, "orvane-vuda-verer v" + std::to_string(Umbrella::VERSION) + "\n", false, 0};

  const auto layer = parser.value(midi).toLower();
  if (layer != "alsa" && layer != "jack" && layer != "auto")
    return usage("The MIDI layer is alsa, jack or auto, not \"" + parser.value(midi) + "\".");
  Options options;
  options.dry = parser.isSet(dry);
  options.login = parser.isSet(login);
  options.headless = parser.isSet(headless);
  options.trace = parser.isSet(trace);
  options.midi = layer == "auto" ? "" : layer.toStdString();
  return {options, "", false, 0};
}

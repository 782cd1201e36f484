// Orvane VUDA Verer: options, one instance per user, the desktop or not, the loop, and an orderly end however
// the program is asked to stop.
#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/program.h"
#include "app/quit_signals.h"
#include "app/single_instance.h"
#include "ui/blob_panel.h"
#include "ui/desktop.h"

namespace {

// The program while it runs, for the one way out that skips the end of main: Qt ends the process with exit()
// when its X server goes away, as at the end of a desktop session.
Program* running = nullptr;

bool hasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"})
    if (const char* value = std::getenv(name); value && *value) return true;
  // A platform chosen by hand (such as the offscreen one) needs no display either.
  return std::getenv("QT_QPA_PLATFORM") != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i)
    arguments << QString::fromLocal8Bit(argv[i]);
  const auto parsed = parseCommandLine(arguments);
  if (!parsed.options) {
    std::fputs(parsed.print.c_str(), parsed.toStandardError ? stderr : stdout);
    return parsed.status;
  }
  auto options = *parsed.options;
  if (!options.headless && !hasDisplay()) {
    options.headless = true;
    std::fputs("orvane-vuda-verer: no display: running headless, without tray or window\n", stderr);
  }

  std::unique_ptr<QCoreApplication> app;
  if (options.headless) {
    app = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    auto gui = std::make_unique<QApplication>(argc, argv);
    // The program lives in the tray: closing its window hides it.
    gui->setQuitOnLastWindowClosed(false);
    app = std::move(gui);
  }
  QCoreApplication::setApplicationName("Orvane VUDA Verer");
  QCoreApplication::setOrganizationName("Orvane");

  SingleInstance single;
  if (!single.claim(options.dry ? SingleInstance::Request::dry : SingleInstance::Request::show)) {
    std::fputs(options.dry ? "orvane-vuda-verer: already running: it opens its dry window\n"
                           : "orvane-vuda-verer: already running: its window comes to the front\n",
               stderr);
    return 0;
  }
  QuitSignals quitSignals;

  std::function<std::unique_ptr<BlobWindow>()> blobWindows;
  if (!options.headless) blobWindows = [] { return std::make_unique<ui::BlobPanel>(); };
  Program program(options, QCoreApplication::applicationDirPath().toStdString(), blobWindows);

  // The tray, the window and the dry run's window; none without a desktop.
  std::unique_ptr<ui::Desktop> desktop;
  if (!options.headless) {
    desktop = std::make_unique<ui::Desktop>(program.umbrella, program.permissions,
                                            [] { QCoreApplication::quit(); });
    single.raise = [&desktop] { desktop->bringBack(); };
    single.openDry = [&desktop, &program] { desktop->openDry(program.dryKeys()); };
  }
  // However the loop ends (the window's OFF, a signal, the session's end), every module is switched off
  // while the loop and the MIDI layer are still there to carry the last releases.
  QObject::connect(app.get(), &QCoreApplication::aboutToQuit, [&program] { program.stop(); });
  if (auto* gui = qobject_cast<QGuiApplication*>(app.get()))
    QObject::connect(gui, &QGuiApplication::commitDataRequest, [] { QCoreApplication::quit(); });
  running = &program;
  std::atexit([] {
    if (running) running->stop();
  });
  program.start();
  if (options.dry && desktop) desktop->openDry(program.dryKeys());
  const int status = QCoreApplication::exec();
  program.stop();
  running = nullptr;
  // The windows watch the engines: they go first.
  single.raise = nullptr;
  single.openDry = nullptr;
  desktop.reset();
  return status;
}

// SIGTERM, SIGINT and SIGHUP end the program the orderly way: the handler only writes a byte into a pipe, and
// the Qt loop reads it and asks the application to quit, so that every module is switched off as on a quit
// from the window.
#pragma once

#include <QObject>

class QSocketNotifier;

class QuitSignals : public QObject {
 public:
  // One per program: it installs the handlers, which stay until the program ends.
  explicit QuitSignals(QObject* parent = nullptr);

 private:
  QSocketNotifier* notifier_ = nullptr;
};

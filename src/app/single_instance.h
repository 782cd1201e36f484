// One instance per user: a second start of the program hands its request to the first and ends, through a
// local socket in the user's runtime folder. A plain start asks for the window; one with --midikeys-dry asks
// for the dry run's window.
#pragma once

#include <QObject>
#include <functional>

class QLocalServer;

class SingleInstance : public QObject {
 public:
  enum class Request { show, dry };

  explicit SingleInstance(QObject* parent = nullptr);

  // True when this is the first instance, which from now on hears later starts through `raise` and `openDry`;
  // false when another instance answered and was handed `request`.
  bool claim(Request request = Request::show);
  std::function<void()> raise;    // a later plain start
  std::function<void()> openDry;  // a later start with --midikeys-dry

  // The socket's path, for the user's runtime folder (or the temporary folder without one).
  static QString address();

 private:
  QLocalServer* server_ = nullptr;
};

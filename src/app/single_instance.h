// One instance per user: a second start of the program asks the first to bring its window to the front and
// ends, through a local socket in the user's runtime folder.
#pragma once

#include <QObject>
#include <functional>

class QLocalServer;

class SingleInstance : public QObject {
 public:
  explicit SingleInstance(QObject* parent = nullptr);

  // True when this is the first instance, which from now on hears later starts through `raise`; false when
  // another instance answered and was asked to show itself.
  bool claim();
  std::function<void()> raise;

  // The socket's path, for the user's runtime folder (or the temporary folder without one).
  static QString address();

 private:
  QLocalServer* server_ = nullptr;
};

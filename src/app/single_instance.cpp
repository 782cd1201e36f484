// The single-instance socket (see the header).
#include "app/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr int ANSWER_WITHIN_MS = 1000;

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

QString SingleInstance::address() {
  auto folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (folder.isEmpty()) folder = QDir::tempPath();
  return folder + "/orvane-vuda-verer-" + QString::number(::getuid()) + ".socket";
}

bool SingleInstance::claim() {
  QLocalSocket first;
  first.connectToServer(address());
  if (first.waitForConnected(ANSWER_WITHIN_MS)) {
    first.write("show\n");
    first.waitForBytesWritten(ANSWER_WITHIN_MS);
    return false;
  }
  // Nobody answers: a socket file left by an instance that died is taken over.
  QLocalServer::removeServer(address());
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(address())) return true;  // no socket: run all the same, without the single check
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (auto* later = server_->nextPendingConnection()) {
      connect(later, &QLocalSocket::disconnected, later, &QObject::deleteLater);
      if (raise) raise();
    }
  });
  return true;
}

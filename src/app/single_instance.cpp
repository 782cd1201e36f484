// The single-instance socket (see the header). A later start writes one line, "show" or "dry", and closes; a
// connection that ends without a line it knows counts as "show", as it did before there were two requests.
#include "app/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>

namespace {

constexpr int ANSWER_WITHIN_MS = 1000;

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

QString SingleInstance::address() {
  auto folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (folder.isEmpty()) folder = QDir::tempPath();
  return folder + "/orvane-vuda-verer-" + QString::number(::getuid()) + ".socket";
}

bool SingleInstance::claim(Request request) {
  QLocalSocket first;
  first.connectToServer(address());
  if (first.waitForConnected(ANSWER_WITHIN_MS)) {
    first.write(request == Request::dry ? "dry\n" : "show\n");
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
      // The first line it knows is the request; the rest is ignored. Read again as it closes, in case its
      // line and its end came together.
      const auto read = [this, later, answered = std::make_shared<bool>(false)](bool closing) {
        while (!*answered && later->canReadLine()) {
          const auto line = later->readLine().trimmed();
          if (line != "show" && line != "dry") continue;
          *answered = true;
          if (const auto& wanted = line == "dry" ? openDry : raise) wanted();
        }
        if (closing && !*answered && raise) raise();
      };
      connect(later, &QLocalSocket::readyRead, later, [read] { read(false); });
      const auto closed = [read, later] {
        read(true);
        later->deleteLater();
      };
      connect(later, &QLocalSocket::disconnected, later, closed);
      if (later->state() == QLocalSocket::UnconnectedState) closed();
    }
  });
  return true;
}

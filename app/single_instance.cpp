#include "app/single_instance.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocalSocket>

namespace telvane {
namespace {
constexpr int ConnectTimeoutMs = 1000;
constexpr char ActivateRequest[] = "activate\n";
}  // namespace

QString SingleInstanceGuard::InstanceKey() {
  const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
  return QStringLiteral("telvane-%1-%2").arg(exe).arg(::getuid());
}

SingleInstanceGuard::SingleInstanceGuard(const QString& key, QObject* parent) : QObject(parent) {
  QLocalSocket probe;
  probe.connectToServer(key);
  if (probe.waitForConnected(ConnectTimeoutMs)) {
    probe.write(ActivateRequest);
    probe.waitForBytesWritten(ConnectTimeoutMs);
    probe.disconnectFromServer();
    anotherInstance_ = true;
    return;
  }
  // Nobody answers: whatever socket file is left belongs to a copy that died.
  QLocalServer::removeServer(key);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  server_.listen(key);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstanceGuard::acceptConnection);
}

void SingleInstanceGuard::acceptConnection() {
  while (QLocalSocket* client = server_.nextPendingConnection()) {
    connect(client, &QLocalSocket::readyRead, this, [this, client] {
      if (client->readAll().contains("activate")) emit activationRequested();
      client->disconnectFromServer();
    });
    connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
  }
}

}  // namespace telvane

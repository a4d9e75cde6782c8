#include "platform/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QProcessEnvironment>
#include <QString>

#include "platform/qt/Bridge.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace penvo {

namespace {

// The rendezvous name: the class name, the user and the display, so that users and desktops
// do not meet each other.
QString ServerName(const std::string& className) {
  QString user;
#ifdef _WIN32
  user = qEnvironmentVariable("USERNAME");
#else
  user = QString::number(::getuid());
#endif
  QString display = qEnvironmentVariable("DISPLAY", qEnvironmentVariable("WAYLAND_DISPLAY"));
  display.replace('/', '_');
  return qt::ToQ(className) + "-" + user + "-" + display;
}

}  // namespace

struct TSingleInstance::Impl {
  QString name;
  std::unique_ptr<QLocalServer> server;
  std::function<void()> onActivate;
};

TSingleInstance::TSingleInstance(std::string ClassName) : FImpl(std::make_unique<Impl>()) {
  FImpl->name = ServerName(ClassName);
}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::ActivateRunning() {
  QLocalSocket socket;
  socket.connectToServer(FImpl->name);
  if (!socket.waitForConnected(1000)) return false;
  socket.write("activate\n");
  socket.waitForBytesWritten(1000);
  socket.disconnectFromServer();
  return true;
}

void TSingleInstance::Listen(std::function<void()> OnActivate) {
  FImpl->onActivate = std::move(OnActivate);
  FImpl->server = std::make_unique<QLocalServer>();
  FImpl->server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!FImpl->server->listen(FImpl->name)) {
    // A socket left behind by an instance that crashed: nobody answers on it.
    QLocalServer::removeServer(FImpl->name);
    FImpl->server->listen(FImpl->name);
  }
  QObject::connect(FImpl->server.get(), &QLocalServer::newConnection, [this] {
    while (QLocalSocket* peer = FImpl->server->nextPendingConnection()) {
      QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      if (FImpl->onActivate) FImpl->onActivate();
    }
  });
}

}  // namespace penvo

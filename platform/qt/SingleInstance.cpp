#include "platform/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcessEnvironment>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/OsInstanceLock.h"
#include "platform/qt/Bridge.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace penvo {

namespace {

using namespace std::chrono_literals;

// How long a start waits for a running instance that holds the claim but does not answer yet:
// one that is just starting to listen, or one that is ending and saving its settings.
constexpr auto kHandOverDeadline = 5s;
// How often it looks again meanwhile.
constexpr auto kHandOverPoll = 10ms;

// The rendezvous name: the class name, the user and the display, so that users and desktops
// do not meet each other.
QString MakeServerName(const std::string& className) {
  QString user;
#ifdef _WIN32
  user = qEnvironmentVariable("USERNAME");
#else
  user = QString::number(::getuid());
#endif
  // A Wayland session is named by its compositor's display: its programs see XWayland's DISPLAY
  // as well, or not, as they were started. That name is one in the session's runtime directory,
  // where another session of the same user may have one of the same name.
  QString display = qEnvironmentVariable("DISPLAY");
  if (const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY"); !wayland.isEmpty())
    display = wayland.startsWith('/') ? wayland
                                      : qEnvironmentVariable("XDG_RUNTIME_DIR") + "/" + wayland;
  display.replace('/', '_');
  return qt::ToQ(className) + "-" + user + "-" + display;
}

// Asks the instance listening on name to come to the front; true when one answered. The
// launcher's activation token goes with the request: on Wayland a window may take the focus
// only with a token that stands for the user's own action.
bool AskToFront(const QString& name) {
  QLocalSocket socket;
  socket.connectToServer(name);
  if (!socket.waitForConnected(1000)) return false;
  const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN").simplified();
  socket.write("activate" + (token.isEmpty() ? QByteArray() : " " + token) + "\n");
  socket.waitForBytesWritten(1000);
  socket.disconnectFromServer();
  return true;
}

}  // namespace

struct TSingleInstance::Impl {
  QString name;
  os::InstanceLockPtr lock;
  std::unique_ptr<QLocalServer> server;
  std::function<void()> onActivate;

  void Listen(bool claimed);
};

TSingleInstance::TSingleInstance(std::string ClassName) : FImpl(std::make_unique<Impl>()) {
  FImpl->name = MakeServerName(ClassName);
}

TSingleInstance::~TSingleInstance() {
  Withdraw();
}

bool TSingleInstance::Claim(std::function<void()> OnActivate) {
  // The lock file lies next to the socket, which Qt makes in the temporary directory.
  const std::string lockDir = qt::FromQ(QDir::tempPath());
  const std::string lockName = qt::FromQ(FImpl->name);
  const auto deadline = std::chrono::steady_clock::now() + kHandOverDeadline;
  for (;;) {
    os::InstanceLockResult claim = os::TryLockInstance(lockDir, lockName);
    if (claim.claim == os::InstanceClaim::Taken) {
      FImpl->lock = std::move(claim.lock);
      break;
    }
    if (AskToFront(FImpl->name)) return false;
    // Where no lock can be made, whoever answers is the instance; nobody did.
    if (claim.claim == os::InstanceClaim::Unavailable) break;
    // Past the deadline the holder, which neither answers nor ends, is stuck: this start ends
    // all the same, so that no second overlay comes up.
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kHandOverPoll);
  }
  FImpl->onActivate = std::move(OnActivate);
  FImpl->Listen(FImpl->lock != nullptr);
  return true;
}

void TSingleInstance::Impl::Listen(bool claimed) {
  server = std::make_unique<QLocalServer>();
  server->setSocketOptions(QLocalServer::UserAccessOption);
  // With the claim ours, a socket under the name was left by an instance that crashed. Without
  // a lock to be had, a socket may still be a busy instance's: it is only replaced when this
  // start cannot listen beside it.
  if (claimed || !server->listen(name)) {
    QLocalServer::removeServer(name);
    server->listen(name);
  }
  QObject::connect(server.get(), &QLocalServer::newConnection, [this] {
    while (QLocalSocket* peer = server->nextPendingConnection()) {
      // One request a connection: its line, or the connection's end where a start sent none.
      auto handled = std::make_shared<bool>(false);
      const auto handle = [this, peer, handled] {
        if (*handled) return;
        *handled = true;
        const QByteArray line = peer->readLine(4096).trimmed();
        // Qt's Wayland windows use the token on their next activation, and then drop it.
        if (line.startsWith("activate ")) qputenv("XDG_ACTIVATION_TOKEN", line.mid(9));
        // Coming to the front waits for the window system with events handled meanwhile: not
        // inside the socket's own signal, whose socket may go in that wait.
        QTimer::singleShot(0, server.get(), [this] {
          if (onActivate) onActivate();
        });
      };
      QObject::connect(peer, &QLocalSocket::readyRead, peer, [peer, handle] {
        if (peer->canReadLine()) handle();
      });
      QObject::connect(peer, &QLocalSocket::disconnected, peer, [peer, handle] {
        handle();
        peer->deleteLater();
      });
      if (peer->canReadLine()) handle();
    }
  });
}

void TSingleInstance::Withdraw() {
  FImpl->server.reset();  // closing removes the socket
}

std::string TSingleInstance::ServerName() const {
  return qt::FromQ(FImpl->name);
}

}  // namespace penvo

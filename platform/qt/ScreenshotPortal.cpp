// Pictures of the desktop in a Wayland session, through the desktop portal.
//
// A Wayland client may not read other programs' pixels, and an X client under XWayland reads
// black where Wayland windows are. The portal (org.freedesktop.portal.Screenshot) asks the
// compositor for a still picture of the whole desktop, writes it into a PNG file and answers
// with the file's URI, on a request object whose path the caller can know in advance from its
// own bus name and a token. The answer can come before the method call's reply, so the
// program listens on that path before it asks.
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QObject>
#include <QScreen>
#include <QUrl>
#include <QVariantMap>
#include <QtMath>
#include <cstdlib>

#include "platform/qt/Bridge.h"
#include "platform/qt/WindowSystem.h"

namespace penvo::qt {

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// The portal's answer to one request.
class PortalAnswer : public QObject {
  Q_OBJECT
 public:
  bool answered = false;
  uint response = 2;
  QVariantMap results;

 public Q_SLOTS:
  void Response(uint code, const QVariantMap& values) {
    answered = true;
    response = code;
    results = values;
  }
};

// The request object's path the portal will use for this token (the sender's unique name
// without its colon, dots as underscores).
QString RequestPath(const QDBusConnection& bus, const QString& token) {
  QString sender = bus.baseService().mid(1);
  sender.replace('.', '_');
  return kPortalPath + QStringLiteral("/request/") + sender + '/' + token;
}

bool Listen(QDBusConnection& bus, const QString& path, PortalAnswer* answer) {
  return bus.connect(kPortal, path, kRequest, QStringLiteral("Response"), answer,
                     SLOT(Response(uint, QVariantMap)));
}

// Why the call failed, in words a user can act on.
std::string CallFailure(const QDBusError& error) {
  switch (error.type()) {
    case QDBusError::ServiceUnknown:
      return "the desktop portal is not running (install xdg-desktop-portal and the portal "
             "of your desktop: xdg-desktop-portal-gnome, -kde or -wlr)";
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownObject:
      return "the desktop portal offers no screenshots here (install the portal of your "
             "desktop: xdg-desktop-portal-gnome, -kde or -wlr)";
    case QDBusError::AccessDenied:
      return "the desktop does not allow Penvo to take screenshots (allow it in the "
             "desktop's privacy settings)";
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
      return "the desktop portal did not answer";
    default:
      return "the desktop portal failed: " + FromQ(error.message());
  }
}

// How long the desktop portal may take for a screenshot (the first one of a session starts
// the portal and its backend; GNOME may ask the user first).
constexpr int kPortalDeadlineMs = 15000;

// The whole desktop from the desktop portal's Screenshot request, without asking the user;
// the file the portal wrote is removed. A null picture, with the reason in Why, when there is
// none.
QImage PortalScreenshot(int deadlineMs, std::string& Why) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    Why = "there is no session bus to reach the desktop portal through";
    return {};
  }
  static int serial = 0;
  const QString token = QStringLiteral("penvo%1").arg(++serial);
  PortalAnswer answer;
  QString path = RequestPath(bus, token);
  Listen(bus, path, &answer);

  QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kScreenshot,
                                                     QStringLiteral("Screenshot"));
  call << QString() << QVariantMap{{QStringLiteral("handle_token"), token},
                                   {QStringLiteral("interactive"), false},
                                   {QStringLiteral("modal"), false}};
  QDBusPendingCall pending = bus.asyncCall(call, deadlineMs);
  QDBusPendingCallWatcher watcher(pending);
  bool replied = false;
  // The reply names the request; a portal older than the handle tokens chooses its own path.
  QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, [&](QDBusPendingCallWatcher* w) {
    replied = true;
    QDBusPendingReply<QDBusObjectPath> reply = *w;
    if (reply.isError()) return;
    const QString named = reply.value().path();
    if (named != path) {
      bus.disconnect(kPortal, path, kRequest, QStringLiteral("Response"), &answer,
                     SLOT(Response(uint, QVariantMap)));
      path = named;
      Listen(bus, path, &answer);
    }
  });
  const bool done = WaitUntil(
      [&] { return answer.answered || (replied && pending.isError()); }, deadlineMs);
  bus.disconnect(kPortal, path, kRequest, QStringLiteral("Response"), &answer,
                 SLOT(Response(uint, QVariantMap)));
  if (replied && pending.isError()) {
    Why = CallFailure(pending.error());
    return {};
  }
  if (!done) {
    Why = "the desktop portal did not answer in time";
    return {};
  }
  if (answer.response == 1) {
    Why = "the screenshot was refused (allow Penvo to take screenshots when the desktop asks, "
          "or in its privacy settings)";
    return {};
  }
  const QUrl uri(answer.results.value(QStringLiteral("uri")).toString());
  if (answer.response != 0 || !uri.isLocalFile()) {
    Why = "the desktop could not take a screenshot";
    return {};
  }
  // The portal leaves the file wherever its desktop keeps screenshots; it is ours to remove.
  const QString file = uri.toLocalFile();
  QImage picture(file);
  QFile::remove(file);
  if (picture.isNull()) {
    Why = "the desktop's screenshot could not be read";
    return {};
  }
  return picture;
}

}  // namespace

bool InWaylandSession() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  return display && *display;
}

bool OnWaylandPlatform() {
  return QGuiApplication::platformName().startsWith("wayland");
}

TImage PortalGrab(QScreen* screen, std::string& Why) {
  QImage whole = PortalScreenshot(kPortalDeadlineMs, Why);
  if (whole.isNull() || !screen) return {};
  // The picture holds every output; its pixels stand to the desktop's layout as the outputs'
  // device pixels do (the compositor renders each output at its scale).
  QRect desktop;
  for (QScreen* s : QGuiApplication::screens()) desktop |= s->geometry();
  const QRect area = screen->geometry();
  const qreal scale = static_cast<qreal>(whole.width()) / desktop.width();
  const QRect part(qRound((area.x() - desktop.x()) * scale), qRound((area.y() - desktop.y()) * scale),
                   qRound(area.width() * scale), qRound(area.height() * scale));
  const QSize device(qRound(area.width() * screen->devicePixelRatio()),
                     qRound(area.height() * screen->devicePixelRatio()));
  if (part != whole.rect()) whole = whole.copy(part);
  if (whole.size() != device)
    whole = whole.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return KeepImage(std::move(whole));
}

}  // namespace penvo::qt

#include "ScreenshotPortal.moc"

// Test input and screenshots for a headless GNOME Shell, through mutter's remote desktop: one
// remote-desktop session, with a screen cast of the monitor for absolute pointer positions,
// for a whole test (when a session ends, its keyboard goes and the focused window is
// deactivated, as when a person leaves).
//
// Usage: gnome_input WIDTH HEIGHT (the monitor's size). Reads commands from standard input, one per line, and answers "ok" (or "error: ...") once
// GNOME has taken it:
//   move X Y            the pointer to (X, Y) of the monitor
//   down [B] / up [B]   a mouse button (1 left, 2 middle, 3 right)
//   key COMBO           a key with modifiers, as "y", "BackSpace", "ctrl+BackSpace"
//   shot FILE           a PNG of the screen, from the test's shell extension
//   windows             one line of JSON: the windows, from the test's shell extension
//   quit
#include <linux/input-event-codes.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QFile>
#include <QTextStream>
#include <QVariantMap>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <xkbcommon/xkbcommon.h>


namespace {

const QString kMutterRd = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
const QString kMutterSc = QStringLiteral("org.gnome.Mutter.ScreenCast");

class Remote {
 public:
  bool Open(int width, int height, std::string& error) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusInterface rd(kMutterRd, "/org/gnome/Mutter/RemoteDesktop", kMutterRd, bus);
    QDBusReply<QDBusObjectPath> session = rd.call("CreateSession");
    if (!session.isValid()) return Fail(error, "remote desktop: " + session.error().message());
    rdPath_ = session.value().path();
    QDBusInterface rdSession(kMutterRd, rdPath_, kMutterRd + ".Session", bus);
    const QString id = rdSession.property("SessionId").toString();
    QDBusInterface sc(kMutterSc, "/org/gnome/Mutter/ScreenCast", kMutterSc, bus);
    QDBusReply<QDBusObjectPath> cast =
        sc.call("CreateSession", QVariantMap{{"remote-desktop-session-id", id}});
    if (!cast.isValid()) return Fail(error, "screen cast: " + cast.error().message());
    QDBusInterface scSession(kMutterSc, cast.value().path(), kMutterSc + ".Session", bus);
    // The empty connector is the primary monitor.
    QDBusReply<QDBusObjectPath> stream = scSession.call("RecordMonitor", QString(), QVariantMap{});
    if (!stream.isValid()) return Fail(error, "record monitor: " + stream.error().message());
    stream_ = stream.value().path();  // the input calls name it as a text
    QDBusReply<void> started = rdSession.call("Start");
    if (!started.isValid()) return Fail(error, "start: " + started.error().message());
    session_ = std::make_unique<QDBusInterface>(kMutterRd, rdPath_, kMutterRd + ".Session", bus);
    // The first key and the first press after the start go nowhere: a key that types nothing
    // and a click on the empty desktop, before any program of the test runs.
    Keysym(XKB_KEY_Shift_L, true);
    Keysym(XKB_KEY_Shift_L, false);
    return Move(width / 2, height / 2, error) && Button(1, true, error) && Button(1, false, error);
  }

  bool Move(double x, double y, std::string& error) {
    if (!Call(error, "NotifyPointerMotionAbsolute", stream_, x, y)) return false;
    // Mutter takes the motion on another thread than the call: a press sent before the shell
    // has the pointer where it was moved lands where the pointer was.
    QDBusInterface test("org.penvo.Test", "/org/penvo/Test", "org.penvo.Test",
                        QDBusConnection::sessionBus());
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 2000) {
      const QDBusMessage at = test.call("Pointer");
      const QList<QVariant> xy = at.arguments();
      if (xy.size() == 2 && xy[0].toInt() == static_cast<int>(x) && xy[1].toInt() == static_cast<int>(y))
        return true;
    }
    return Fail(error, "the pointer did not get there");
  }
  bool Button(int button, bool pressed, std::string& error) {
    const int code = button == 3 ? BTN_RIGHT : button == 2 ? BTN_MIDDLE : BTN_LEFT;
    return Call(error, "NotifyPointerButton", code, pressed);
  }
  bool Key(std::string combo, std::string& error) {
    std::vector<xkb_keysym_t> mods;
    std::size_t plus;
    while ((plus = combo.find('+')) != std::string::npos && plus + 1 < combo.size()) {
      const std::string m = combo.substr(0, plus);
      combo.erase(0, plus + 1);
      mods.push_back(m == "ctrl" ? XKB_KEY_Control_L : m == "alt" ? XKB_KEY_Alt_L : XKB_KEY_Shift_L);
    }
    const xkb_keysym_t sym = xkb_keysym_from_name(combo.c_str(), XKB_KEYSYM_NO_FLAGS);
    if (sym == XKB_KEY_NoSymbol) return Fail(error, "no key " + QString::fromStdString(combo));
    bool ok = true;
    for (xkb_keysym_t m : mods) ok = ok && Keysym(m, true);
    ok = ok && Keysym(sym, true) && Keysym(sym, false);
    for (auto m = mods.rbegin(); m != mods.rend(); ++m) ok = Keysym(*m, false) && ok;
    if (!ok) return Fail(error, "the key was refused");
    return true;
  }

 private:
  bool Keysym(xkb_keysym_t sym, bool pressed) {
    std::string ignored;
    return Call(ignored, "NotifyKeyboardKeysym", static_cast<uint>(sym), pressed);
  }
  template <class... A>
  bool Call(std::string& error, const char* method, A... args) {
    if (!session_) return Fail(error, "no session");
    const QList<QVariant> list{QVariant::fromValue(args)...};
    const QDBusMessage reply = session_->callWithArgumentList(QDBus::Block, method, list);
    if (reply.type() == QDBusMessage::ErrorMessage) return Fail(error, reply.errorMessage());
    return true;
  }
  static bool Fail(std::string& error, const QString& why) {
    error = why.toStdString();
    return false;
  }

  QString rdPath_;
  QString stream_;
  std::unique_ptr<QDBusInterface> session_;
};

std::string Windows(std::string& error) {
  QDBusInterface test("org.penvo.Test", "/org/penvo/Test", "org.penvo.Test",
                      QDBusConnection::sessionBus());
  QDBusReply<QString> reply = test.call("Windows");
  if (!reply.isValid()) {
    error = reply.error().message().toStdString();
    return {};
  }
  return reply.value().toStdString();
}

void Screenshot(const std::string& file, std::string& error) {
  QDBusInterface test("org.penvo.Test", "/org/penvo/Test", "org.penvo.Test",
                      QDBusConnection::sessionBus());
  QDBusReply<void> reply = test.call("Screenshot", QString::fromStdString(file));
  if (!reply.isValid()) error = reply.error().message().toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: gnome_input WIDTH HEIGHT\n");
    return 2;
  }
  Remote remote;
  std::string error;
  if (!remote.Open(std::atoi(argv[1]), std::atoi(argv[2]), error)) {
    std::fprintf(stderr, "gnome_input: %s\n", error.c_str());
    return 1;
  }
  std::cout << "ready" << std::endl;
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    error.clear();
    std::string answer = "ok";
    if (verb == "move") {
      double x = 0, y = 0;
      in >> x >> y;
      remote.Move(x, y, error);
    } else if (verb == "down" || verb == "up") {
      int b = 1;
      in >> b;
      remote.Button(b, verb == "down", error);
    } else if (verb == "key") {
      std::string combo;
      in >> combo;
      remote.Key(combo, error);
    } else if (verb == "shot") {
      std::string file;
      in >> file;
      Screenshot(file, error);
    } else if (verb == "windows") {
      const std::string json = Windows(error);
      if (error.empty()) answer = "ok " + json;
    } else if (verb == "quit") {
      break;
    } else if (!verb.empty()) {
      error = "unknown command " + verb;
    }
    std::cout << (error.empty() ? answer : "error: " + error) << std::endl;
  }
  return 0;
}

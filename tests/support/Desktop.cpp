#include "support/Session.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>
#include <map>
#include <tuple>

namespace session {

namespace {

// The programs that each kind of desktop needs, and the Debian packages that bring them.
const std::map<Kind, std::pair<QStringList, const char*>> kTools = {
    {Kind::X11,
     {{QStringLiteral("Xvfb"), QStringLiteral("openbox"), QStringLiteral("xdotool"),
       QStringLiteral("xwininfo"), QStringLiteral("xprop"), QStringLiteral("import"),
       QStringLiteral("wmctrl"), QStringLiteral("dbus-daemon")},
      "xvfb openbox xdotool x11-utils imagemagick wmctrl dbus-daemon"}},
    {Kind::Wayland,
     {{QStringLiteral("sway"), QStringLiteral("swaymsg"), QStringLiteral("wayvnc"),
       QStringLiteral("grim"), QStringLiteral("setpriv"), QStringLiteral("dbus-daemon")},
      "sway wayvnc grim util-linux dbus-daemon qt6-wayland"}},
    {Kind::Gnome,
     {{"mutter", "Xwayland", "Xvfb", "xdotool", "import", "dbus-daemon"},
      "mutter xwayland xvfb xdotool imagemagick dbus-daemon"}},
    {Kind::Kde,
     {{"kwin_wayland", "Xvfb", "xdotool", "import", "dbus-daemon", "dbus-send"},
      "kwin-wayland kwin-style-breeze xvfb xdotool imagemagick dbus-daemon dbus-bin qt6-wayland"}},
    {Kind::Weston, {{"weston", "Xvfb", "xdotool", "import"}, "weston xvfb xdotool imagemagick"}},
    {Kind::Cage, {{"cage", "setpriv", "Xvfb", "import"}, "cage util-linux xvfb imagemagick"}},
    {Kind::I3, {{"i3", "Xvfb", "xdotool", "wmctrl", "import"}, "i3-wm xvfb xdotool wmctrl"}},
    {Kind::Wine,
     {{"wine", "wineserver", "Xvfb", "openbox", "xdotool", "xwininfo", "xprop", "import", "wmctrl",
       "dbus-daemon"},
      "wine wine64 fonts-wine xvfb openbox xdotool x11-utils imagemagick wmctrl dbus-daemon"}}};

// A desktop's own compositor in an Xvfb window, drawing in software: its command (%1: its Wayland
// display, %2: the Xvfb), its environment, its XDG_CURRENT_DESKTOP, what names its Xwayland's
// display in its output, and the bus name it takes once it handles input. As if under GDM,
// mutter takes :1024 or the next whose socket is free.
struct Nested {
  const char *command, *env, *desktop, *xdisplay, *busname = "";
};
const std::map<Kind, Nested> kNested = {
    {Kind::Gnome,
     {"mutter --wayland --nested --wayland-display=%1",
      "RUNNING_UNDER_GDM=1 MUTTER_DEBUG_DUMMY_MODE_SPECS=1024x768", "GNOME",
      "Using public X11 display (:[0-9]+)"}},
    {Kind::Kde,
     {"kwin_wayland --x11-display %2 --socket %1 --width 1024 --height 768 --no-lockscreen",
      // kwin listens before it handles input: a press or move until its workspace is up (and has
      // its bus name) is lost, and its pointer stays mid-screen, over the window to come.
      "KWIN_COMPOSE=Q", "KDE", "", "org.kde.KWin"}},
    // Smaller than the screen, so that the pointer can enter it from outside, as weston needs.
    {Kind::Weston,
     {"weston --backend=x11-backend.so --use-pixman --width=1000 --height=740 --socket=%1", "", "",
      ""}},
    // A kiosk runs one program; the game comes as a second client. It names its display itself.
    {Kind::Cage, {"cage -- sleep 3600", "WLR_BACKENDS=x11 WLR_RENDERER=pixman", "", ""}}};
constexpr const char* kNestedSocket = "wayland-0";

// sway with no real outputs or input devices, drawing in software, and no Xwayland of its own,
// which would take an X display. Windows get no borders, so a window is its client area.
constexpr const char* kSwayConfig =
    "xwayland disable\n"
    "swaynag_command -\n"
    "output HEADLESS-1 mode 1024x768 position 0 0 scale 1\n"
    "default_border none\n"
    "default_floating_border none\n"
    "focus_follows_mouse no\n";

// How long a hand holds the button down in a click.
constexpr unsigned long kHeldMs = 100;

std::map<Kind, std::unique_ptr<Desktop>>& shareddesktops() {
  static std::map<Kind, std::unique_ptr<Desktop>> desktops;
  return desktops;
}

// Reads the first line that a starting server writes, such as its display number or its bus
// address; empty when none came in time.
QByteArray firstline(QProcess& p, int ms) {
  QByteArray got;
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  while (!got.contains('\n') && Clock::now() < deadline && p.state() != QProcess::NotRunning) {
    p.waitForReadyRead(100);
    got += p.readAllStandardOutput();
  }
  return got.contains('\n') ? got.left(got.indexOf('\n')).trimmed() : QByteArray();
}

// Runs a program to its end with the given environment and standard input.
Output run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
           const QByteArray& input, int timeoutms) {
  Output o;
  QProcess p;
  p.setProcessEnvironment(env);
  ownprocess(p);
  p.start(program, args);
  if (!p.waitForStarted(timeoutms)) {
    o.err = QByteArrayLiteral("could not start ") + program.toUtf8();
    return o;
  }
  if (!input.isEmpty()) p.write(input);
  p.closeWriteChannel();
  return finish(p, p.waitForFinished(timeoutms));
}

// Reads exactly `n` bytes from a socket, waiting at most five seconds for each part.
QByteArray readexact(int fd, size_t n) {
  QByteArray got;
  char buffer[256];
  pollfd p{fd, POLLIN, 0};
  while (static_cast<size_t>(got.size()) < n && poll(&p, 1, 5000) == 1) {
    const ssize_t r =
        read(fd, buffer, std::min(sizeof buffer, n - static_cast<size_t>(got.size())));
    if (r <= 0) break;
    got.append(buffer, r);
  }
  return got;
}

// Connects to a VNC server on a local socket as a shared client with no security, as a viewer
// does, and asks for no pictures. Answers the connected socket, or -1.
int vncclient(const QString& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(path);
  if (fd < 0 || static_cast<size_t>(name.size()) >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, name.constData(), name.size());
  const auto send = [fd](const char* bytes, size_t n) { return write(fd, bytes, n) == ssize_t(n); };
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                  readexact(fd, 12).startsWith("RFB ") && send("RFB 003.008\n", 12);
  const QByteArray count = ok ? readexact(fd, 1) : QByteArray();
  const bool none = !count.isEmpty() && readexact(fd, uchar(count[0])).contains('\1');
  // Security "None", its result, then a shared session and the server's description of it.
  if (none && send("\1", 1) && readexact(fd, 4) == QByteArray(4, '\0') && send("\1", 1) &&
      readexact(fd, 24).size() == 24)
    return fd;
  close(fd);
  return -1;
}

}  // namespace

Desktop* Desktop::shared(Kind kind, std::string* why, bool* toolsmissing) {
  *toolsmissing = false;
  auto& slot = shareddesktops()[kind];
  if (slot) return slot.get();
  const auto& [tools, packages] = kTools.at(kind);
  if (const QStringList absent = missing(tools); !absent.isEmpty()) {
    *toolsmissing = true;
    *why = "the desktop tests need these programs, which are not installed: " +
           absent.join(QStringLiteral(", ")).toStdString() + " (Debian: " + packages + ")";
    return nullptr;
  }
  std::unique_ptr<Desktop> d(new Desktop(kind));
  if (!d->start(why)) return nullptr;
  slot = std::move(d);
  return slot.get();
}

QString Desktop::folder() { return QStringLiteral(POMURAN_BUILD_DIR "/session-XXXXXX"); }

void Desktop::stopshared() { shareddesktops().clear(); }

Desktop::~Desktop() {
  if (vnc_ >= 0) close(vnc_);
  stopwine();
  stopgroup(wm_);
  stopgroup(server_);
  stopgroup(bus_);
  // A service that the bus started, the portal's document store, may have left its mount there.
  const QString doc = home_.filePath(QStringLiteral("doc"));
  QFile mounts(QStringLiteral("/proc/self/mounts"));
  if (mounts.open(QIODevice::ReadOnly) && mounts.readAll().contains(' ' + doc.toUtf8() + ' '))
    QProcess::execute(QStringLiteral("fusermount3"),
                      {QStringLiteral("-u"), QStringLiteral("-z"), doc});
}

bool Desktop::start(std::string* why) {
  if (!home_.isValid()) {
    *why = "no temporary folder for the desktop session";
    return false;
  }
  env_ = QProcessEnvironment::systemEnvironment();
  // The game must find this desktop only: the test runner may ask for the offscreen platform.
  for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY", "QT_SCALE_FACTOR"})
    env_.remove(QString::fromLatin1(name));
  env_.insert(QString::fromLatin1(kMarker), QStringLiteral(POMURAN_BUILD_DIR " ") + home_.path());
  // Nothing reads or writes the user's own settings.
  env_.insert(QStringLiteral("HOME"), home_.path());
  env_.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
  env_.insert(QStringLiteral("XDG_CACHE_HOME"), home_.filePath(QStringLiteral("cache")));
  env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());
  // The services that the bus starts, such as the desktop portal, serve the desktop it names.
  if (kNested.contains(kind_))
    env_.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QLatin1String(kNested.at(kind_).desktop));
  return startbus(why) && (kind_ == Kind::Wine      ? startwine(why)
                           : x11()                  ? startx11(why)
                           : kind_ == Kind::Wayland ? startwayland(why)
                                                    : startnested(why));
}

// Without a session bus the toolkit has libdbus launch one of its own, which outlives the game.
bool Desktop::startbus(std::string* why) {
  launch(
      bus_, env_,
      {QStringLiteral("dbus-daemon"), QStringLiteral("--session"), QStringLiteral("--nofork"),
       QStringLiteral("--print-address=1"), QStringLiteral("--address=unix:dir=") + home_.path()},
      true);
  const QByteArray address = firstline(bus_, 10000);
  if (address.isEmpty()) {
    *why = "dbus-daemon did not start";
    return false;
  }
  env_.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromLatin1(address));
  return true;
}

bool Desktop::startxvfb(std::string* why) {
  // The server picks a free display itself and writes its number to standard output, so
  // several test programs and other sessions on this machine never collide.
  launch(server_, env_,
         {QStringLiteral("Xvfb"), QStringLiteral("-displayfd"), QStringLiteral("1"),
          QStringLiteral("-screen"), QStringLiteral("0"),
          // Room for the Windows program at twice its size.
          kind_ == Kind::Wine ? QStringLiteral("1280x1024x24")
                              : QStringLiteral("%1x%2x24").arg(kScreenW).arg(kScreenH),
          QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")},
         true);
  const QByteArray number = firstline(server_, 15000);
  if (number.isEmpty()) {
    *why = "Xvfb did not start";
    return false;
  }
  env_.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(number));
  return true;
}

bool Desktop::startx11(std::string* why) {
  if (!startxvfb(why)) return false;
  launch(wm_, env_,
         kind_ == Kind::I3 ? QStringList{"i3", "-c", "/dev/null"}
                           : QStringList{"openbox", "--sm-disable"});
  // A window manager announces itself with this root property once it manages the screen.
  const auto managing = [&] {
    const Output o = tool(QStringLiteral("xprop"),
                          {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    return o.code == 0 && o.out.contains("window id");
  };
  if (!wm_.waitForStarted(10000) ||
      !waituntil(managing, [&](bool m) { return m || wm_.state() == QProcess::NotRunning; })) {
    *why = "the window manager did not take over the display";
    return false;
  }
  // The pointer waits in a corner, away from where windows are placed.
  pointer(QPoint(kScreenW - 1, kScreenH - 1));
  return true;
}

// A Wine prefix of the session's own, made afresh in the build folder, where Wine also finds
// its home and XDG folders: nothing is written anywhere else, and no menu entry is made.
bool Desktop::startwine(std::string* why) {
  if (!startx11(why)) return false;
  wine_ = std::make_unique<QTemporaryDir>(QStringLiteral(POMURAN_BUILD_DIR "/wine-XXXXXX"));
  const QDir top(wine_->path());
  env_.insert(QStringLiteral("WINEPREFIX"), top.filePath(QStringLiteral("prefix")));
  env_.insert(QStringLiteral("HOME"), top.filePath(QStringLiteral("home")));
  for (const char* xdg : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
    env_.insert(QString::fromLatin1(xdg), top.filePath(QString::fromLatin1(xdg)));
  env_.insert(QStringLiteral("WINEDLLOVERRIDES"),
              QStringLiteral("winemenubuilder.exe=d;mscoree=d;mshtml=d"));
  env_.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
  // Once in many runs Wine's first start in a fresh prefix ended at once without a word, so it
  // gets a second try.
  Output made;
  for (int tries = 0; tries < 2 && made.code != 0; ++tries)
    made = tool(QStringLiteral("wine"), {QStringLiteral("wineboot"), QStringLiteral("-i")}, {},
                120000);
  const Output settled = tool(QStringLiteral("wineserver"), {QStringLiteral("-w")}, {}, 120000);
  // Debian's Wine looks for its own fonts elsewhere: without Marlett its window buttons show
  // letters.
  const QString fonts = top.filePath(QStringLiteral("prefix/drive_c/windows/Fonts/marlett.ttf"));
  QFile::copy(QStringLiteral("/usr/share/wine/fonts/marlett.ttf"), fonts);
  if (made.code == 0 && settled.finished) return true;
  *why = "wineboot could not make a prefix (status " + std::to_string(made.code) +
         "): " + made.out.toStdString() + made.err.toStdString();
  return false;
}

// Ends every Windows process of the prefix and its wineserver before the display goes.
void Desktop::stopwine() {
  if (!wine_) return;
  tool(QStringLiteral("wineserver"), {QStringLiteral("-k")});
  tool(QStringLiteral("wineserver"), {QStringLiteral("-w")});
  wine_.reset();
}

Output Desktop::tool(const QString& program, const QStringList& args, const QByteArray& input,
                     int timeoutms) const {
  return run(program, args, env_, input, timeoutms);
}

void Desktop::pointer(QPoint at) const {
  if (kind_ == Kind::Wayland) {
    // Aimed at the pixel's top-left corner: with Qt 6.8 a position further into the playfield's
    // last column reaches the window instead of the playfield.
    sway({QStringLiteral("seat"), QStringLiteral("-"), QStringLiteral("cursor"),
          QStringLiteral("set"), QString::number(at.x()), QString::number(at.y())});
    return;
  }
  // mutter finds what is under a moved pointer only at its next frame, which draws the pointer
  // there; a press before that frame would go to what was under the pointer before. The other
  // desktops find it as they take the move, which comes to them before any later press.
  const bool frame = kind_ == Kind::Gnome && at != pointed_ && wm_.state() == QProcess::Running;
  const QRect spot = QRect(at, QSize(8, 8)) & QRect(0, 0, kScreenW, kScreenH);
  const QImage before = frame ? shot(spot) : QImage();
  tool(QStringLiteral("xdotool"),
       {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y())});
  pointed_ = at;
  // Should it draw no pointer there, nothing would announce the frame: then the wait ends.
  if (frame) waituntil([&] { return shot(spot); }, [&](const QImage& s) { return s != before; }, 5);
}

void Desktop::click(QPoint at) const {
  pointer(at);
  if (kind_ == Kind::Wayland) {
    for (const char* how : {"press", "release"})
      sway({QStringLiteral("seat"), QStringLiteral("-"), QStringLiteral("cursor"),
            QString::fromLatin1(how), QStringLiteral("button1")});
    return;
  }
  if (kind_ == Kind::Gnome) {
    // Given a press and its release back to back, mutter 48 closes a list's open popup without
    // passing either on; a hand holds the button a while. No move while it is held: in a nested
    // mutter each move leaves and enters the surface under the pointer, and the popup goes too.
    tool(QStringLiteral("xdotool"), {QStringLiteral("mousedown"), QStringLiteral("1")});
    QThread::msleep(kHeldMs);
    tool(QStringLiteral("xdotool"), {QStringLiteral("mouseup"), QStringLiteral("1")});
    taken(at);
    return;
  }
  tool(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("--delay"),
                                   QStringLiteral("0"), QStringLiteral("1")});
  taken(at);
}

void Desktop::taken(QPoint at) const {
  // mutter takes input at its next frame, for whatever is under the pointer by then: a frame
  // that draws the pointer a pixel on comes after it has taken what was sent before.
  if (kind_ == Kind::Gnome) pointer(at + QPoint(1, 0));
}

QImage Desktop::shot(QRect area) const {
  const auto [x, y, w, h] = std::tuple(area.x(), area.y(), area.width(), area.height());
  const QString crop = QStringLiteral("%1x%2+%3+%4").arg(w).arg(h).arg(x).arg(y);
  const Output o =
      kind_ == Kind::Wayland
          ? tool(QStringLiteral("grim"),
                 {QStringLiteral("-g"), QStringLiteral("%1,%2 %3x%4").arg(x).arg(y).arg(w).arg(h),
                  QStringLiteral("-")})
          : tool(QStringLiteral("import"),
                 {QStringLiteral("-silent"), QStringLiteral("-window"), QStringLiteral("root"),
                  QStringLiteral("-crop"), crop, QStringLiteral("-depth"), QStringLiteral("8"),
                  QStringLiteral("ppm:-")});
  const QImage s = QImage::fromData(o.out, kind_ == Kind::Wayland ? "PNG" : "PPM")
                       .convertToFormat(QImage::Format_RGB32);
  return s.size() == area.size() ? s : QImage();
}

Output Desktop::sway(const QStringList& args) const {
  return tool(QStringLiteral("swaymsg"), args);
}

// sway refuses to run as root; as root the compositor and its pointer run as nobody, in the
// session's folder handed over to that user. The game and the tools still reach them as root.
QStringList Desktop::unprivileged(const QStringList& command) const {
  if (geteuid() != 0) return command;
  return QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
                     QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                     QStringLiteral("--")} +
         command;
}

bool Desktop::handover(std::string* why) {
  const passwd* nobody = getpwnam("nobody");
  if (geteuid() == 0 && (nobody == nullptr || chown(home_.path().toLocal8Bit().constData(),
                                                    nobody->pw_uid, nobody->pw_gid) != 0)) {
    *why = "the session's folder cannot be handed to the user nobody";
    return false;
  }
  return true;
}

bool Desktop::startwayland(std::string* why) {
  const QString runtime = home_.path();
  if (!handover(why)) return false;
  QFile config(home_.filePath(QStringLiteral("sway.conf")));
  if (!config.open(QIODevice::WriteOnly) || config.write(kSwayConfig) < 0) {
    *why = "cannot write sway's configuration";
    return false;
  }
  config.close();
  config.setPermissions(config.permissions() | QFileDevice::ReadOther);
  QProcessEnvironment env = env_;
  env.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
  env.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
  env.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
  launch(server_, env,
         unprivileged({QStringLiteral("sway"), QStringLiteral("-c"), config.fileName()}));
  // sway names its display and its control socket in the runtime folder once it listens.
  QDir dir(runtime);
  const auto listening = [&] {
    const QStringList display = dir.entryList({QStringLiteral("wayland-[0-9]")}, QDir::System);
    const QStringList ipc = dir.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
    if (display.isEmpty() || ipc.isEmpty()) return false;
    env_.insert(QStringLiteral("WAYLAND_DISPLAY"), display.front());
    env_.insert(QStringLiteral("SWAYSOCK"), dir.filePath(ipc.front()));
    env_.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    return sway({QStringLiteral("-t"), QStringLiteral("get_version")}).code == 0;
  };
  if (!waituntil(listening, [&](bool l) { return l || server_.state() == QProcess::NotRunning; })) {
    *why = "sway did not start";
    return false;
  }
  // Without an input device the seat has no pointer; wayvnc gives it a virtual one. It listens
  // on a socket in the session's folder only.
  launch(wm_, env_,
         unprivileged({QStringLiteral("wayvnc"), QStringLiteral("-C"), QStringLiteral("/dev/null"),
                       QStringLiteral("-u"), QStringLiteral("-o"), QStringLiteral("HEADLESS-1"),
                       dir.filePath(QStringLiteral("vnc.sock"))}));
  // wayvnc 0.9 makes the pointer only while a viewer is connected; older ones make it at once.
  const auto pointing = [&] {
    if (vnc_ < 0 && dir.exists(QStringLiteral("vnc.sock")))
      vnc_ = vncclient(dir.filePath(QStringLiteral("vnc.sock")));
    const QJsonArray seats =
        QJsonDocument::fromJson(sway({QStringLiteral("-t"), QStringLiteral("get_seats")}).out)
            .array();
    return !seats.isEmpty() && (seats[0].toObject()[QStringLiteral("capabilities")].toInt() & 1);
  };
  if (!waituntil(pointing, [&](bool p) { return p || wm_.state() == QProcess::NotRunning; })) {
    *why = "wayvnc gave sway's seat no pointer";
    return false;
  }
  pointer(QPoint(kScreenW - 1, kScreenH - 1));
  return true;
}

bool Desktop::startnested(std::string* why) {
  const Nested& row = kNested.at(kind_);
  if (!startxvfb(why)) return false;
  // A compositor draws its own pointer where the X one was: in a corner, off any window.
  pointer(QPoint(kScreenW - 1, kScreenH - 1));
  QStringList command = QString::fromLatin1(row.command)
                            .replace(QLatin1String("%1"), QLatin1String(kNestedSocket))
                            .replace(QLatin1String("%2"), env_.value(QStringLiteral("DISPLAY")))
                            .split(QLatin1Char(' '));
  // A copy of the program drops file capabilities, which a container may refuse.
  const QString copy = home_.filePath(command.front());
  QFile::copy(QStandardPaths::findExecutable(command.front()), copy);
  command.front() = copy;
  if (kind_ == Kind::Cage && !handover(why)) return false;
  if (kind_ == Kind::Cage) command = unprivileged(command);
  QProcessEnvironment env = env_;
  env.insert(environment(QStringLiteral("LIBGL_ALWAYS_SOFTWARE=1 XDG_SESSION_TYPE=wayland ") +
                         QLatin1String(row.env)));
  const QString log = home_.filePath(QStringLiteral("compositor.log"));
  launch(wm_, env, command, false, log);
  gameenv_ = env_;
  gameenv_.remove(QStringLiteral("DISPLAY"));
  gameenv_.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
  gameenv_.insert(QStringLiteral("WAYLAND_DISPLAY"), QLatin1String(kNestedSocket));
  QFile output(log);
  output.open(QIODevice::ReadOnly);
  QString said;
  const auto ready = [&] {
    const bool listens = QFile::exists(home_.filePath(QLatin1String(kNestedSocket)));
    said += QString::fromLocal8Bit(output.readAll());
    const auto x = QRegularExpression(QLatin1String(row.xdisplay)).match(said);
    const QStringList auth =
        QDir(home_.path())
            .entryList({QStringLiteral("*Xwaylandauth*")}, QDir::Files | QDir::Hidden);
    if (!listens || (*row.xdisplay && (!x.hasMatch() || auth.isEmpty()))) return false;
    if (*row.busname && !tool(QStringLiteral("dbus-send"),
                              {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                               QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/"),
                               QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                               QLatin1String("string:") + QLatin1String(row.busname)})
                             .out.contains("true"))
      return false;
    if (*row.xdisplay) {
      gameenv_.insert(QStringLiteral("DISPLAY"), x.captured(1));
      gameenv_.insert(QStringLiteral("XAUTHORITY"), home_.filePath(auth[0]));
    }
    return true;
  };
  if (!waituntil(ready, [&](bool r) { return r || wm_.state() == QProcess::NotRunning; })) {
    *why = command.front().toStdString() + " did not start: " + said.right(400).toStdString();
    return false;
  }
  // It may hold pointer motion back from clients until a first press: one on the desktop.
  click(QPoint(kScreenW - 1, kScreenH - 1));
  return true;
}

}  // namespace session

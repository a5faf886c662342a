#include "support/Session.h"
#include "game/Constants.h"
#include "support/Compare.h"
#include "support/Expected.h"
#include "ui/qt/Layout.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <tuple>
#include <vector>

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

constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;
// How long a hand holds the button down in a click.
constexpr unsigned long kHeldMs = 100;

std::map<Kind, std::unique_ptr<Desktop>>& shareddesktops() {
  static std::map<Kind, std::unique_ptr<Desktop>> desktops;
  return desktops;
}

QStringList missing(const QStringList& tools) {
  QStringList absent;
  for (const QString& t : tools) {
    if (QStandardPaths::findExecutable(t).isEmpty()) absent << t;
  }
  return absent;
}

// Starts a process of the session: its own process group, its output kept only if asked for.
void launch(QProcess& p, const QProcessEnvironment& env, const QStringList& command,
            bool output = false, const QString& log = QProcess::nullDevice()) {
  p.setProcessEnvironment(env);
  ownprocess(p);
  if (!output) p.setStandardOutputFile(QProcess::nullDevice());
  p.setStandardErrorFile(log);
  p.start(command.front(), command.mid(1));
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

// The value after a "Label:" in xwininfo's report, or -1.
int infofield(const QByteArray& report, const char* label) {
  for (const QByteArray& line : report.split('\n')) {
    const QByteArray l = line.trimmed();
    if (l.startsWith(label)) return l.mid(qstrlen(label)).trimmed().toInt();
  }
  return -1;
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

double seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

bool inci() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::strcmp(ci, "true") == 0;
}

Output finish(QProcess& p, bool finished) {
  Output o;
  o.finished = finished;
  if (!o.finished) stopgroup(p);
  o.crashed = p.exitStatus() == QProcess::CrashExit;
  o.code = p.exitCode();
  o.out = p.readAllStandardOutput();
  o.err = p.readAllStandardError();
  return o;
}

void ownprocess(QProcess& p) {
  p.setChildProcessModifier([] {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
  });
}

void stopgroup(QProcess& p) {
  const auto pid = static_cast<pid_t>(p.processId());
  if (pid <= 0) return;
  if (p.state() != QProcess::NotRunning) {
    ::kill(-pid, SIGTERM);
    if (!p.waitForFinished(3000)) {
      ::kill(-pid, SIGKILL);
      p.waitForFinished(3000);
    }
  }
  // Whatever the leader left behind in its group goes too.
  ::kill(-pid, SIGKILL);
}

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

std::string describe(const std::optional<Seen>& s) {
  if (!s) return "no valid playfield";
  return "paddle x " + std::to_string(s->paddlex) + ", ball at (" + std::to_string(s->ballx) +
         ", " + std::to_string(s->bally) + ")";
}

namespace {

// The ball's box in a picture of the playfield, found by its blue pixels, which reach its left
// column and its top row; empty when there is none.
QRect ballin(const QImage& field) {
  constexpr QRgb kBlue = render::rgb(0x0000FF);
  int bx = INT_MAX;
  int by = INT_MAX;
  for (int y = 0; y < field.height(); ++y) {
    for (int x = 0; x < field.width(); ++x) {
      if (field.pixel(x, y) != kBlue) continue;
      bx = std::min(bx, x);
      by = std::min(by, y);
    }
  }
  return bx == INT_MAX ? QRect() : QRect(bx, by, game::kBallW, game::kBallH);
}

// The paddle's left edge: where its picture matches the field wherever the ball does not cover
// it; -1 when it is nowhere. Only the paddle's rows are read.
int paddlein(const QImage& field, const QRect& ball, int from = 0) {
  const QImage paddle = ui::picture(QStringLiteral("paddle"));
  for (int px = from; px <= game::kFieldWidth - game::kPaddleW; ++px) {
    bool fits = true;
    for (int y = 0; fits && y < paddle.height(); ++y)
      for (int x = 0; fits && x < paddle.width(); ++x)
        fits = ball.contains(px + x, game::kPaddleY + y) ||
               field.pixel(px + x, game::kPaddleY + y) == paddle.pixel(x, y);
    if (fits) return px;
  }
  return -1;
}

}  // namespace

std::optional<Seen> readfield(const QImage& field) {
  if (field.size() != ui::layout::kPlayfield.size()) return std::nullopt;
  const QRect ball = ballin(field);
  if (ball.isEmpty()) return std::nullopt;
  for (int px = paddlein(field, ball); px >= 0; px = paddlein(field, ball, px + 1)) {
    if (frames::image(expected::field(px, game::kPaddleY, ball.x(), ball.y())) == field)
      return Seen{px, ball.x(), ball.y()};
  }
  return std::nullopt;
}

Game::Game(const Desktop& desktop)
    : desktop_(desktop), errors_(QStringLiteral(POMURAN_BUILD_DIR "/game-XXXXXX.err")) {}

Game::~Game() {
  if (process_.state() != QProcess::NotRunning) stopgroup(process_);
}

bool Game::start(const QString& program, std::string* why, const QProcessEnvironment& extra,
                 const QStringList& args) {
  // The pointer waits off the window, so that the game sees no move before the test's own.
  desktop_.pointer(QPoint(kScreenW - 1, kScreenH - 1));
  QProcessEnvironment env = desktop_.gameenv();
  for (const QString& name : extra.keys()) env.insert(name, extra.value(name));
  process_.setProcessEnvironment(env);
  ownprocess(process_);
  if (errors_.open()) process_.setStandardErrorFile(errors_.fileName());
  if (desktop_.kind() == Kind::Wine)
    process_.start(QStringLiteral("wine"), QStringList{program} + args);
  else
    process_.start(program, args);
  if (!process_.waitForStarted(10000)) {
    *why = "the game did not start: " + process_.errorString().toStdString();
    return false;
  }
  if (desktop_.x11()) return findx11(why);
  return desktop_.kind() == Kind::Wayland ? findwayland(why) : findframe(why);
}

QRect Game::find(const QImage& want, bool anyplay) const {
  const QImage screen = desktop_.shot(QRect(0, 0, kScreenW, kScreenH));
  const QRect field = ui::layout::kPlayfield;
  // A few pixels of the panel's frame and, where the field must match, the resting ball's
  // centre rule out nearly every place cheaply.
  QList<QPoint> marks = {{0, 0}, {496, 352}, {7, 7}, {489, 313}};
  if (!anyplay) marks << QPoint(228, 260);
  for (int y = 0; y + want.height() <= screen.height(); ++y)
    for (int x = 0; x + want.width() <= screen.width(); ++x) {
      const QPoint at(x, y);
      if (!std::all_of(marks.begin(), marks.end(),
                       [&](QPoint m) { return screen.pixel(at + m) == want.pixel(m); }))
        continue;
      const QImage shown = screen.copy({at, want.size()});
      QImage expect = want;
      // Any play: whatever paddle and ball the field shows, drawn exactly.
      if (anyplay && !readfield(shown.copy(field))) continue;
      if (anyplay)
        for (int fy = field.top(); fy <= field.bottom(); ++fy)
          for (int fx = field.left(); fx <= field.right(); ++fx)
            expect.setPixel(fx, fy, shown.pixel(fx, fy));
      if (frames::comparewindow(shown, expect).wrong == 0) return {at, want.size()};
    }
  return QRect();
}

// A nested desktop's window is found where its exact first frame shows on the screen.
bool Game::findframe(std::string* why) {
  // The desktop may show it before placing or decorating it: two pictures in a row must agree.
  const QImage first = expected::window(expected::firstfield());
  client_ = waitsettled([&] { return find(first); },
                        [&](const QRect& at) { return !at.isEmpty() || !running(); });
  if (!client_.isEmpty()) return true;
  // What the screen showed instead is kept beside the tests.
  const QString seen = QStringLiteral(POMURAN_BUILD_DIR "/e2e-unfound-%1.png").arg(pid());
  desktop_.shot(QRect(0, 0, kScreenW, kScreenH)).save(seen);
  // Where a log is all there is to read, it says whether the window showed with other play.
  const QRect other = find(first, true);
  const std::string play =
      other.isEmpty() ? "nowhere"
                      : describe(readfield(desktop_.shot(other).copy(ui::layout::kPlayfield)));
  *why = "the game's first frame did not show in " + std::to_string(int(kPatience)) + " s" +
         ending() + " (its window with other play: " + play + "), the screen is in " +
         seen.toStdString() + "; it wrote: " + errors().toStdString();
  return false;
}

QJsonObject Game::node() const {
  const Output tree = desktop_.sway({QStringLiteral("-t"), QStringLiteral("get_tree")});
  std::function<QJsonObject(const QJsonObject&)> find = [&](const QJsonObject& n) {
    if (n[QStringLiteral("pid")].toInteger() == pid()) return n;
    for (const char* kids : {"nodes", "floating_nodes"})
      for (const QJsonValue& k : n[QString::fromLatin1(kids)].toArray())
        if (QJsonObject found = find(k.toObject()); !found.isEmpty()) return found;
    return QJsonObject();
  };
  return find(QJsonDocument::fromJson(tree.out).object());
}

bool Game::findwayland(std::string* why) {
  const auto shown = [&] {
    const QJsonObject n = node();
    const bool drawn = n[QStringLiteral("window_rect")].toObject()[QStringLiteral("width")].toInt();
    return drawn ? n : QJsonObject();
  };
  QJsonObject n =
      waituntil(shown, [&](const QJsonObject& n) { return !n.isEmpty() || !running(); });
  if (n.isEmpty()) {
    *why = "the game's window did not show in sway's tree in " + std::to_string(int(kPatience)) +
           " s" + ending() + "; it wrote: " + errors().toStdString();
    return false;
  }
  window_ = QString::number(n[QStringLiteral("id")].toInteger());
  // sway centres a floating window, at half a pixel for an odd width, and reports whole pixels;
  // at a whole-pixel place the pointer lands on the pixel that a test aims at. sway has moved it
  // once the command returns.
  const QJsonObject centred = n[QStringLiteral("rect")].toObject();
  desktop_.sway({QStringLiteral("[con_id=%1]").arg(window_), QStringLiteral("move"),
                 QStringLiteral("absolute"), QStringLiteral("position"),
                 QString::number(centred[QStringLiteral("x")].toInt()),
                 QString::number(centred[QStringLiteral("y")].toInt())});
  n = node();
  const QJsonObject r = n[QStringLiteral("rect")].toObject();
  const QJsonObject w = n[QStringLiteral("window_rect")].toObject();
  client_ = QRect(r[QStringLiteral("x")].toInt() + w[QStringLiteral("x")].toInt(),
                  r[QStringLiteral("y")].toInt() + w[QStringLiteral("y")].toInt(),
                  w[QStringLiteral("width")].toInt(), w[QStringLiteral("height")].toInt());
  return true;
}

bool Game::findx11(std::string* why) {
  // Debian 12's xdotool ends a search with BadWindow when any window goes while it looks, as
  // windows do while programs start on a busy machine: the search is asked again, not waited in.
  const auto search = [&] {
    return desktop_.tool(
        QStringLiteral("xdotool"),
        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--all"),
         QStringLiteral("--pid"), QString::number(pid())});
  };
  const Output found =
      waituntil(search, [&](const Output& o) { return !o.out.trimmed().isEmpty() || !running(); });
  window_ = QString::fromLatin1(found.out.split('\n').value(0).trimmed());
  if (window_.isEmpty()) {
    *why = "the game's window did not show in " + std::to_string(int(kPatience)) + " s" + ending() +
           " (xdotool: " + found.err.trimmed().toStdString() +
           "); it wrote: " + errors().toStdString();
    return false;
  }
  client_ = geometry();
  if (client_.width() <= 0 || client_.height() <= 0) {
    *why = "xwininfo could not read the window";
    return false;
  }
  return true;
}

QRect Game::geometry() const {
  const Output info = desktop_.tool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window_});
  return QRect(infofield(info.out, "Absolute upper-left X:"),
               infofield(info.out, "Absolute upper-left Y:"), infofield(info.out, "Width:"),
               infofield(info.out, "Height:"));
}

QByteArray Game::errors() const {
  QFile written(errors_.fileName());
  return written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
}

std::string Game::ending() const {
  if (running()) return " (the program is still running)";
  return " (the program ended with status " + std::to_string(exitcode()) +
         (crashed() ? ", by a signal)" : ")");
}

QPoint Game::fieldpoint(int fx, int fy) const {
  return screenpoint(ui::layout::kPlayfield.x() + fx, ui::layout::kPlayfield.y() + fy);
}

QImage Game::field() const { return part(ui::layout::kPlayfield); }

int Game::startround(int fx, int fy) const {
  clickfield(fx, fy);
  // The pointer stays where it pressed; a compositor may draw it over the playfield, where it
  // hides no blue pixel of the ball.
  constexpr int kRest = game::kPaddleY - game::kBallH;
  const auto left = [](const QRect& b) { return !b.isEmpty() && b.y() < kRest - 10; };
  const QRect ball = waituntil([&] { return ballin(field()); }, left);
  return left(ball) ? ball.y() : -1;
}

std::optional<Seen> Game::waitfield(const std::function<bool(const Seen&)>& done,
                                    double seconds) const {
  return waituntil([&] { return readfield(field()); },
                   [&](const std::optional<Seen>& seen) { return seen && done(*seen); }, seconds,
                   0);
}

long Game::waitwindow(const QImage& want, double scale, std::string* first, double seconds) {
  // The window may show before its first paint reaches the screen.
  const frames::Result r = waituntil(
      [&] {
        return frames::comparewindow(desktop_.shot(QRect(client_.topLeft(), client_.size())), want,
                                     scale);
      },
      [](const frames::Result& r) { return r.wrong == 0; }, seconds, 0);
  *first = r.first;
  return r.wrong;
}

bool Game::waitexit(int ms) {
  if (process_.state() == QProcess::NotRunning) return true;
  return process_.waitForFinished(ms);
}

bool ScreenReader::start(std::string* why, bool* toolsmissing) {
  const QStringList absent =
      missing({QStringLiteral("orca"), QStringLiteral("speech-dispatcher"),
               QStringLiteral("/usr/lib/speech-dispatcher-modules/sd_espeak-ng"),
               QStringLiteral("script"), QStringLiteral("unshare"), QStringLiteral("xdotool")});
  *toolsmissing = !absent.isEmpty();
  if (*toolsmissing) {
    *why = "the screen reader test needs " + absent.join(QStringLiteral(", ")).toStdString() +
           " (Debian: orca speech-dispatcher-espeak-ng bsdutils util-linux xdotool)";
    return false;
  }
  // Without a sound card, speech goes to libao's null driver, set up in the session's home.
  const QDir home(desktop_.env().value(QStringLiteral("HOME")));
  home.mkpath(QStringLiteral("config/speech-dispatcher"));
  home.mkpath(QStringLiteral(".local/share/orca"));
  QFile conf(home.filePath(QStringLiteral("config/speech-dispatcher/speechd.conf")));
  QFile libao(home.filePath(QStringLiteral(".libao")));
  // Orca reads a web page from its top as it loads, moving its caret, and a key pressed meanwhile
  // starts from there rather than from the element the page gave the focus: a player who wants
  // to go by the focus turns that off, as the tests do.
  QFile custom(home.filePath(QStringLiteral(".local/share/orca/orca-customizations.py")));
  if (!conf.open(QIODevice::WriteOnly) || !libao.open(QIODevice::WriteOnly) ||
      !custom.open(QIODevice::WriteOnly) ||
      conf.write("AudioOutputMethod \"libao\"\nAddModule \"espeak-ng\" \"sd_espeak-ng\" "
                 "\"espeak-ng.conf\"\nDefaultModule espeak-ng\n") < 0 ||
      libao.write("default_driver=null\n") < 0 ||
      custom.write("import orca.settings\norca.settings.sayAllOnLoad = False\n") < 0) {
    *why = "cannot write the speech settings";
    return false;
  }
  conf.close();
  libao.close();
  custom.close();
  // Orca would stop or kill every other Orca of this user, the player's own too: it gets a
  // process namespace where it is alone, and everything in it ends with it. Only a user other
  // than root needs a user namespace for that, which a chroot forbids. Orca writes its log line
  // by line only to a terminal.
  QStringList alone{QStringLiteral("unshare"), QStringLiteral("--pid"), QStringLiteral("--fork"),
                    QStringLiteral("--kill-child"), QStringLiteral("--mount-proc")};
  if (geteuid() != 0)
    alone << QStringLiteral("--user") << QStringLiteral("--map-user=%1").arg(geteuid())
          << QStringLiteral("--map-group=%1").arg(getegid());
  log_ = home.filePath(QStringLiteral("orca.log"));
  launch(orca_, desktop_.env(),
         alone + QStringList{QStringLiteral("script"), QStringLiteral("-q"), QStringLiteral("-f"),
                             QStringLiteral("-c"), QStringLiteral("orca --debug-file=/dev/tty"),
                             log_});
  if (waitfor(QStringLiteral("Screen reader on"), 0) >= 0) return true;
  *why = "Orca did not start speaking in " + std::to_string(int(kPatience)) + " s";
  return false;
}

ScreenReader::~ScreenReader() { stopgroup(orca_); }

QStringList ScreenReader::spoken() const {
  static const QRegularExpression said(QStringLiteral("SPEECH OUTPUT: '(.*)' ?[[{]"));
  QFile log(log_);
  QStringList all;
  if (!log.open(QIODevice::ReadOnly)) return all;
  for (const QByteArray& line : log.readAll().split('\n')) {
    const QRegularExpressionMatch m = said.match(QString::fromUtf8(line));
    if (m.hasMatch()) all << m.captured(1);
  }
  return all;
}

int ScreenReader::waitfor(const QRegularExpression& heard, qsizetype from, double seconds) const {
  const auto where = [&] {
    QString said;
    std::vector<qsizetype> starts;  // where each utterance begins in `said`
    for (const QString& u : spoken().mid(from)) {
      if (!starts.empty()) said += QStringLiteral(" | ");
      starts.push_back(said.size());
      said += u;
    }
    const QRegularExpressionMatch m = heard.match(said);
    if (!m.hasMatch()) return -1;
    const auto at = std::upper_bound(starts.begin(), starts.end(), m.capturedStart()) - 1;
    return static_cast<int>(from + (at - starts.begin()));
  };
  const auto heardit = [](int at) { return at >= 0; };
  return waituntil(where, heardit, seconds);
}

int ScreenReader::quiet() const {
  // Orca pauses between what one key makes it say well within this.
  return waitsettled([&] { return static_cast<int>(spoken().size()); }, [](int) { return true; },
                     kPatience, 700);
}

}  // namespace session

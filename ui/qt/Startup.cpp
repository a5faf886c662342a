#include "ui/qt/Startup.h"
#include "ui/CommandLine.h"
#include "ui/qt/Workarounds.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStringList>
#include <QVersionNumber>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

namespace {

// The write end of the pipe that carries a quit request from a signal handler to the event loop.
volatile sig_atomic_t quitwriter = -1;

// Only async-signal-safe calls are allowed here, so the handler just leaves a byte in the pipe.
void onquitsignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a pending quit, so a failed write loses nothing.
  [[maybe_unused]] const ssize_t written = write(quitwriter, &byte, 1);
  errno = saved;
}

// Turns SIGINT and SIGTERM into an ordinary quit of the event loop, so that the program shuts
// down as it does when the player closes the window and ends with status 0. The handlers go in
// before the toolkit starts; a signal that comes before the loop runs waits in the pipe.
class QuitPipe {
 public:
  QuitPipe() {
    if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    quitwriter = fds_[1];
    struct sigaction action = {};
    action.sa_handler = onquitsignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals) sigaction(s, &action, nullptr);
  }

  // Once the loop is over, a further signal ends the program the usual way.
  ~QuitPipe() {
    for (int s : kSignals) std::signal(s, SIG_DFL);
    quitwriter = -1;
    for (int fd : fds_) {
      if (fd >= 0) close(fd);
    }
  }

  QuitPipe(const QuitPipe&) = delete;
  QuitPipe& operator=(const QuitPipe&) = delete;

  // Watches the pipe from the event loop. The notifier needs the application object for its
  // event dispatcher, so it is made after it and must be destroyed before it.
  std::unique_ptr<QSocketNotifier> listen() {
    if (fds_[0] < 0) return nullptr;
    auto notifier = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [fd = fds_[0]] {
      char bytes[64];
      while (read(fd, bytes, sizeof bytes) > 0) {
      }
      QCoreApplication::quit();
    });
    return notifier;
  }

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM};

  int fds_[2] = {-1, -1};
};

bool isset(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Without a chosen platform the toolkit looks for an X or Wayland display; when there is none it
// aborts with a long message and a core dump, so the program says what is missing instead.
bool displayfound() {
  return isset("QT_QPA_PLATFORM") || isset("DISPLAY") || isset("WAYLAND_DISPLAY");
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) about "=" + std::string when optimising.
std::string variable(const char* name) {
  const char* value = std::getenv(name);
  std::string said(name);
  said += value ? "=" : " unset";
  if (value) said += printable(value);
  return said;
}

// The toolkit's messages while it starts. When no platform can be started it prints several
// lines that advise reinstalling and aborts with a core dump; the game holds the messages back
// and, on that failure, says in one line what it tried instead and ends with status 1.
// Libraries below the toolkit may write to the standard error themselves (the Wayland client
// library does), so that is held too, in memory, and passed on only when the start succeeds.
struct StartupMessages {
  struct Held {
    QtMsgType type;
    QByteArray category;
    QString text;
  };
  std::vector<Held> held;
  QStringList platforms;  // the platform plugins that the toolkit tried
  QtMessageHandler previous = nullptr;
  int stderrcopy = -1;  // the real standard error while it is held
  int stderrheld = -1;  // what was written to it meanwhile

  void holdstderr() {
    stderrheld = memfd_create("pomuran-stderr", MFD_CLOEXEC);
    stderrcopy = stderrheld < 0 ? -1 : fcntl(2, F_DUPFD_CLOEXEC, 3);
    if (stderrcopy >= 0) dup2(stderrheld, 2);
  }

  // Gives the standard error back, with what was held in it when `pass` is set.
  void releasestderr(bool pass) {
    if (stderrcopy < 0) return;
    dup2(stderrcopy, 2);
    close(stderrcopy);
    stderrcopy = -1;
    char bytes[4096];
    ssize_t n = 0;
    lseek(stderrheld, 0, SEEK_SET);
    while (pass && (n = read(stderrheld, bytes, sizeof bytes)) > 0) {
      [[maybe_unused]] const ssize_t written = write(2, bytes, static_cast<size_t>(n));
    }
    close(stderrheld);
  }
};

StartupMessages& startupmessages() {
  static StartupMessages messages;
  return messages;
}

void onstartupmessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  StartupMessages& m = startupmessages();
  static const QRegularExpression plugin(QStringLiteral("Qt platform plugin \"([^\"]*)\""));
  if (const auto match = plugin.match(text); match.hasMatch()) m.platforms << match.captured(1);
  if (type != QtFatalMsg) {
    m.held.push_back({type, QByteArray(context.category), text});
    return;
  }
  m.releasestderr(false);
  const std::string tried =
      m.platforms.isEmpty() ? variable("QT_QPA_PLATFORM") : m.platforms.join(", ").toStdString();
  std::fprintf(stderr,
               "pomuran: could not open a window on any display (tried %s with %s, %s): start it "
               "in a running desktop session, or point DISPLAY or WAYLAND_DISPLAY at one\n",
               printable(tried).c_str(), variable("DISPLAY").c_str(),
               variable("WAYLAND_DISPLAY").c_str());
  std::_Exit(1);
}

// Once the toolkit has started, the messages it gave on the way reach the usual output.
void releasestartupmessages() {
  StartupMessages& m = startupmessages();
  m.releasestderr(true);
  qInstallMessageHandler(m.previous);
  for (const StartupMessages::Held& h : m.held) {
    const QMessageLogger log(nullptr, 0, nullptr, h.category.isEmpty() ? "default" : h.category);
    switch (h.type) {
      case QtDebugMsg:
        log.debug("%s", qUtf8Printable(h.text));
        break;
      case QtInfoMsg:
        log.info("%s", qUtf8Printable(h.text));
        break;
      default:
        log.warning("%s", qUtf8Printable(h.text));
        break;
    }
  }
  m.held.clear();
}

bool namesgnome(const std::string& desktops) {
  return QString::fromStdString(desktops)
      .split(QLatin1Char(':'))
      .contains(QStringLiteral("GNOME"), Qt::CaseInsensitive);
}

std::string fromenv(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

// mutter draws no title bars for Wayland windows, so there the toolkit draws its own. Where it
// has only its plain one, which offers a maximise button and looks foreign, X11 through Xwayland
// comes first: mutter then frames the window as it frames every GNOME window. Wayland stays second
// for a session whose X display does not answer; with a GNOME-style title bar it comes first.
std::string platformchoice(const std::function<std::string(const char*)>& getenv,
                           const std::function<bool()>& gnometitlebar) {
  const bool gnomewayland = getenv("QT_QPA_PLATFORM").empty() &&
                            namesgnome(getenv("XDG_CURRENT_DESKTOP")) &&
                            !getenv("WAYLAND_DISPLAY").empty();
  if (!gnomewayland) return {};
  return !getenv("DISPLAY").empty() && !gnometitlebar() ? "xcb;wayland" : "wayland;xcb";
}

bool hasgnometitlebar() {
  const QDir plugins(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                     QStringLiteral("/wayland-decoration-client"));
  return !plugins.entryList({QStringLiteral("*adwaita*")}, QDir::Files).isEmpty();
}

int Main(int argc, char** argv) {
  if (const std::optional<int> status = commandline(argc, argv, stdout, stderr)) return *status;
  if (!displayfound()) {
    std::fputs(
        "pomuran: no display found: set DISPLAY or WAYLAND_DISPLAY, or run it inside a desktop "
        "session\n",
        stderr);
    return 1;
  }
  if (const std::string platforms = platformchoice(fromenv, hasgnometitlebar); !platforms.empty())
    qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platforms));
  QuitPipe quitpipe;
  // The game takes no command line: the toolkit sees only the program's name.
  int qtargc = argc > 0 ? 1 : 0;
  startupmessages().holdstderr();
  startupmessages().previous = qInstallMessageHandler(onstartupmessage);
  QApplication app(qtargc, argv);
  releasestartupmessages();
  // Desktops match the window to its menu entry and icon by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral(POMURAN_APP_ID));
  const std::unique_ptr<QSocketNotifier> quitter = quitpipe.listen();
  keepopenglaway();
  Form1 form;
  prepare(form);
  form.show();
  const int status = app.exec();
  exitbeforeteardown(status);
  return status;
}

}  // namespace ui

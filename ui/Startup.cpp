#include "ui/Startup.h"

#include <QApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

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
    struct sigaction action {};
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

}  // namespace

void prepare(Form1& form) {
  form.initscreen();
  form.initspeed();
  form.module1().initgame();
  // The first frame is in place before the window first shows.
  form.module1().frame.drawall();
}

int Main(int argc, char** argv) {
  if (!displayfound()) {
    std::fputs(
        "pomuran: no display found: set DISPLAY or WAYLAND_DISPLAY, or run it inside a desktop "
        "session\n",
        stderr);
    return 1;
  }
  QuitPipe quitpipe;
  // The game takes no command line: the toolkit sees only the program's name.
  int qtargc = argc > 0 ? 1 : 0;
  QApplication app(qtargc, argv);
  // Desktops match the window to its menu entry and icon by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral(POMURAN_APP_ID));
  const std::unique_ptr<QSocketNotifier> quitter = quitpipe.listen();
  Form1 form;
  prepare(form);
  form.show();
  return app.exec();
}

}  // namespace ui

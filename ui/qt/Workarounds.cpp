#include "ui/qt/Workarounds.h"
#include "ui/qt/Compositor.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QVersionNumber>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace ui {

namespace {

bool onwayland() { return QGuiApplication::platformName() == QLatin1String("wayland"); }

bool before(int major, int minor) { return QLibraryInfo::version() < QVersionNumber(major, minor); }

QString desktop() { return qEnvironmentVariable("XDG_CURRENT_DESKTOP"); }

}  // namespace

// Qt before 6.8 clamps every size that a Wayland compositor configures to the window's minimum
// and maximum, and then commits another size than the one configured for a maximised or
// full-screen window, which the compositor ends as a protocol error
// (QWaylandWindow::setGeometry_helper). kwin draws the title bar itself and takes its buttons from
// the limits: without them it offers a maximise button and drops the close one; it never forces a
// size on a window of fixed size, so there the limits stay.
bool clampsconfiguredsizes() {
  return onwayland() && before(6, 8) && !desktop().contains(QLatin1String("KDE"));
}

// Qt before 6.8 sets up its OpenGL buffer integration, and with it EGL and the whole Mesa driver
// stack (some 50 MiB), as soon as a Wayland window shows: it asks whether that integration can
// carry a title bar drawn by the toolkit (QWaylandDisplay::supportsWindowDecoration), whether or
// not it will draw one. The game draws in memory and shows its frames through shared memory.
// Where the compositor draws title bars itself (xdg-decoration: sway, kwin, cage), the toolkit
// draws none, and its switch for systems without OpenGL skips the question. Where it does not
// (weston, mutter), the toolkit's own title bar needs the integration on these versions, so EGL
// stays there. Qt 6.8 asks only once the integration is set up for a window that draws with it.
// GNOME's mutter is not asked: it offers no xdg-decoration, and a second connection made just
// before the window shows can cut the bottom off the first size it gives the window.
void keepopenglaway() {
  constexpr const char* kNoTitleBars = "QT_WAYLAND_DISABLE_WINDOWDECORATION";
  if (!onwayland() || !before(6, 8) || qEnvironmentVariableIsSet(kNoTitleBars) ||
      desktop().split(QLatin1Char(':')).contains(QLatin1String("GNOME"), Qt::CaseInsensitive))
    return;
  const std::vector<std::string> globals = compositorglobals();
  if (std::find(globals.begin(), globals.end(), "zxdg_decoration_manager_v1") != globals.end())
    qputenv(kNoTitleBars, "1");
}

// Qt 6.4's Wayland plugin can deadlock while it disconnects: the display's destructor waits for
// its event thread, which waits for events that never come, and a closed game would never end.
// The game has nothing to save or release that the system does not reclaim, so it ends this way
// on every version, which costs nothing.
void exitbeforeteardown(int status) {
  if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
  std::fflush(nullptr);
  std::_Exit(status);
}

}  // namespace ui

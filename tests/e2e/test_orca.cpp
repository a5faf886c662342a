#include "Fixture.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

namespace {

// A blind player at the keyboard, with Orca itself: each step is a key and a pattern over what
// Orca says after it, its utterances joined by " | ". The same steps for the Linux program and
// for the browser game in Firefox; a row leaves out what its reader does not offer.
struct Step {
  const char* key;    // nothing for what Orca says by itself
  const char* heard;  // Orca 43's words; Orca 48 says "button" for "push button"
  bool only = false;  // all that it says, once it has gone quiet
};
struct Row {
  const char* name;
  bool page;
  std::vector<Step> steps;
};

// The Linux program announces the window and START by themselves. The page's name is asked for
// (Orca+KP_Enter reads the title), since Orca 48 does not always say it as the page loads; it is
// asked on the playfield, since Orca 48 may let the Enter through to the page as well, where on
// START it would begin a round. A new speed and the round's start come from the page's live
// region as well.
const Row kRows[] = {
    {"linux",
     false,
     {{nullptr, "Pomuran \\(ポムラン\\) frame"},
      {nullptr, "Start push button"},
      // Orca 43 says the entry after the list, Orca 48 in the same breath.
      {"Tab", "SPEED : combo box\\.? (\\| )?LOW\\."},
      // Once, and nothing else: no "Selection deleted." before it.
      {"Down", "MID", true},
      {"KP_Up", "SPEED : MID"},  // flat review: the current line
      // Typing picks the entry it begins, with no detour through the hidden list.
      {"h", "(?!.*List).*HIGH.*", true},
      {"shift+Tab", "Start push button"},
      {"Return", "Playfield canvas.*Round running: move"}}},
    {"firefox",
     true,
     {{"shift+Tab", "Playfield image"},
      {"Insert+KP_Enter", "ポムラン — Mozilla Firefox"},
      {"Tab", "Start push button\\. \\| Starts a round: the ball leaves the paddle\\."},
      {"Tab", "SPEED : combo box\\.? (\\| )?LOW\\. \\| LOW, MID or HIGH\\."},
      {"Down", "MID\\. \\| Speed MID"},
      {"shift+Tab", "Start push button\\. \\| Starts a round: the ball leaves the paddle\\."},
      {"Return", "Playfield image.*Round running: move the mouse"}}}};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class Orca : public e2e::OnDesktop, public ::testing::WithParamInterface<Row> {};

// Serves the browser game's site on this machine; answers its address, or nothing.
QString serve(QProcess& server, const session::Desktop& desktop) {
  server.setProcessEnvironment(desktop.env());
  session::ownprocess(server);
  server.start(QStringLiteral("node"),
               {QStringLiteral(POMURAN_SERVE), QStringLiteral(POMURAN_SITE)});
  QByteArray said;
  const auto address = session::waituntil(
      [&] {
        server.waitForReadyRead(100);
        said += server.readAllStandardOutput();
        return QRegularExpression(QStringLiteral("http://\\S+/")).match(QString::fromUtf8(said));
      },
      [&](const QRegularExpressionMatch& m) {
        return m.hasMatch() || server.state() == QProcess::NotRunning;
      });
  return address.captured(0);
}

// Firefox as a player starts it for the first time, but with no first-run pages or updates.
QStringList firefox(const session::Desktop& desktop, const QString& address) {
  const QDir profile(desktop.env().value(QStringLiteral("HOME")) + QStringLiteral("/firefox"));
  profile.mkpath(QStringLiteral("."));
  const char* prefs[] = {"browser.shell.checkDefaultBrowser\", false",
                         "browser.aboutwelcome.enabled\", false",
                         "startup.homepage_welcome_url\", \"\"",
                         "browser.startup.homepage_override.mstone\", \"ignore\"",
                         "datareporting.policy.dataSubmissionEnabled\", false",
                         "toolkit.telemetry.reportingpolicy.firstRun\", false",
                         "app.update.disabledForTesting\", true",
                         "browser.translations.enable\", false",
                         "browser.newtab.preload\", false"};
  QFile file(profile.filePath(QStringLiteral("user.js")));
  file.open(QIODevice::WriteOnly);
  for (const char* p : prefs) file.write(QByteArray("user_pref(\"") + p + ");\n");
  return {QStringLiteral("--no-remote"), QStringLiteral("--kiosk"), QStringLiteral("--profile"),
          profile.path(), address};
}

TEST_P(Orca, SpeaksTheWindowTheChosenSpeedAndTheStartOfARound) {
  const Row& row = GetParam();
  const std::string site = row.page ? e2e::unbuilt(POMURAN_SITE "/index.html", "web") : "";
  if (!site.empty()) FAIL() << site;
  session::ScreenReader orca(desktop());
  std::string why;
  bool toolsmissing = false;
  if (!orca.start(&why, &toolsmissing)) {
    if (toolsmissing && !session::inci()) GTEST_SKIP() << why;
    FAIL() << why;
  }
  struct Served {
    QProcess p;
    ~Served() { session::stopgroup(p); }
  } server;
  session::Game g(desktop());
  if (row.page) {
    const QString address = serve(server.p, desktop());
    ASSERT_FALSE(address.isEmpty()) << "the site was not served";
    ASSERT_TRUE(g.start(QStringLiteral("firefox-esr"), &why,
                        session::environment(QStringLiteral("GNOME_ACCESSIBILITY=1")),
                        firefox(desktop(), address)))
        << why;
    // Keys go to the game only once it runs: its first frame shows the red paddle and the blue
    // ball, at whatever size the page fits the kiosk's window, and the focus is on START.
    const auto drawn = [&] {
      const QImage shot =
          g.part(QRect(QPoint(), g.client().size())).convertToFormat(QImage::Format_RGB32);
      const auto* from = reinterpret_cast<const QRgb*>(shot.constBits());
      const auto* to = from + shot.width() * shot.height();
      const auto has = [&](QRgb ink) { return std::find(from, to, ink) != to; };
      return has(qRgb(0xFF, 0, 0)) && has(qRgb(0, 0, 0xFF));
    };
    ASSERT_TRUE(session::waituntil(drawn, [](bool seen) { return seen; }))
        << "the page's first frame did not show";
  } else {
    ASSERT_TRUE(g.start(e2e::program(kind()), &why,
                        session::environment(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"))))
        << why;
  }
  // What Orca says differs between its releases in this word only. Orca 43 gives its version
  // as "43.1", Orca 48 as "Orca version 48.1, ...".
  const QString version = QString::fromLatin1(
      desktop().tool(QStringLiteral("orca"), {QStringLiteral("--version")}).out);
  const bool orca43 =
      QRegularExpression(QStringLiteral("(\\d+)\\.")).match(version).captured(1).toInt() < 48;
  int at = 0;
  for (const Step& step : row.steps) {
    QString heard = QString::fromUtf8(step.heard);
    if (!orca43) heard.replace(QStringLiteral("push button"), QStringLiteral("button"));
    SCOPED_TRACE((step.key ? step.key : "") + std::string(": ") + heard.toStdString());
    int from = at;
    if (step.key) {
      // A key once Orca is quiet; what it makes Orca say begins there.
      from = orca.quiet();
      desktop().tool(QStringLiteral("xdotool"),
                     {QStringLiteral("key"), QString::fromLatin1(step.key)});
    }
    const int found = orca.waitfor(QRegularExpression(heard), from);
    // Each step builds on the one before: the first that is not heard ends the case.
    ASSERT_GE(found, 0) << "not heard; Orca said:\n  "
                        << orca.spoken().join(QStringLiteral("\n  ")).toStdString();
    if (step.only) {
      orca.quiet();
      const QString all = orca.spoken().mid(from).join(QStringLiteral(" | "));
      EXPECT_TRUE(
          QRegularExpression(QRegularExpression::anchoredPattern(heard)).match(all).hasMatch())
          << "heard besides: " << all.toStdString();
    }
    at = std::max(found + 1, from);
  }
  std::cout << "Orca said:\n  " << orca.spoken().join(QStringLiteral("\n  ")).toStdString() << "\n";
}

INSTANTIATE_TEST_SUITE_P(Readers, Orca, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

#include "Fixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

using e2e::OnDesktop;

// Closing the window through the window manager, as its close button does, and SIGINT and
// SIGTERM each end the game in the middle of a round, in order.
TEST_F(OnDesktop, ClosingTheWindowSigintAndSigtermEachEndARoundWithStatusZero) {
  const std::pair<const char*, std::function<void(const session::Game&)>> ways[] = {
      {"closing the window",
       [this](const session::Game& g) {
         desktop().tool(QStringLiteral("wmctrl"),
                        {QStringLiteral("-i"), QStringLiteral("-c"), g.window()});
       }},
      {"SIGINT", [](const session::Game& g) { ::kill(static_cast<pid_t>(g.pid()), SIGINT); }},
      {"SIGTERM", [](const session::Game& g) { ::kill(static_cast<pid_t>(g.pid()), SIGTERM); }}};
  for (const auto& [what, how] : ways) {
    E2E_START(g);
    // The exit happens mid-round.
    ASSERT_GE(g.startround(200, 100), 0) << "the ball did not leave the paddle";
    const auto end = [&] { how(g); };
    e2e::expectendsorderly(g, end, what);
  }
}

// An environment with nothing but the search path, as `env -i PATH=...` gives.
QProcessEnvironment bare() {
  QProcessEnvironment env;
  env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH", QStringLiteral("/usr/bin:/bin")));
  return env;
}

// Runs the program from an empty folder, which must stay empty: no core file.
session::Output runbare(const QProcessEnvironment& env, const QStringList& args = {}) {
  QTemporaryDir where;
  QProcess p;
  session::ownprocess(p);
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(where.path());
  p.start(QStringLiteral(POMURAN_EXECUTABLE), args);
  const session::Output o = session::finish(p, p.waitForStarted(10000) && p.waitForFinished(10000));
  EXPECT_TRUE(QDir(where.path()).isEmpty()) << "the program left files behind";
  return o;
}

// The program ended by itself with `code`, saying one line on standard error with every word
// of `words` in it, and nothing on standard output.
void expectoneline(const session::Output& o, int code, const QList<QByteArray>& words) {
  ASSERT_TRUE(o.finished) << "still running";
  EXPECT_FALSE(o.crashed) << "ended by a signal";
  EXPECT_EQ(o.code, code);
  EXPECT_TRUE(o.out.isEmpty()) << o.out.toStdString();
  EXPECT_EQ(o.err.count('\n'), 1) << o.err.toStdString();
  EXPECT_TRUE(o.err.startsWith("pomuran: ") && o.err.endsWith('\n')) << o.err.toStdString();
  for (const QByteArray& w : words) EXPECT_TRUE(o.err.contains(w)) << o.err.toStdString();
  EXPECT_FALSE(o.err.toLower().contains("reinstall")) << o.err.toStdString();
}

// With no display set, or empty ones, the game says what is missing. With one that is set but
// does not answer, as after the server of an ssh session went away, or a platform that cannot
// start, the toolkit would abort with a core dump: the game says what it tried instead.
TEST(NoDisplay, SaysOnOneLineWhatIsMissingOrWhatWasTriedAndExitsWithStatusOne) {
  QTemporaryDir runtime;
  const struct {
    QStringList env;
    QList<QByteArray> words;
  } cases[] = {
      {{}, {"no display", "DISPLAY", "WAYLAND_DISPLAY"}},
      {{"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="}, {"no display", "WAYLAND_DISPLAY"}},
      {{"DISPLAY=:4093"}, {"tried", ":4093"}},
      {{"WAYLAND_DISPLAY=wayland-nowhere", "XDG_RUNTIME_DIR=" + runtime.path()},
       {"tried", "wayland-nowhere"}},
      {{"WAYLAND_DISPLAY=wayland-nowhere", "QT_QPA_PLATFORM=wayland"}, {"tried", "nowhere"}},
      {{"QT_QPA_PLATFORM=nosuchplatform", "DISPLAY=:4093"}, {"tried", "nosuchplatform"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.env.join(' ').toStdString());
    QProcessEnvironment env = bare();
    for (const QString& v : c.env) env.insert(v.section('=', 0, 0), v.section('=', 1));
    expectoneline(runbare(env), 1, c.words);
  }
}

// The game takes no arguments but answers --help and --version, without needing a display.
TEST(CommandLine, HelpAndVersionAnswerWithoutADisplayAndAnythingElseIsRefused) {
  const session::Output help = runbare(bare(), {QStringLiteral("--help")});
  EXPECT_EQ(help.code, 0);
  EXPECT_TRUE(help.out.startsWith("Usage: pomuran")) << help.out.toStdString();
  EXPECT_TRUE(help.out.contains("--version"));
  EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();
  const session::Output version = runbare(bare(), {QStringLiteral("--version")});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, QByteArray("pomuran " POMURAN_VERSION "\n"));
  for (const QStringList& wrong :
       {QStringList{QStringLiteral("--bogus")}, QStringList{QStringLiteral("-h")},
        QStringList{QStringLiteral("--help"), QStringLiteral("x\ny")}, QStringList{QString()}}) {
    SCOPED_TRACE(wrong.join(' ').toStdString());
    expectoneline(runbare(bare(), wrong), 2, {"unknown argument"});
  }
}

TEST(NoDisplay, AChosenPlatformNeedsNoDisplayAndStopsOnSigterm) {
  QProcessEnvironment env = bare();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  // The dynamic loader and the toolkit speak of the platform plugin only while the toolkit starts.
  env.insert(session::environment(
      QStringLiteral("LD_DEBUG=files QT_LOGGING_RULES=qt.core.plugin.factoryloader=true")));
  QTemporaryDir runtime;
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
  QProcess p;
  session::ownprocess(p);
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(POMURAN_EXECUTABLE), {});
  ASSERT_TRUE(p.waitForStarted(10000));
  // Until the program catches SIGTERM, the signal would end it the default way. From then on it
  // waits for the event loop, which runs only past the display check: status 0 proves both.
  const auto catches = [&] {
    QFile status(QStringLiteral("/proc/%1/status").arg(p.processId()));
    for (const QByteArray& line :
         status.open(QIODevice::ReadOnly) ? status.readAll().split('\n') : QList<QByteArray>())
      if (line.startsWith("SigCgt:"))
        return ((line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1) != 0;
    return false;
  };
  ASSERT_TRUE(session::waituntil(catches, [&](bool c) {
    return c || p.state() != QProcess::Running;
  })) << p.readAllStandardError().toStdString();
  ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
  ASSERT_TRUE(p.waitForFinished(int(session::kPatience * 1000)));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  const QByteArray said = p.readAllStandardError();
  EXPECT_EQ(p.exitCode(), 0) << said.toStdString();
  // The loader's standard error and the toolkit's messages, held back meanwhile, are passed on.
  for (const char* held : {"platforms/libqoffscreen.so [0];", "plugins/platforms\" ..."})
    EXPECT_TRUE(said.contains(held)) << "the start-up's words were dropped: no " << held;
}

}  // namespace

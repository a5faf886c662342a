#include "Fixture.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>

namespace {

using e2e::Clock;
using e2e::kBallRestY;
using e2e::OnDesktop;
using e2e::Seen;

// Starts a round and waits until the ball is on its way, so that the exit happens mid-round.
void startround(const session::Game& g) {
  g.clickfield(200, 100);
  const auto seen = g.waitfield([](const Seen& s) { return s.bally < kBallRestY; });
  ASSERT_TRUE(seen && seen->bally < kBallRestY) << session::describe(seen);
}

TEST_F(OnDesktop, ClosingTheWindowInARoundEndsTheProgramWithStatusZeroWithinASecond) {
  E2E_START(g);
  ASSERT_NO_FATAL_FAILURE(startround(g));
  // Alt+F4 goes through the window manager, which asks the window to close as its close
  // button does.
  const session::Output active =
      desktop().tool(QStringLiteral("xdotool"),
                     {QStringLiteral("windowactivate"), QStringLiteral("--sync"), g.window()});
  ASSERT_EQ(active.code, 0) << active.err.toStdString();
  const auto begin = Clock::now();
  desktop().tool(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("alt+F4")});
  ASSERT_TRUE(g.waitexit(3000)) << "still running 3 s after the window was closed";
  const double took = session::seconds(begin, Clock::now());
  std::cout << "exit after close: " << took * 1000 << " ms\n";
  EXPECT_LT(took, 1.0);
  EXPECT_FALSE(g.crashed());
  EXPECT_EQ(g.exitcode(), 0) << g.errors().toStdString();
}

// Sends a signal in the middle of a round and expects an orderly exit with status 0.
void endsonsignal(const session::Desktop& desktop, int signal) {
  session::Game g(desktop);
  std::string why;
  ASSERT_TRUE(g.start(QStringLiteral(POMURAN_EXECUTABLE), &why)) << why;
  ASSERT_NO_FATAL_FAILURE(startround(g));
  const auto begin = Clock::now();
  ASSERT_EQ(::kill(static_cast<pid_t>(g.pid()), signal), 0);
  ASSERT_TRUE(g.waitexit(3000)) << "still running 3 s after the signal";
  const double took = session::seconds(begin, Clock::now());
  std::cout << "exit after signal " << signal << ": " << took * 1000 << " ms\n";
  EXPECT_LT(took, 1.0);
  EXPECT_FALSE(g.crashed()) << "ended by the signal itself";
  EXPECT_EQ(g.exitcode(), 0) << g.errors().toStdString();
}

TEST_F(OnDesktop, SigintEndsTheProgramWithStatusZero) { endsonsignal(desktop(), SIGINT); }

TEST_F(OnDesktop, SigtermEndsTheProgramWithStatusZero) { endsonsignal(desktop(), SIGTERM); }

// An environment with nothing but the search path, as `env -i PATH=...` gives.
QProcessEnvironment bare() {
  QProcessEnvironment env;
  env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH", QStringLiteral("/usr/bin:/bin")));
  return env;
}

// Runs the program from an empty folder, which must stay empty: no core file.
session::Output runbare(const QProcessEnvironment& env, int timeoutms = 10000) {
  QTemporaryDir where;
  QProcess p;
  session::ownprocess(p);
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(where.path());
  p.start(QStringLiteral(POMURAN_EXECUTABLE), {});
  const session::Output o =
      session::finish(p, p.waitForStarted(timeoutms) && p.waitForFinished(timeoutms));
  EXPECT_TRUE(QDir(where.path()).isEmpty()) << "the program left files behind";
  return o;
}

void expectnodisplayerror(const session::Output& o) {
  ASSERT_TRUE(o.finished) << "still running without a display";
  EXPECT_FALSE(o.crashed) << "ended by a signal";
  EXPECT_EQ(o.code, 1);
  EXPECT_TRUE(o.out.isEmpty()) << o.out.toStdString();
  EXPECT_EQ(o.err.count('\n'), 1) << o.err.toStdString();
  EXPECT_TRUE(o.err.endsWith('\n')) << o.err.toStdString();
  EXPECT_TRUE(o.err.startsWith("pomuran: ")) << o.err.toStdString();
  EXPECT_TRUE(o.err.contains("no display")) << o.err.toStdString();
  EXPECT_TRUE(o.err.contains("DISPLAY")) << o.err.toStdString();
  EXPECT_TRUE(o.err.contains("WAYLAND_DISPLAY")) << o.err.toStdString();
}

TEST(NoDisplay, SaysWhatIsMissingOnOneLineAndExitsWithStatusOne) {
  expectnodisplayerror(runbare(bare()));
}

TEST(NoDisplay, EmptyDisplayVariablesCountAsMissing) {
  QProcessEnvironment env = bare();
  env.insert(QStringLiteral("DISPLAY"), QString());
  env.insert(QStringLiteral("WAYLAND_DISPLAY"), QString());
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QString());
  expectnodisplayerror(runbare(env));
}

TEST(NoDisplay, AChosenPlatformNeedsNoDisplayAndStopsOnSigterm) {
  QProcessEnvironment env = bare();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  QTemporaryDir runtime;
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
  QProcess p;
  session::ownprocess(p);
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(POMURAN_EXECUTABLE), {});
  ASSERT_TRUE(p.waitForStarted(10000));
  // Still running after a while means it got past the display check into its event loop.
  EXPECT_FALSE(p.waitForFinished(1500)) << p.readAllStandardError().toStdString();
  ASSERT_EQ(p.state(), QProcess::Running);
  ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0);
}

}  // namespace

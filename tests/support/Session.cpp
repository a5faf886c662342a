#include "support/Session.h"

#include <QStandardPaths>

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>

namespace session {

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

QStringList missing(const QStringList& tools) {
  QStringList absent;
  for (const QString& t : tools) {
    if (QStandardPaths::findExecutable(t).isEmpty()) absent << t;
  }
  return absent;
}

void launch(QProcess& p, const QProcessEnvironment& env, const QStringList& command, bool output,
            const QString& log) {
  p.setProcessEnvironment(env);
  ownprocess(p);
  if (!output) p.setStandardOutputFile(QProcess::nullDevice());
  p.setStandardErrorFile(log);
  p.start(command.front(), command.mid(1));
}

}  // namespace session

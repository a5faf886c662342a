#include "support/Session.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <unistd.h>
#include <algorithm>
#include <vector>

namespace session {

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

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

namespace {

QByteArray read(const char* path) {
  QFile f(QString::fromUtf8(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Each metainfo element under its path and its own sorted attributes, as
// "component/name[xml:lang=ja]", with its trimmed text; equal keys share one text.
std::map<std::string, std::string> metainfo() {
  QXmlStreamReader xml(read(POMURAN_PACKAGING_DIR "/" POMURAN_APP_ID ".metainfo.xml"));
  std::map<std::string, std::string> facts;
  QStringList path, keys;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      path << xml.name().toString();
      QStringList attributes;
      for (const auto& a : xml.attributes())
        attributes << QStringLiteral("[%1=%2]").arg(a.qualifiedName(), a.value());
      attributes.sort();
      keys << path.join(u'/') + attributes.join(QString());
      facts.emplace(keys.back().toStdString(), std::string());
    } else if (xml.isCharacters() && !keys.isEmpty()) {
      facts[keys.back().toStdString()] += xml.text().trimmed().toString().toStdString();
    } else if (xml.isEndElement()) {
      path.removeLast();
      keys.removeLast();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return facts;
}

}  // namespace

TEST(DesktopEntry, StartsThePomuranProgramAsAGameWithItsIcon) {
  const QString text = QString::fromUtf8(read(POMURAN_PACKAGING_DIR "/" POMURAN_APP_ID ".desktop"));
  ASSERT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
  // The main group ends where the next one would begin.
  const QStringList lines = text.section(QStringLiteral("\n["), 0, 0).split(u'\n');
  // StartupWMClass is the window's class as the X11 platform sets it from the program's name.
  for (const char* want : {"Type=Application", "Name=Pomuran", "Name[ja]=ポムラン", "Exec=pomuran",
                           "Icon=" POMURAN_APP_ID, "Terminal=false", "Categories=Game;ArcadeGame;",
                           "StartupWMClass=pomuran"})
    EXPECT_TRUE(lines.contains(QString::fromUtf8(want))) << want;
  for (const char* want : {"Comment=.+", "Comment\\[ja\\]=.+"})
    EXPECT_TRUE(lines.indexOf(QRegularExpression(QString::fromUtf8(want))) >= 0) << want;
}

TEST(Metainfo, DescribesTheApplicationItsReleaseAndItsScreenshot) {
  auto facts = metainfo();
  // Each element that must be there, with its text; nullptr for any text but none.
  const std::pair<const char*, const char*> want[] = {
      {"component[type=desktop-application]", ""},
      {"component/id", POMURAN_APP_ID},
      {"component/name", "Pomuran"},
      {"component/name[xml:lang=ja]", "ポムラン"},
      {"component/summary", nullptr},
      {"component/description/p", nullptr},
      {"component/metadata_license", "CC0-1.0"},
      {"component/project_license", "MIT"},
      {"component/launchable[type=desktop-id]", POMURAN_APP_ID ".desktop"},
      {"component/content_rating[type=oars-1.1]", ""},
      {"component/releases/release[date=2026-12-07][version=" POMURAN_VERSION "]", ""},
      {"component/provides/binary", "pomuran"},
      {"component/screenshots/screenshot[type=default]", ""}};
  for (const auto& [key, text] : want) {
    const std::string got = facts.count(key) ? facts.at(key) : "(missing)";
    EXPECT_TRUE(text ? got == text : got != "" && got != "(missing)") << key << ": " << got;
  }
  EXPECT_TRUE(std::regex_match(facts["component/screenshots/screenshot/image[type=source]"],
                               std::regex("https://.+/docs/screenshot\\.png")));
  // The picture the address points at is the one in the sources: a PNG of the whole window.
  const QImage png(QStringLiteral(POMURAN_SOURCE_DIR "/docs/screenshot.png"), "PNG");
  ASSERT_FALSE(png.isNull());
  EXPECT_GE(png.width(), 497);
  EXPECT_GE(png.height(), 400);
}

TEST(Licence, IsTheMitLicenceThatTheMetainfoNames) {
  const QByteArray licence = read(POMURAN_SOURCE_DIR "/LICENSE");
  EXPECT_TRUE(licence.startsWith("MIT License"));
  EXPECT_TRUE(licence.contains("The Pomuran developers"));
}

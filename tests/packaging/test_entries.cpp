#include <QFile>
#include <QImage>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

std::string read(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll().toStdString();
}

// The keys of a desktop entry's main group.
std::map<std::string, std::string> desktopentry() {
  std::map<std::string, std::string> keys;
  const std::string text =
      read(QStringLiteral(POMURAN_PACKAGING_DIR "/" POMURAN_APP_ID ".desktop"));
  bool main = false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      main = line == "[Desktop Entry]";
      continue;
    }
    const size_t eq = line.find('=');
    if (main && eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return keys;
}

// The metainfo as element paths with their text and attributes, in document order.
struct Element {
  std::string path;
  std::string text;
  std::map<std::string, std::string> attributes;
};

std::vector<Element> metainfo() {
  std::vector<Element> out;
  QFile f(QStringLiteral(POMURAN_PACKAGING_DIR "/" POMURAN_APP_ID ".metainfo.xml"));
  if (!f.open(QIODevice::ReadOnly)) return out;
  QXmlStreamReader xml(&f);
  std::vector<std::string> stack;
  std::vector<size_t> open;
  while (!xml.atEnd()) {
    xml.readNext();
    if (xml.isStartElement()) {
      stack.push_back(xml.name().toString().toStdString());
      std::string path;
      for (const auto& s : stack) path += "/" + s;
      Element e{path, {}, {}};
      for (const auto& a : xml.attributes())
        e.attributes[a.qualifiedName().toString().toStdString()] =
            a.value().toString().toStdString();
      open.push_back(out.size());
      out.push_back(e);
    } else if (xml.isCharacters() && !open.empty()) {
      out[open.back()].text += xml.text().toString().trimmed().toStdString();
    } else if (xml.isEndElement()) {
      stack.pop_back();
      open.pop_back();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return out;
}

// The first element at the path whose attributes include the given one, if any.
const Element* find(const std::vector<Element>& all, const std::string& path,
                    const std::string& attribute = {}, const std::string& value = {}) {
  for (const Element& e : all) {
    if (e.path != path) continue;
    if (attribute.empty()) {
      if (e.attributes.count("xml:lang") == 0) return &e;
      continue;
    }
    auto a = e.attributes.find(attribute);
    if (a != e.attributes.end() && a->second == value) return &e;
  }
  return nullptr;
}

}  // namespace

TEST(DesktopEntry, StartsThePomuranProgramAsAGameWithItsIcon) {
  auto keys = desktopentry();
  EXPECT_EQ(keys["Type"], "Application");
  EXPECT_EQ(keys["Name"], "Pomuran");
  EXPECT_EQ(keys["Name[ja]"], "ポムラン");
  EXPECT_FALSE(keys["Comment"].empty());
  EXPECT_FALSE(keys["Comment[ja]"].empty());
  EXPECT_EQ(keys["Exec"], "pomuran");
  EXPECT_EQ(keys["Icon"], POMURAN_APP_ID);
  EXPECT_EQ(keys["Terminal"], "false");
  EXPECT_EQ(keys["Categories"], "Game;ArcadeGame;");
  // The window's class as the X11 platform sets it from the program's name.
  EXPECT_EQ(keys["StartupWMClass"], "pomuran");
}

TEST(Metainfo, DescribesTheDesktopApplicationAndItsRelease) {
  const auto all = metainfo();
  ASSERT_FALSE(all.empty());
  ASSERT_EQ(all.front().path, "/component");
  EXPECT_EQ(all.front().attributes.at("type"), "desktop-application");
  const auto text = [&](const std::string& path) {
    const Element* e = find(all, path);
    return e ? e->text : std::string("(missing)");
  };
  EXPECT_EQ(text("/component/id"), POMURAN_APP_ID);
  EXPECT_EQ(text("/component/name"), "Pomuran");
  const Element* ja = find(all, "/component/name", "xml:lang", "ja");
  ASSERT_NE(ja, nullptr);
  EXPECT_EQ(ja->text, "ポムラン");
  EXPECT_FALSE(text("/component/summary").empty());
  EXPECT_FALSE(text("/component/description/p").empty());
  EXPECT_EQ(text("/component/metadata_license"), "CC0-1.0");
  EXPECT_EQ(text("/component/project_license"), "MIT");
  const Element* launch = find(all, "/component/launchable", "type", "desktop-id");
  ASSERT_NE(launch, nullptr);
  EXPECT_EQ(launch->text, POMURAN_APP_ID ".desktop");
  EXPECT_NE(find(all, "/component/content_rating", "type", "oars-1.1"), nullptr);
  const Element* release = find(all, "/component/releases/release", "version", POMURAN_VERSION);
  ASSERT_NE(release, nullptr);
  EXPECT_EQ(release->attributes.at("date"), "2026-12-07");
  EXPECT_EQ(text("/component/provides/binary"), "pomuran");
}

TEST(Metainfo, ShowsTheScreenshotThatTheSourcesHold) {
  const auto all = metainfo();
  const Element* shot = find(all, "/component/screenshots/screenshot", "type", "default");
  ASSERT_NE(shot, nullptr);
  const Element* image = find(all, "/component/screenshots/screenshot/image");
  ASSERT_NE(image, nullptr);
  const std::string tail = "/docs/screenshot.png";
  ASSERT_GT(image->text.size(), tail.size());
  EXPECT_EQ(image->text.substr(0, 8), "https://");
  EXPECT_EQ(image->text.substr(image->text.size() - tail.size()), tail);
  // The picture the address points at is the one in the sources: a PNG of the whole window.
  const QImage png(QStringLiteral(POMURAN_SOURCE_DIR "/docs/screenshot.png"), "PNG");
  ASSERT_FALSE(png.isNull());
  EXPECT_GE(png.width(), 497);
  EXPECT_GE(png.height(), 400);
}

TEST(Licence, IsTheMitLicenceThatTheMetainfoNames) {
  const std::string licence = read(QStringLiteral(POMURAN_SOURCE_DIR "/LICENSE"));
  EXPECT_EQ(licence.substr(0, 11), "MIT License");
  EXPECT_NE(licence.find("The Pomuran developers"), std::string::npos);
}

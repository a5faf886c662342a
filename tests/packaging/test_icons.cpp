#include <QImage>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

QString iconpath(int size) {
  return QStringLiteral(POMURAN_ICON_DIR "/%1x%1/apps/" POMURAN_APP_ID ".png").arg(size);
}

QImage picture(const char* name) {
  return QImage(QStringLiteral(POMURAN_ASSET_DIR "/") + QLatin1String(name))
      .convertToFormat(QImage::Format_ARGB32);
}

struct Icon {
  int size;
  const char* picture;
  int factor;
};

// Each size and the picture it enlarges, by a whole number.
constexpr Icon kIcons[] = {{16, "icon16.xpm", 1},
                           {32, "icon32.xpm", 1},
                           {48, "icon16.xpm", 3},
                           {64, "icon32.xpm", 2},
                           {128, "icon32.xpm", 4}};

void PrintTo(const Icon& icon, std::ostream* out) { *out << icon.size << "px"; }

class Icons : public testing::TestWithParam<Icon> {};

}  // namespace

TEST_P(Icons, AreTheWindowIconPictureWithEachPixelASquareBlock) {
  const Icon icon = GetParam();
  QImage png(iconpath(icon.size));
  ASSERT_FALSE(png.isNull()) << iconpath(icon.size).toStdString();
  EXPECT_TRUE(png.hasAlphaChannel());
  png = png.convertToFormat(QImage::Format_ARGB32);
  const QImage from = picture(icon.picture);
  ASSERT_EQ(png.size(), QSize(icon.size, icon.size));
  ASSERT_EQ(from.size() * icon.factor, png.size());
  int transparent = 0, opaque = 0;
  for (int y = 0; y < icon.size; ++y)
    for (int x = 0; x < icon.size; ++x) {
      const QRgb want = from.pixel(x / icon.factor, y / icon.factor);
      const QRgb got = png.pixel(x, y);
      ASSERT_EQ(qAlpha(got), qAlpha(want)) << x << "," << y;
      // Where the icon is see-through its colour does not matter.
      if (qAlpha(want) != 0) {
        ASSERT_EQ(got, want) << x << "," << y;
      }
      (qAlpha(got) == 0 ? transparent : opaque) += 1;
    }
  // The window shape sits on a see-through ground, as the picture has it.
  EXPECT_GT(transparent, 0);
  EXPECT_GT(opaque, icon.size * icon.size / 2);
}

INSTANTIATE_TEST_SUITE_P(EverySize, Icons, testing::ValuesIn(kIcons),
                         [](const testing::TestParamInfo<Icon>& i) {
                           return std::to_string(i.param.size);
                         });

#include <QImage>

#include <gtest/gtest.h>

#include <ostream>

namespace {

// Each size and the picture it enlarges, by a whole number.
struct Icon {
  int size;
  const char* picture;
  int factor;
};
constexpr Icon kIcons[] = {{16, "icon16.xpm", 1},
                           {32, "icon32.xpm", 1},
                           {48, "icon16.xpm", 3},
                           {64, "icon32.xpm", 2},
                           {128, "icon32.xpm", 4}};

// Names each case in the test list by its size.
void PrintTo(const Icon& icon, std::ostream* out) { *out << icon.size << "px"; }

class Icons : public testing::TestWithParam<Icon> {};

}  // namespace

TEST_P(Icons, AreTheWindowIconPictureWithEachPixelASquareBlock) {
  const auto [size, picture, factor] = GetParam();
  const QImage png(QStringLiteral(POMURAN_ICON_DIR "/%1x%1/apps/" POMURAN_APP_ID ".png").arg(size));
  ASSERT_FALSE(png.isNull());
  EXPECT_TRUE(png.hasAlphaChannel());
  const QImage got = png.convertToFormat(QImage::Format_ARGB32);
  const QImage want = QImage(QStringLiteral(POMURAN_ASSET_DIR "/") + QLatin1String(picture))
                          .convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(got.size(), QSize(size, size));
  ASSERT_EQ(want.size() * factor, got.size());
  int opaque = 0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const QRgb w = want.pixel(x / factor, y / factor), g = got.pixel(x, y);
      ASSERT_EQ(qAlpha(g), qAlpha(w)) << x << "," << y;
      // Where the icon is see-through its colour does not matter.
      if (qAlpha(w) != 0) {
        ASSERT_EQ(g, w) << x << "," << y;
      }
      opaque += qAlpha(g) != 0;
    }
  // The window shape sits on a see-through ground, as the picture has it.
  EXPECT_LT(opaque, size * size);
  EXPECT_GT(opaque, size * size / 2);
}

INSTANTIATE_TEST_SUITE_P(EverySize, Icons, testing::ValuesIn(kIcons));

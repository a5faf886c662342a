// Draws one size of the desktop icon from the window icon's picture. Sizes that are not the
// picture's own are whole-number enlargements, each pixel becoming a square block, so the icon
// keeps the game's hard pixel edges instead of a blurred resampling.
//
//   makeicons <picture.xpm> <factor> <icon.png>

#include <QImage>

#include <cstdio>
#include <cstdlib>

namespace {

QImage enlarge(const QImage& picture, int factor) {
  QImage out(picture.width() * factor, picture.height() * factor, QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(picture.constScanLine(y / factor));
    auto* to = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) to[x] = from[x / factor];
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <picture.xpm> <factor> <icon.png>\n", argv[0]);
    return 2;
  }
  const int factor = std::atoi(argv[2]);
  if (factor < 1 || factor > 16) {
    std::fprintf(stderr, "makeicons: the factor must be a whole number from 1 to 16\n");
    return 2;
  }
  const QImage picture = QImage(QString::fromLocal8Bit(argv[1]));
  if (picture.isNull()) {
    std::fprintf(stderr, "makeicons: cannot read %s\n", argv[1]);
    return 1;
  }
  // Unpremultiplied colours keep the transparent ground exactly transparent in the PNG.
  const QImage icon = enlarge(picture.convertToFormat(QImage::Format_ARGB32), factor);
  if (!icon.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
    std::fprintf(stderr, "makeicons: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}

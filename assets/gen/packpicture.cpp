// Turns one committed picture into the raw form the game embeds: a small header and the pixels
// as 32-bit ARGB words, so that the program shows its pictures without decoding anything.
//
//   packpicture <picture.xpm> <picture.argb>
//
// Layout: "PMP1", then width, height and flags as 32-bit words in the machine's byte order
// (flag 1: every pixel is opaque), then height rows of width pixels, top to bottom.

#include <QImage>

#include <cstdint>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <picture.xpm> <picture.argb>\n", argv[0]);
    return 2;
  }
  const QImage picture =
      QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
  if (picture.isNull()) {
    std::fprintf(stderr, "packpicture: cannot read %s\n", argv[1]);
    return 1;
  }
  uint32_t opaque = 1;
  for (int y = 0; y < picture.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    for (int x = 0; x < picture.width(); ++x) opaque &= qAlpha(line[x]) == 255 ? 1u : 0u;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "packpicture: cannot write %s\n", argv[2]);
    return 1;
  }
  const uint32_t header[] = {static_cast<uint32_t>(picture.width()),
                             static_cast<uint32_t>(picture.height()), opaque};
  bool ok = std::fwrite("PMP1", 1, 4, out) == 4 && std::fwrite(header, 4, 3, out) == 3;
  for (int y = 0; ok && y < picture.height(); ++y) {
    const auto n = static_cast<size_t>(picture.width());
    ok = std::fwrite(picture.constScanLine(y), 4, n, out) == n;
  }
  if (std::fclose(out) != 0 || !ok) {
    std::fprintf(stderr, "packpicture: writing %s failed\n", argv[2]);
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}

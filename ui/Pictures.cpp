#include "ui/Pictures.h"

#include <QResource>

#include <cstdint>
#include <cstring>

namespace ui {

namespace {

constexpr qint64 kHeaderBytes = 16;
// No picture of the game comes near this; a bigger header means a damaged resource.
constexpr uint32_t kMaxSide = 4096;

}  // namespace

QImage picture(const QString& name) {
  const QResource res(QStringLiteral(":/pomuran/") + name + QStringLiteral(".argb"));
  // The pictures are stored uncompressed so that the image can point straight at them.
  if (!res.isValid() || res.compressionAlgorithm() != QResource::NoCompression) return {};
  const uchar* data = res.data();
  if (data == nullptr || res.size() < kHeaderBytes || std::memcmp(data, "PMP1", 4) != 0) return {};
  uint32_t header[3];
  std::memcpy(header, data + 4, sizeof header);
  const auto [w, h, opaque] = header;
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) return {};
  if (res.size() != kHeaderBytes + qint64{w} * h * 4) return {};
  return QImage(data + kHeaderBytes, static_cast<int>(w), static_cast<int>(h),
                static_cast<qsizetype>(w) * 4,
                opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
}

}  // namespace ui

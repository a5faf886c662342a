#include "ui/qt/Pictures.h"
#include "ui/Packed.h"

#include <QResource>

namespace ui {

Packed packed(const QString& name) {
  const QResource res(QStringLiteral(":/pomuran/") + name + QStringLiteral(".argb"));
  // The pictures are stored uncompressed so that the image can point straight at them.
  if (!res.isValid() || res.compressionAlgorithm() != QResource::NoCompression) return {};
  return unpack(res.data(), static_cast<size_t>(res.size()));
}

QImage picture(const QString& name) {
  const Packed p = packed(name);
  if (!p.valid()) return {};
  return QImage(p.pixels, p.width, p.height, static_cast<qsizetype>(p.width) * 4,
                p.opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
}

}  // namespace ui

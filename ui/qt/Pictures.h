#pragma once

#include "ui/Packed.h"

#include <QImage>
#include <QString>

namespace ui {

// One of the game's built-in pictures by name, where the program holds it; a picture that is
// missing or damaged gives an invalid one.
Packed packed(const QString& name);

// One of the game's built-in pictures by name ("background", "paddle", "ball", "blocks",
// "icon32", "icon16"). The image shares the program's own copy of the pixels: nothing is
// decoded or copied. Opaque pictures come as RGB32, the icons as ARGB32. A picture that is
// missing or damaged gives a null image.
QImage picture(const QString& name);

}  // namespace ui

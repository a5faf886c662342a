#pragma once

#include "ui/Fonts.h"
#include "ui/Table.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <string_view>

// The shared window table in Qt's types.
namespace ui::layout {

constexpr QRect qrect(table::Place p) { return {p.x, p.y, p.w, p.h}; }
inline QString qstring(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr QSize kClient{table::kClientWidth, table::kClientHeight};
constexpr QRect kCombo1 = qrect(table::kCombo1);
constexpr QRect kCommand1 = qrect(table::kCommand1);
constexpr QRect kLblball = qrect(table::kLblball);
constexpr QRect kLblscore = qrect(table::kLblscore);
constexpr QRect kLblhiscore = qrect(table::kLblhiscore);
constexpr QRect kLblstage = qrect(table::kLblstage);
constexpr QRect kLabel1 = qrect(table::kLabel1);
constexpr QRect kPlayfield = qrect(table::kPlayfield);

inline QStringList labelfaces() {
  QStringList faces;
  for (std::string_view face : fonts::kLabelFaces) faces << qstring(face);
  return faces;
}

}  // namespace ui::layout

#pragma once

#include <QAccessibleInterface>
#include <QObject>
#include <QString>

namespace ui {

// Gives assistive tools the game's window as a window, without the picture boxes it keeps
// hidden, and lets them read a drop-down list's chosen entry as its text. Installed by the
// window before anything asks for its accessible objects.
QAccessibleInterface* accessiblefactory(const QString& classname, QObject* object);

}  // namespace ui

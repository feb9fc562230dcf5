#include "host/gui/DeskIcon.h"

// The same picture the package installs into the icon theme, so the window, the About box and
// the desktop's menus and file managers show one icon.
QIcon DeskIcon() {
    return QIcon(QStringLiteral(":/icons/velmo.svg"));
}

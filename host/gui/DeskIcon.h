#pragma once

#include <QIcon>

// The control's icon (window, About box, desktop entry): drawn, so it needs no resource file.
QIcon DeskIcon();

#pragma once

#include <QIcon>

// The control's icon (window, About box), from the resources (:/icons/velmo.svg).
QIcon DeskIcon();

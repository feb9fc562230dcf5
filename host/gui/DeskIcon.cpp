#include "host/gui/DeskIcon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace {

QPixmap Draw(int side) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal r = side / 6.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x5f, 0x9f));
    p.drawRoundedRect(QRectF(0, 0, side, side), r, r);
    p.setBrush(QColor(0xf4, 0xf7, 0xfb));
    // A sheet of paper with a fold: the report.
    const QRectF sheet(side * 0.25, side * 0.16, side * 0.5, side * 0.68);
    p.drawRect(sheet);
    p.setPen(QPen(QColor(0x1f, 0x5f, 0x9f), qMax(1.0, side / 24.0)));
    for (int i = 0; i < 4; ++i) {
        const qreal y = sheet.top() + sheet.height() * (0.25 + 0.17 * i);
        p.drawLine(QPointF(sheet.left() + sheet.width() * 0.15, y),
                   QPointF(sheet.right() - sheet.width() * 0.15, y));
    }
    return pixmap;
}

} // namespace

QIcon DeskIcon() {
    QIcon icon;
    for (const int side : {16, 32, 48, 64}) {
        icon.addPixmap(Draw(side));
    }
    return icon;
}

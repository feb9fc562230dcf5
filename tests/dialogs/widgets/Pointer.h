#pragma once

#include <QTest>
#include <QWidget>

// Qt drops a mouse move that lands on the global position of the previous one, and windows
// of consecutive cases open at the same place. Stepping through a neighbouring point first
// makes every move arrive.
inline void MovePointer(QWidget* widget, const QPoint& pos) {
    const QPoint step = pos.x() > 0 ? pos - QPoint(1, 0) : pos + QPoint(1, 0);
    QTest::mouseMove(widget, step);
    QTest::mouseMove(widget, pos);
}

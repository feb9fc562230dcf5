#pragma once

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

// Qt drops a mouse move that lands on the global position of the previous one, and windows
// of consecutive cases open at the same place. Stepping through a neighbouring point first
// makes every move arrive.
inline void MovePointer(QWidget* widget, const QPoint& pos) {
    const QPoint step = pos.x() > 0 ? pos - QPoint(1, 0) : pos + QPoint(1, 0);
    QTest::mouseMove(widget, step);
    QTest::mouseMove(widget, pos);
}

// Shows the window of the given size and waits until it is on screen.
inline void ShowAt(QWidget& window, int width, int height) {
    window.resize(width, height);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
}

// What the widget draws, as 32-bit RGB.
inline QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

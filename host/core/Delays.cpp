#include "host/core/Delays.h"

#include <QThread>

Delays& Delays::Get() {
    static Delays delays;
    return delays;
}

void Delays::ZeroAll() {
    Get() = Delays{0, 0, 0, 0, 0, 0};
}

void Delays::Wait(int ms) {
    if (ms > 0) {
        QThread::msleep(static_cast<unsigned long>(ms));
    }
}

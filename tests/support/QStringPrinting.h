#pragma once

#include <QString>

#include <ostream>

// GoogleTest prints a QString in a failure message as its text in quotes, not as bytes.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

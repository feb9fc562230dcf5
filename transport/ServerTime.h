#pragma once

#include <QDateTime>
#include <QString>

// Asks "getservertime.asp" for the server's clock; output is the answer exactly as received,
// or, when the server cannot be reached, the local time as "%b/%d/%Y %H:%M:%S" (English
// month abbreviation). Always answers 1.
int GetServerTime(QString& output);

// The fallback text for a given local time.
QString FormatLocalTime(const QDateTime& time);

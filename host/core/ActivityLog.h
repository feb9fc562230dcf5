#pragma once

#include <QDateTime>
#include <QString>

// The daily activity log: one file per day under ProfileFolder + "Log/", one line per call.
namespace ActivityLog {

// " Molve 04-Dec-2026": the leading blank is part of the name, the month is always English.
QString FileNameFor(const QDate& day);
// "HH:MM:SS : message LastError = N\r\n", every line feed inside the message as CR LF.
QByteArray FormatLine(const QTime& time, const QString& message, int lastError);

} // namespace ActivityLog

// Appends one line; never fails towards the caller. Safe from any thread. The number after
// "LastError =" is the calling thread's errno at the moment of the call.
void WriteLog(const QString& message);

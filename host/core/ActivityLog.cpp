#include "host/core/ActivityLog.h"

#include "host/core/CUtility.h"
#include "host/core/PrivateModes.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ActivityLog {

QString FileNameFor(const QDate& day) {
    static constexpr std::array<const char*, 12> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return QStringLiteral(" Molve %1-%2-%3")
        .arg(day.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(months.at(static_cast<size_t>(day.month() - 1))))
        .arg(day.year(), 4, 10, QLatin1Char('0'));
}

QByteArray FormatLine(const QTime& time, const QString& message, int lastError) {
    QByteArray body = message.toLocal8Bit();
    body.replace("\n", "\r\n");
    QByteArray line = time.toString(QStringLiteral("HH:mm:ss")).toLatin1();
    line += " : ";
    line += body;
    line += " LastError = " + QByteArray::number(lastError);
    line += "\r\n";
    return line;
}

} // namespace ActivityLog

void WriteLog(const QString& message) {
    const int lastError = errno; // before anything below can change it
    const QDateTime now = QDateTime::currentDateTime();
    const QString folder = CUtility::ProfileFolder() + QStringLiteral("Log/");
    CUtility::CreateFolderPath(folder);
    const QByteArray path = (folder + ActivityLog::FileNameFor(now.date())).toLocal8Bit();
    const QByteArray line = ActivityLog::FormatLine(now.time(), message, lastError);

    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, PrivateModes::kFile);
    if (fd >= 0) {
        PrivateModes::Restrict(fd);
        // One write per line keeps lines from different threads whole.
        [[maybe_unused]] const ssize_t written =
            ::write(fd, line.constData(), static_cast<size_t>(line.size()));
        ::close(fd);
    }
    errno = lastError;
}

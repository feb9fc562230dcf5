#include "dialogs/customproperties/ColumnOrder.h"

#include "dialogs/addressbook/ServerAnswer.h"
#include "host/core/ActivityLog.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"

namespace ColumnOrder {

QString KeyOfCaption(const QString& caption) {
    static const struct {
        const char* caption;
        const char* key;
    } kTable[] = {{"First Name", "FirstName"},
                  {"Last Name", "LastName"},
                  {"Date Of Birth", "DateOfBirth"},
                  {"Date Of Visit", "DateOfVisit"},
                  {"Report Type", "ReportType"},
                  {"CC Doctor Name 1", "CCDoctorName"},
                  {"CC Doctor Name 2", "CCDoctorName1"},
                  {"Referring Physician Name", "ReferringPhysicianName"},
                  {"Attending Doctor Name", "AttendingPhysicianName"},
                  {"Patient Schedule Received", "PatientList"},
                  {"Office Location", "Location"}};
    for (const auto& entry : kTable) {
        if (caption.compare(QLatin1String(entry.caption), Qt::CaseInsensitive) == 0) {
            return QString::fromLatin1(entry.key);
        }
    }
    return caption;
}

QString KeyList(const QStringList& captions) {
    // The status columns show an image, not their stored captions: their text counts as empty.
    static const QStringList kStatusCaptions{QStringLiteral("Op"), QStringLiteral("Pr"), QStringLiteral("Fa"),
                                             QStringLiteral("Fo"), QStringLiteral("Es")};
    static const QStringList kLeftOut{QStringLiteral(".."),
                                      QStringLiteral("Sr.#"),
                                      QString(),
                                      QStringLiteral("Filename"),
                                      QStringLiteral("Uploaded Date/Time"),
                                      QStringLiteral("Transcribed Date/Time")};
    QString keys;
    for (const QString& caption : captions) {
        const QString key = kStatusCaptions.contains(caption) ? QString() : KeyOfCaption(caption).trimmed();
        if (!kLeftOut.contains(key)) {
            keys += key + QLatin1Char('~');
        }
    }
    return keys;
}

QString OrderUrl(const QString& keyList) {
    return Session().ServerURL() + QStringLiteral("qm_custom_order.php") + QStringLiteral("?physicianid=") +
           Session().LoggedUserId() + QStringLiteral("&props=") + keyList;
}

} // namespace ColumnOrder

void StoreColumnOrder::Run() {
    const QString url = ColumnOrder::OrderUrl(ColumnOrder::KeyList(desk_.ColumnCaptions()));
    WriteLog(QStringLiteral("UpdateStatus: confirmation URL, ") + url);
    const ServerAnswer answer = GetShortAnswer(url, std::nullopt);
    if (!answer.sent) {
        return;
    }
    if (answer.response.contains(QLatin1Char('~'))) {
        WriteLog(QStringLiteral("Column headers re-ordered"));
        Prompts::Information(QStringLiteral("Column header order saved  successfully."));
    } else {
        WriteLog(QStringLiteral("Column headers could not be re-ordered"));
        Prompts::Error(answer.response);
    }
}

#include "dialogs/addressbook/AddressBookEntry.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/NameGate.h"
#include "host/core/SessionSettings.h"
#include "transport/scripts/ServerScripts.h"

namespace AddressBookEntry {

QString UpdateUrl(const QString& addressOrKey, bool deleteEntry) {
    // The value goes in as it is: the server reads the fields between the "~".
    return AddressUpdateRequest{Session().QueryPhysicianId(), addressOrKey, deleteEntry}.Address();
}

QString TextForEdit(const QStringList& fieldsFromKey) {
    QString text;
    const auto piece = [&](int field) {
        const QString value = fieldsFromKey.value(field);
        text += (value.isEmpty() ? QStringLiteral(" ") : value) + QLatin1Char('~');
    };
    for (int field = 1; field < kFields; ++field) {
        piece(field);
    }
    piece(0);
    return text;
}

QString Build(const QString& key, const QStringList& sevenFields) {
    QString text = sevenFields.join(QLatin1Char('~'));
    if (!key.isEmpty()) {
        text.prepend(key + QLatin1Char('~'));
    }
    return text;
}

QStringList SplitLine(const QString& line) {
    QStringList fields;
    CUtility::SplitString(line, QStringLiteral("~"), fields);
    return fields;
}

bool KeyAccepted(const QStringList& fields, qsizetype lineNumber) {
    const QString key = fields.value(0);
    const QString why = NameGate::Refusal(key);
    if (key.isEmpty() || why.isEmpty()) {
        return true;
    }
    WriteLog(QStringLiteral("Address book: line %1 not listed, its key is refused (%2): %3")
                 .arg(lineNumber)
                 .arg(why, NameGate::Printable(key)));
    return false;
}

QString RefusedContactsText(int contacts) {
    return QStringLiteral("%1 contact(s) of the address book are not shown: the server gave keys the desk "
                          "does not accept. The activity log names them.")
        .arg(contacts);
}

} // namespace AddressBookEntry

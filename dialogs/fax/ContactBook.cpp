#include "dialogs/fax/ContactBook.h"

#include "dialogs/addressbook/AddressBookEntry.h"
#include "host/core/AnswerLines.h"
#include "host/core/CUtility.h"

#include <QFile>

Contact Contact::FromLine(const QString& line) {
    QStringList fields;
    CUtility::SplitString(line, QStringLiteral("~"), fields);
    Contact contact;
    contact.fields = static_cast<int>(fields.size());
    contact.key = fields.value(0);
    contact.label = fields.value(1);
    contact.first = fields.value(kFirstField - 1);
    contact.last = fields.value(kLastField - 1);
    contact.fax = fields.value(kFaxField - 1);
    return contact;
}

QString Contact::FaxCell() const {
    return fields >= kFaxField ? QStringLiteral("  ") + fax : QString();
}

QString Contact::RecipientEntry() const {
    return key + QLatin1Char('~') + label + QLatin1Char('~') + fax.trimmed();
}

namespace ContactBook {

QStringList ReadLines(const QString& path, int* refused) {
    QStringList lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return lines;
    }
    AnswerLines in(file, QStringLiteral("Contact book"));
    qsizetype number = 0;
    QByteArray bytes;
    while (number < kMaxLines && in.Next(bytes)) {
        const QString line = QString::fromUtf8(bytes);
        if (line.isEmpty()) {
            break;
        }
        if (!AddressBookEntry::KeyAccepted(AddressBookEntry::SplitLine(line), ++number)) {
            if (refused != nullptr) {
                ++*refused;
            }
            continue;
        }
        lines.append(line);
    }
    return lines;
}

} // namespace ContactBook

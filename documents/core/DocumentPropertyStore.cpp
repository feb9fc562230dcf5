#include "documents/core/DocumentPropertyStore.h"

#include "documents/core/DocumentPropertyText.h"
#include "documents/core/SafeSave.h"
#include "documents/core/WordHoldsFile.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/PrivateModes.h"
#include "host/core/Prompts.h"

#include <QFile>

QString DocumentPropertyStore::ScratchPath() {
    return CUtility::ProfileFolder() + QStringLiteral("Temp.doc");
}

void DocumentPropertyStore::ReadDocumentProperties(const QString& path, QStringList& names,
                                                   QStringList& values) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    QByteArray text;
    // Line by line, joined without the line ends; bounded so a huge file streams through.
    while (!file.atEnd()) {
        QByteArray line = file.readLine(1 << 20);
        while (line.endsWith('\n') || line.endsWith('\r')) {
            line.chop(1);
        }
        text.append(line);
    }
    DocumentPropertyText::Read(text, names, values);
}

int DocumentPropertyStore::WriteDocumentProperties(const QString& path, const QString& list) const {
    CUtility::CreateFolderPath(CUtility::ProfileFolder());
    QFile document(path);
    QFile scratch(ScratchPath());
    if (!document.open(QIODevice::ReadOnly) ||
        !PrivateModes::OpenForWriting(scratch, QIODevice::WriteOnly | QIODevice::Truncate)) {
        return 0;
    }
    char first = 0;
    if (!document.getChar(&first) || first != '{') {
        scratch.close();
        scratch.remove();
        return 0;
    }
    document.seek(0);
    QByteArray bytes;
    static constexpr qint64 kBlock = 4096;
    while (!document.atEnd()) {
        const QByteArray block = document.read(kBlock);
        if (block.isEmpty()) {
            break;
        }
        bytes.append(block);
    }
    document.close();

    // A list of one item has no "|": it is still an item (the splitter alone would drop it).
    QStringList items;
    if (list.contains(QLatin1Char('|'))) {
        CUtility::SplitString(list, QStringLiteral("|"), items);
    } else if (!list.trimmed().isEmpty()) {
        items << list.trimmed();
    }
    for (const QString& item : items) {
        const qsizetype tilde = item.indexOf(QLatin1Char('~'));
        DocumentPropertyText::Write(bytes, tilde < 0 ? item : item.left(tilde),
                                    tilde < 0 ? QString() : item.mid(tilde + 1));
    }

    const bool written = scratch.write(bytes) == bytes.size() && scratch.flush();
    scratch.close();
    Delays::Wait(Delays::Get().afterPropertyWrite);

    auto dropScratch = [&]() {
        scratch.setPermissions(scratch.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
        scratch.remove();
    };
    if (!written) {
        dropScratch();
        return 0;
    }
    if (WordHoldsFile(path) || !CopyFileAtomically(ScratchPath(), path)) {
        Prompts::Information(path + QStringLiteral(" is open. Please close the document and try again."));
        dropScratch();
        return 0;
    }
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    dropScratch();
    return 1;
}

#include "documents/pending/PendingRecord.h"

#include "documents/core/DocumentPaths.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/DeskFolder.h"
#include "host/core/NameGate.h"
#include "host/core/PrivateModes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

const QByteArray kFirstLine = "velmo-pending 1";
constexpr qint64 kMaxRecordBytes = 64 * 1024;
constexpr int kMaxRecords = 500;
constexpr qint64 kCopyBuffer = 64 * 1024;

QString StateText(PendingRecord::State s) {
    return s == PendingRecord::State::Owed ? QStringLiteral("owed") : QStringLiteral("watching");
}

QString FormText(PendingRecord::Form f) {
    switch (f) {
    case PendingRecord::Form::Esign:
        return QStringLiteral("esign");
    case PendingRecord::Form::Resign:
        return QStringLiteral("resign");
    case PendingRecord::Form::Resync:
        break;
    }
    return QStringLiteral("resync");
}

// One line per value: line breaks would end it early.
QString OneLine(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return v;
}

QString FileStem(const QString& report) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9_.-]{0,127}$"));
    if (plain.match(report).hasMatch()) {
        return report;
    }
    return QStringLiteral("r-") +
           QString::fromLatin1(QCryptographicHash::hash(report.toUtf8(), QCryptographicHash::Sha1).toHex());
}

} // namespace

bool PendingRecord::SameSession(const QString& userId, const QString& serverUrl) const {
    return user.compare(userId, Qt::CaseInsensitive) == 0 &&
           server.trimmed().compare(serverUrl.trimmed(), Qt::CaseInsensitive) == 0;
}

QString PendingRecord::LivePath() const {
    const QString suffix = editCopy ? QStringLiteral(".fodt") : QStringLiteral(".doc");
    if (folder.isEmpty() || !NameGate::Accepts(folder)) {
        return NameGate::PathInside(CUtility::TempFolder(), report, suffix);
    }
    return NameGate::PathInside(DeskFolder::Root() + folder + QLatin1Char('/'), report, suffix);
}

QString PendingRecord::Serialize() const {
    QString text = QString::fromLatin1(kFirstLine) + QLatin1Char('\n');
    const auto put = [&text](const char* key, const QString& value) {
        text += QLatin1String(key) + QLatin1Char('=') + OneLine(value) + QLatin1Char('\n');
    };
    put("report", report);
    put("user", user);
    put("server", server);
    put("physicianid", physicianId);
    put("locationid", locationId);
    put("state", StateText(state));
    put("form", FormText(form));
    put("demographics", demographics);
    put("basechecksum", QString::number(baseChecksum));
    put("openedchecksum", QString::number(openedChecksum));
    put("esignowner", esignOwner);
    put("esignedopened", esignedOpened ? QStringLiteral("1") : QStringLiteral("0"));
    put("created", created);
    put("folder", folder);
    put("editcopy", editCopy ? QStringLiteral("1") : QStringLiteral("0"));
    return text;
}

std::optional<PendingRecord> PendingRecord::Parse(const QByteArray& text) {
    if (text.size() > kMaxRecordBytes) {
        return std::nullopt;
    }
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty() || lines.first().trimmed() != kFirstLine) {
        return std::nullopt;
    }
    PendingRecord r;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines.at(i));
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            continue;
        }
        const QString key = line.left(eq);
        const QString value = line.mid(eq + 1);
        if (key == QLatin1String("report")) {
            r.report = value;
        } else if (key == QLatin1String("user")) {
            r.user = value;
        } else if (key == QLatin1String("server")) {
            r.server = value;
        } else if (key == QLatin1String("physicianid")) {
            r.physicianId = value;
        } else if (key == QLatin1String("locationid")) {
            r.locationId = value;
        } else if (key == QLatin1String("state")) {
            r.state = value == QLatin1String("owed") ? State::Owed : State::Watching;
        } else if (key == QLatin1String("form")) {
            r.form = value == QLatin1String("esign")    ? Form::Esign
                     : value == QLatin1String("resign") ? Form::Resign
                                                        : Form::Resync;
        } else if (key == QLatin1String("demographics")) {
            r.demographics = value;
        } else if (key == QLatin1String("basechecksum")) {
            r.baseChecksum = value.toUInt();
        } else if (key == QLatin1String("openedchecksum")) {
            r.openedChecksum = value.toUInt();
        } else if (key == QLatin1String("esignowner")) {
            r.esignOwner = value;
        } else if (key == QLatin1String("esignedopened")) {
            r.esignedOpened = value == QLatin1String("1");
        } else if (key == QLatin1String("created")) {
            r.created = value;
        } else if (key == QLatin1String("folder")) {
            r.folder = value;
        } else if (key == QLatin1String("editcopy")) {
            r.editCopy = value == QLatin1String("1");
        }
    }
    if (r.report.trimmed().isEmpty()) {
        return std::nullopt;
    }
    return r;
}

namespace PendingStore {

QString Folder() {
    return CUtility::ProfileFolder() + QStringLiteral("Pending/");
}

QString RecordPath(const QString& report) {
    return Folder() + FileStem(report) + QStringLiteral(".pending");
}

QString DocumentPath(const QString& report) {
    return Folder() + FileStem(report) + QStringLiteral(".doc");
}

bool Save(const PendingRecord& record) {
    CUtility::CreateFolderPath(Folder());
    QSaveFile file(RecordPath(record.report));
    if (!PrivateModes::OpenForWriting(file) || file.write(record.Serialize().toUtf8()) < 0 ||
        !file.commit()) {
        WriteLog(QStringLiteral("PendingRecord: could not write the record of ") + record.report +
                 QStringLiteral(", ") + file.errorString());
        return false;
    }
    return true;
}

std::optional<PendingRecord> Load(const QString& report) {
    QFile file(RecordPath(report));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return PendingRecord::Parse(file.read(kMaxRecordBytes + 1));
}

QList<PendingRecord> All() {
    QList<PendingRecord> records;
    const QDir dir(Folder());
    const QStringList files =
        dir.entryList({QStringLiteral("*.pending")}, QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : files) {
        if (records.size() >= kMaxRecords) {
            WriteLog(QStringLiteral("PendingRecord: more records than are looked at; the rest wait"));
            break;
        }
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        if (auto record = PendingRecord::Parse(file.read(kMaxRecordBytes + 1))) {
            records.append(*record);
        } else {
            WriteLog(QStringLiteral("PendingRecord: not a record, left alone: ") + dir.filePath(name));
        }
    }
    return records;
}

bool KeepDocument(const QString& report, const QString& source) {
    CUtility::CreateFolderPath(Folder());
    QFile in(source);
    QSaveFile out(DocumentPath(report));
    bool ok = in.open(QIODevice::ReadOnly) && PrivateModes::OpenForWriting(out);
    QByteArray buffer;
    while (ok && !in.atEnd()) {
        buffer = in.read(kCopyBuffer);
        ok = !buffer.isEmpty() && out.write(buffer) == buffer.size();
    }
    ok = ok && out.commit();
    if (!ok) {
        out.cancelWriting();
        WriteLog(QStringLiteral("PendingRecord: could not keep ") + source + QStringLiteral(" for ") +
                 report);
    }
    return ok;
}

bool HasDocument(const QString& report) {
    return QFile::exists(DocumentPath(report));
}

void Remove(const QString& report) {
    QFile::remove(DocumentPath(report));
    QFile::remove(RecordPath(report));
}

} // namespace PendingStore

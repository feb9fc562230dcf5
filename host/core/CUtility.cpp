#include "host/core/CUtility.h"

#include "host/core/DeskFolder.h"
#include "host/core/NameGate.h"
#include "host/core/PrivateModes.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

namespace {

// Trims blanks only (spaces and tabs), as the server texts use them.
QString TrimBlanks(const QString& s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && (s.at(b) == QLatin1Char(' ') || s.at(b) == QLatin1Char('\t'))) {
        ++b;
    }
    while (e > b && (s.at(e - 1) == QLatin1Char(' ') || s.at(e - 1) == QLatin1Char('\t'))) {
        --e;
    }
    return s.mid(b, e - b);
}

void AppendPiece(const QString& piece, QStringList& out) {
    if (!piece.isEmpty()) {
        out.append(TrimBlanks(piece));
    }
}

} // namespace

namespace CUtility {

int SplitString(const QString& source, const QString& delim, QStringList& out) {
    const qsizetype n = delim.size();
    if (n == 0) {
        return 0;
    }
    QList<qsizetype> positions;
    qsizetype pos = source.indexOf(delim);
    if (pos < 0) {
        return 0;
    }
    positions.append(pos);
    // Bounded: each found position is strictly greater than the previous one.
    for (;;) {
        const qsizetype next = source.indexOf(delim, positions.last() + n + 1);
        if (next <= positions.last()) {
            break;
        }
        positions.append(next);
    }
    AppendPiece(source.left(positions.first()), out);
    for (qsizetype i = 1; i < positions.size(); ++i) {
        const qsizetype from = positions.at(i - 1) + n;
        AppendPiece(source.mid(from, positions.at(i) - from), out);
    }
    const qsizetype tail = positions.last() + n;
    if (tail < source.size()) {
        AppendPiece(source.mid(tail), out);
    }
    return static_cast<int>(positions.size());
}

void CreateFolderPath(const QString& path) {
    if (path.isEmpty() || path.contains(QChar(u'\0'))) {
        return;
    }
    QString folder = path;
    if (folder.endsWith(QLatin1Char('/')) && folder.size() > 1) {
        folder.chop(1);
    }
    if (FileExists(folder)) {
        return;
    }
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    if (slash > 0) {
        CreateFolderPath(folder.left(slash));
    }
    QByteArray native;
    if (NameGate::NativePath(folder, native)) {
        PrivateModes::MakeFolder(native);
    }
}

bool FileExists(const QString& path) {
    QByteArray native;
    struct stat st {};
    return NameGate::NativePath(path, native) && ::stat(native.constData(), &st) == 0;
}

QString ProfileFolder() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative value is invalid by the XDG rules and is ignored.
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    if (!base.endsWith(QLatin1Char('/'))) {
        base += QLatin1Char('/');
    }
    return base + QStringLiteral("velmo/");
}

QString TempFolder() {
    return DeskFolder::Path();
}

std::unique_ptr<ProgramHandle> RunProgram(const QString& file, const QString& parameters) {
    return Shell::Get().Start(file, parameters.isEmpty() ? QStringList{} : QStringList{parameters});
}

QByteArray CredentialScramble(const QByteArray& text, bool raise) {
    QByteArray out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const bool up = ((i % 2) == 0) == raise;
        const auto c = static_cast<unsigned char>(out.at(i));
        out[i] = static_cast<char>(static_cast<unsigned char>(up ? c + 2 : c - 2));
    }
    return out;
}

QString CredentialScramble(const QString& text, bool raise) {
    return QString::fromLatin1(CredentialScramble(text.toLatin1(), raise));
}

} // namespace CUtility

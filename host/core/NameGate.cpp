#include "host/core/NameGate.h"

#include <QDir>
#include <QFile>

namespace NameGate {

namespace {

bool IsRefusedCharacter(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Other_Control:       // NUL, line ends, escape, DEL, C1 controls
    case QChar::Other_Format:        // direction overrides and invisible joiners
    case QChar::Separator_Line:      // U+2028
    case QChar::Separator_Paragraph: // U+2029
        return true;
    default:
        return c == U'/' || c == U'\\';
    }
}

} // namespace

QString Refusal(const QString& name) {
    if (name.isEmpty()) {
        return QStringLiteral("it is empty");
    }
    if (name.size() > kMaxNameLength) {
        return QStringLiteral("it is longer than %1 characters").arg(kMaxNameLength);
    }
    if (name.startsWith(QLatin1Char('-')) || name.startsWith(QLatin1Char('.'))) {
        return QStringLiteral("it begins with \"%1\"").arg(name.at(0));
    }
    if (name.contains(QStringLiteral(".."))) {
        return QStringLiteral("it holds \"..\"");
    }
    if (!name.isValidUtf16()) {
        return QStringLiteral("it is not valid text");
    }
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size()) {
            c = QChar::surrogateToUcs4(name.at(i).unicode(), name.at(i + 1).unicode());
            ++i;
        }
        if (IsRefusedCharacter(c)) {
            return c == U'/' || c == U'\\'
                       ? QStringLiteral("it holds \"%1\"").arg(QChar(static_cast<char16_t>(c)))
                       : QStringLiteral("it holds the control character U+%1")
                             .arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'));
        }
    }
    return {};
}

QString Printable(const QString& name) {
    QString shown;
    for (const char32_t c : name.left(kMaxNameLength).toUcs4()) {
        shown += IsRefusedCharacter(c) && c != U'/' && c != U'\\' ? QString(QChar::ReplacementCharacter)
                                                                  : QString::fromUcs4(&c, 1);
    }
    return name.size() > kMaxNameLength ? shown + QStringLiteral("...") : shown;
}

QString PathInside(const QString& folder, const QString& name, const QString& suffix) {
    if (!Accepts(name) || !folder.endsWith(QLatin1Char('/')) || suffix.contains(QLatin1Char('/'))) {
        return {};
    }
    QString path = folder + name + suffix;
    // The rule already keeps the name inside; resolving says so once more for every path built.
    const QString resolved = QDir::cleanPath(path);
    if (QDir::cleanPath(folder) + QLatin1Char('/') + name + suffix != resolved) {
        return {};
    }
    return path;
}

bool NativePath(const QString& path, QByteArray& native) {
    if (path.isEmpty() || path.contains(QChar(u'\0'))) {
        native.clear();
        return false;
    }
    native = QFile::encodeName(path);
    return !native.isEmpty() && !native.contains('\0');
}

} // namespace NameGate

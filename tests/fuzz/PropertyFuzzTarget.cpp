// The property store's text side under arbitrary bytes. The input is a property list
// ("name~value|..."), a line end, then the document. Every item is written twice; a balanced
// document stays balanced, and a new property reads back exactly as written (trimmed).
#include "documents/core/DocumentPropertyText.h"
#include "tests/documents/DocumentsTestSupport.h"

#include <QMap>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) {
        return 0;
    }
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype lineEnd = input.indexOf('\n');
    QByteArray doc = input.mid(lineEnd + 1);
    if (lineEnd < 0 || !doc.startsWith('{')) {
        return 0; // the store leaves a document that is not RTF alone
    }
    const bool balanced = DocTest::Balanced(doc) && !doc.contains("\\bin");
    QStringList names, values;
    DocumentPropertyText::Read(doc, names, values);
    // A list that reads to its end, each property with its value.
    const bool readable = names.size() == doc.count("{\\propname") && !values.contains(QStringLiteral(" "));

    QMap<QString, QPair<QString, QString>> written; // by lower-case name: name, value
    const QStringList items = QString::fromUtf8(input.left(lineEnd)).split(QLatin1Char('|')).mid(0, 16);
    for (int round = 0; round < 2; ++round) {
        for (const QString& item : items) {
            QString name = item.section(QLatin1Char('~'), 0, 0);
            QString value = item.section(QLatin1Char('~'), 1);
            name.removeIf([](QChar c) { return !c.isLetterOrNumber() || c.unicode() >= 0x80; });
            for (QChar& c : value) {
                c = c.unicode() < 0x20 ? QLatin1Char(' ') : c; // a value is one line
            }
            DocumentPropertyText::Write(doc, name, value);
            const bool known = names.contains(name, Qt::CaseInsensitive);
            if (!name.isEmpty() && !known && !name.endsWith(QStringLiteral("alias"), Qt::CaseInsensitive)) {
                written.insert(name.toLower(), {written.value(name.toLower(), {name, {}}).first, value});
            }
        }
    }
    if (balanced) {
        Check(DocTest::Balanced(doc));
    }
    if (readable) {
        QStringList after, afterValues;
        DocumentPropertyText::Read(doc, after, afterValues);
        for (const auto& [name, value] : written) {
            Check(afterValues.value(after.indexOf(name)) == value.trimmed());
        }
    }
    return 0;
}

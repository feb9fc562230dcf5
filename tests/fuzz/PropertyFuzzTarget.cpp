// The property store's text side under arbitrary bytes: a property list ("name~value|..."), a
// line end, then the document. Every item is written twice; a balanced document stays balanced,
// and a new property reads back as written (trimmed) when the document's own read to their end.
#include "documents/core/DocumentPropertyText.h"
#include "tests/documents/DocumentsTestSupport.h"

#include <QMap>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data),
                           static_cast<qsizetype>(std::min<size_t>(size, 1 << 20)));
    const qsizetype lineEnd = input.indexOf('\n');
    QByteArray doc = input.mid(lineEnd + 1);
    if (lineEnd < 0 || !doc.startsWith('{')) {
        return 0; // the store leaves a document that is not RTF alone
    }
    const bool balanced = DocTest::Balanced(doc) && !doc.contains("\\bin");
    QStringList names, values;
    DocumentPropertyText::Read(doc, names, values);
    const bool readable = names.size() == doc.count("{\\propname") && !values.contains(QStringLiteral(" "));
    QMap<QString, QPair<QString, QString>> written; // new properties by lower-case name: name, value
    for (int round = 0; round < 2; ++round) {
        for (const QString& item :
             QString::fromUtf8(input.left(lineEnd)).split(QLatin1Char('|')).mid(0, 16)) {
            QString name = item.section(QLatin1Char('~'), 0, 0), value = item.section(QLatin1Char('~'), 1);
            name.removeIf([](QChar c) { return !c.isLetterOrNumber() || c.unicode() >= 0x80; });
            std::replace_if(
                value.begin(), value.end(), [](QChar c) { return c.unicode() < 0x20; }, QLatin1Char(' '));
            DocumentPropertyText::Write(doc, name, value);
            if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive) &&
                !name.endsWith(QStringLiteral("alias"), Qt::CaseInsensitive)) {
                written.insert(name.toLower(), {written.value(name.toLower(), {name, {}}).first, value});
            }
        }
    }
    if (balanced && !DocTest::Balanced(doc)) {
        std::abort();
    }
    QStringList after, afterValues;
    DocumentPropertyText::Read(doc, after, afterValues);
    for (const auto& [name, value] : written) {
        if (readable && afterValues.value(after.indexOf(name)) != value.trimmed()) {
            std::abort();
        }
    }
    return 0;
}

// The RTF model under arbitrary bytes: parse, query, and run the edits the desk makes, then
// check that an edit of a balanced document leaves it balanced and still readable, that a signed
// and re-signed document ends with its statement alone in its last paragraph, once.
#include "documents/core/RtfDocument.h"
#include "documents/core/SigningCore.h"
#include "tests/documents/DocumentsTestSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

// The statement is the main text's last paragraph, alone, and the only one.
void CheckSignedOnce(RtfDocument& doc, const Signing::Result& result) {
    const QString text = doc.MainText();
    QString statement = result.statement;
    statement.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    Check(text.endsWith(statement));
    const qsizetype at = text.size() - statement.size() + statement.indexOf(QStringLiteral("This"));
    Check(at == 0 || text.at(at - 1) == u'\r' || text.at(at - 1) == u'\f' || text.at(at - 1) == u'\a');
    for (const QString& search : Signing::SearchTexts()) {
        Check(text.count(search, Qt::CaseInsensitive) == (result.statement.contains(search) ? 1 : 0));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) {
        return 0;
    }
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Word-for-word balanced inputs without \bin (whose data may hold braces) must stay so.
    const bool balanced = DocTest::Balanced(input) && !input.contains("\\bin") && input.startsWith('{');

    RtfDocument signer(input);
    const QString text = signer.MainText();
    const qsizetype at =
        text.isEmpty() ? -1 : static_cast<qsizetype>(size % static_cast<size_t>(text.size()));
    if (at >= 0) {
        signer.DeleteToEnd(at);
    }
    signer.AppendContinuousSectionBreak();
    signer.AppendRun(QStringLiteral("This document has been Electronically ESigned by X {y} \u00fc on D."));
    const QString signedText = signer.MainText();
    Check(signedText.endsWith(QStringLiteral("ESigned by X {y} \u00fc on D.")) || !input.startsWith('{'));
    Check(!balanced || DocTest::Balanced(signer.Source()));
    Check(!balanced || at < 0 || signedText.startsWith(text.left(at)));

    if (input.startsWith('{')) {
        RtfDocument report(input);
        Signing::Request request;
        request.signatureText = QStringLiteral("Dr. {X} \\ \u00c4");
        request.dateText = QStringLiteral("12-04-26 at 09:15:00");
        request.knownSigned = true;
        CheckSignedOnce(report, Signing::SignDocument(report, request));
        request.watchedFile = size % 2 == 0;
        const Signing::Result again = Signing::SignDocument(report, request);
        Check(again.revision);
        CheckSignedOnce(report, again);
        Check(!balanced || DocTest::Balanced(report.Source()));
    }

    RtfDocument editor(input);
    const auto marks = editor.Bookmarks();
    if (!marks.isEmpty()) {
        editor.SetBookmarkText(static_cast<int>(size % static_cast<size_t>(marks.size())),
                               QStringLiteral("New 7"));
    }
    for (int i = 0; i < editor.SectionCount() && i < 8; ++i) {
        editor.SetSectionProtectedForForms(i, !editor.SectionProtectedForForms(i));
    }
    editor.ProtectionType();
    editor.ProtectForForms();
    editor.Unprotect();
    editor.MainText();
    Check(!balanced || DocTest::Balanced(editor.Source()));
    return 0;
}

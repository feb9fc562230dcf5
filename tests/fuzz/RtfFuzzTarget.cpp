// The RTF model under arbitrary bytes: parse, query, and run the edits the desk makes, then
// check that an edit of a balanced document leaves it balanced and still readable.
#include "documents/core/RtfDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool Balanced(const QByteArray& rtf) {
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf.at(i);
        if (c == '\\') {
            ++i;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

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
    // Word-for-word balanced inputs without \bin (whose data may hold braces) must stay so.
    const bool balanced = Balanced(input) && !input.contains("\\bin") && input.startsWith('{');

    RtfDocument doc(input);
    const QString text = doc.MainText();
    doc.Bookmarks();
    doc.ProtectionType();
    const int sections = doc.SectionCount();
    for (int i = 0; i < sections && i < 8; ++i) {
        doc.SectionProtectedForForms(i);
    }

    RtfDocument signer(input);
    const qsizetype at =
        text.isEmpty() ? -1 : static_cast<qsizetype>(size % static_cast<size_t>(text.size()));
    if (at >= 0) {
        signer.DeleteToEnd(at);
    }
    signer.AppendContinuousSectionBreak();
    signer.AppendRun(QStringLiteral("This document has been Electronically ESigned by X {y} \u00fc on D."));
    const QString signedText = signer.MainText();
    Check(signedText.endsWith(QStringLiteral("ESigned by X {y} \u00fc on D.")) || !input.startsWith('{'));
    if (balanced) {
        Check(Balanced(signer.Source()));
        if (at >= 0) {
            Check(signedText.startsWith(text.left(at)));
        }
    }

    RtfDocument editor(input);
    const auto marks = editor.Bookmarks();
    if (!marks.isEmpty()) {
        editor.SetBookmarkText(static_cast<int>(size % static_cast<size_t>(marks.size())),
                               QStringLiteral("New 7"));
    }
    for (int i = 0; i < editor.SectionCount() && i < 8; ++i) {
        editor.SetSectionProtectedForForms(i, i % 2 == 0);
    }
    editor.ProtectForForms();
    editor.Unprotect();
    editor.MainText();
    if (balanced) {
        Check(Balanced(editor.Source()));
    }
    return 0;
}

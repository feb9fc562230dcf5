#pragma once

#include "documents/core/SigningCore.h"

class RtfDocument;

namespace Signing {

// What became of the statement a document was signed with before.
struct EarlierStatement {
    bool removed = false;    // its paragraphs are gone from the document
    bool marker = false;     // it was the marker: everything after it went too
    qsizetype position = -1; // where it stood in the main text, when it counts as a statement
    QString keptText;        // text that followed it, kept (it now comes before the new statement)
};

// Finds the earlier statement and removes its own paragraphs, keeping any other text after it:
// the search texts first (every occurrence), then, for the watched file of a signed report, the
// signature patterns, and last, for a report known to be signed, the statement's shape (a
// continuous section break, blank paragraphs and one paragraph at 8 points), which finds a
// statement someone edited. Nothing found: the document is left as it is.
EarlierStatement RemoveEarlierStatement(RtfDocument& doc, const Request& request);

} // namespace Signing

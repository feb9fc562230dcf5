#include "documents/core/EarlierStatement.h"

#include "documents/core/RegexMatcher.h"
#include "documents/core/RtfDocument.h"

#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace Signing {
namespace {

struct Span {
    qsizetype from;
    qsizetype to;
};

// The statement is written at 8 points.
constexpr int kStatementHalfPoints = 16;
// More statements than this in one report is no report.
constexpr size_t kMaxStatements = 1000;

bool IsBlank(QChar c) {
    return c.isSpace() || c == u'\a' || c == u'\f';
}

bool IsBlank(QStringView s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return IsBlank(c); });
}

// The mark that ends the paragraph holding from (a paragraph, section or page break, or a table
// cell's end), or the end of the text.
qsizetype ParagraphEnd(const QString& text, qsizetype from) {
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\f' || c == u'\a') {
            return i;
        }
    }
    return text.size();
}

// Past a paragraph's own mark (a cell's end or a section break is structure, and stays).
qsizetype PastMark(const QString& text, qsizetype end) {
    return end < text.size() && text.at(end) == u'\r' ? end + 1 : end;
}

// Where the statement whose opening words end at from ends: with its paragraph when nothing else
// is on it, else just after its own closing words ("on DATE at TIME."), so that text typed behind
// them on the same line stays.
qsizetype StatementEnd(const QString& text, qsizetype from) {
    static const QRegularExpression kClosingWords(
        QStringLiteral(R"(\bon\s+\S+\s+at\s+\d{1,2}:\d{2}(?::\d{2})?\.)"));
    const qsizetype end = ParagraphEnd(text, from);
    const QRegularExpressionMatch m = kClosingWords.match(text.mid(from, end - from));
    if (m.hasMatch()) {
        const qsizetype after = from + m.capturedEnd();
        if (!IsBlank(QStringView(text).mid(after, end - after))) {
            return after;
        }
    }
    return PastMark(text, end);
}

// Every occurrence of the needles (not case-sensitive), each with the rest of its statement.
std::vector<Span> StatementSpans(const QString& text, const QStringList& needles) {
    std::vector<Span> spans;
    for (const QString& needle : needles) {
        for (qsizetype at = text.indexOf(needle, 0, Qt::CaseInsensitive);
             at >= 0 && spans.size() < kMaxStatements;
             at = text.indexOf(needle, at + needle.size(), Qt::CaseInsensitive)) {
            spans.push_back({at, StatementEnd(text, at + needle.size())});
        }
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.from < b.from; });
    std::vector<Span> merged;
    for (const Span& s : spans) {
        if (!merged.empty() && s.from <= merged.back().to) {
            merged.back().to = std::max(merged.back().to, s.to);
        } else {
            merged.push_back(s);
        }
    }
    return merged;
}

// Removes the statement spans. When nothing but blanks follows the first one, everything from
// it on goes (a table or picture left empty after the statement with it); otherwise only the
// statements go and the rest is kept.
void Remove(RtfDocument& doc, const QString& text, const std::vector<Span>& spans, EarlierStatement& out) {
    if (spans.empty()) {
        return;
    }
    QString kept;
    qsizetype at = spans.front().from;
    for (const Span& s : spans) {
        kept += QStringView(text).mid(at, std::max<qsizetype>(0, s.from - at));
        at = std::max(at, s.to);
    }
    kept += QStringView(text).mid(at);
    out.removed = true;
    if (IsBlank(kept)) {
        doc.DeleteToEnd(spans.front().from);
        return;
    }
    out.keptText = kept.trimmed();
    // From the last to the first, so that each span's position still holds when it goes.
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
        doc.DeleteText(it->from, it->to);
    }
}

// The statement paragraph of the last section by its shape: a continuous section break, blank
// paragraphs, then one paragraph all at 8 points, as the desk writes it and as LibreOffice saves
// it. Another shape gives no span.
std::vector<Span> ShapedStatement(RtfDocument& doc, const QString& text) {
    const qsizetype start = doc.LastSectionStart();
    if (start < 0 || !doc.LastSectionContinuous()) {
        return {};
    }
    qsizetype from = start;
    while (from < text.size() && IsBlank(text.at(from))) {
        ++from;
    }
    const qsizetype end = ParagraphEnd(text, from);
    if (from >= end) {
        return {};
    }
    for (qsizetype i = from; i < end; ++i) {
        if (!IsBlank(text.at(i)) && doc.HalfPointsAt(i) != kStatementHalfPoints) {
            return {};
        }
    }
    return {{from, PastMark(text, end)}};
}

} // namespace

EarlierStatement RemoveEarlierStatement(RtfDocument& doc, const Request& request) {
    EarlierStatement out;
    const QString text = doc.MainText();
    QStringList statements = SearchTexts();
    statements.removeAll(kMarker);
    for (const QString& search : SearchTexts()) {
        if (!text.contains(search, Qt::CaseInsensitive)) {
            continue;
        }
        // Only a statement written as the desk writes it counts as one: its position is looked up
        // with letter case respected.
        out.position = text.indexOf(search);
        if (search == kMarker) {
            // The marker's block goes with everything after it; statements before it go too.
            const qsizetype markerAt = text.indexOf(search, 0, Qt::CaseInsensitive);
            doc.DeleteToEnd(markerAt);
            std::vector<Span> spans = StatementSpans(text.left(markerAt), statements);
            for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
                doc.DeleteText(it->from, it->to);
            }
            out.removed = out.marker = true;
            return out;
        }
        Remove(doc, text, StatementSpans(text, statements), out);
        return out;
    }
    if (request.watchedFile && request.knownSigned) {
        const QString statement = FindSignatureStatement(text, request.signaturePatterns);
        if (!statement.isEmpty() && text.contains(statement, Qt::CaseInsensitive)) {
            out.position = text.indexOf(statement);
            Remove(doc, text, StatementSpans(text, {statement}), out);
            return out;
        }
    }
    if (request.knownSigned) {
        const std::vector<Span> shaped = ShapedStatement(doc, text);
        if (!shaped.empty()) {
            out.position = shaped.front().from;
            Remove(doc, text, shaped, out);
        }
    }
    return out;
}

} // namespace Signing

#include "documents/core/RtfDocument.h"

#include "documents/core/RtfCodePage.h"
#include "documents/core/RtfToken.h"
#include "documents/core/SafeSave.h"
#include "documents/core/WordHoldsFile.h"

#include <QByteArrayView>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <string_view>

namespace {

// True when the bytes just before pos end a control word that has no delimiter yet, so that
// text written at pos would run into it.
bool EndsInOpenControlWord(const QByteArray& src, qsizetype pos) {
    qsizetype k = pos - 1;
    while (k >= 0 && (rtf::IsLetter(src[k]) || rtf::IsDigit(src[k]) || src[k] == '-')) {
        --k;
    }
    if (k < 0 || k == pos - 1 || src[k] != '\\' || !rtf::IsLetter(src[k + 1])) {
        return false;
    }
    qsizetype slashes = 0;
    for (qsizetype b = k; b >= 0 && src[b] == '\\'; --b) {
        ++slashes;
    }
    return slashes % 2 == 1;
}

bool NeedsDelimiterBefore(const QByteArray& text) {
    if (text.isEmpty()) {
        return false;
    }
    const char c = text.front();
    return rtf::IsLetter(c) || rtf::IsDigit(c) || c == ' ' || c == '-';
}

} // namespace

RtfDocument::RtfDocument(QByteArray source) : src_(std::move(source)) {}

bool RtfDocument::Load(const QString& path) {
    *this = RtfDocument();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return false;
    }
    src_ = f.readAll();
    return f.error() == QFileDevice::NoError;
}

bool RtfDocument::Save(const QString& path) {
    ApplyEdits();
    if (WordHoldsFile(path)) {
        return false;
    }
    return SaveFileAtomically(path, src_);
}

const QByteArray& RtfDocument::Source() {
    ApplyEdits();
    return src_;
}

QString RtfDocument::MainText() {
    EnsureParsed();
    return text_;
}

qsizetype RtfDocument::Find(const QString& needle, Qt::CaseSensitivity cs) {
    EnsureParsed();
    if (needle.isEmpty()) {
        return -1;
    }
    return text_.indexOf(needle, 0, cs);
}

void RtfDocument::EnsureParsed() {
    if (!edits_.empty()) {
        ApplyEdits();
    }
    if (!parsed_) {
        Parse();
    }
}

void RtfDocument::Queue(qsizetype pos, qsizetype removed, QByteArray inserted) {
    if (parsed_ && EndsInOpenControlWord(src_, pos) && NeedsDelimiterBefore(inserted)) {
        inserted.prepend(' ');
    }
    edits_.push_back({pos, removed, std::move(inserted)});
}

void RtfDocument::ApplyEdits() {
    if (edits_.empty()) {
        return;
    }
    std::stable_sort(edits_.begin(), edits_.end(),
                     [](const Edit& a, const Edit& b) { return a.pos < b.pos; });
    qsizetype size = src_.size();
    for (const Edit& e : edits_) {
        size += e.inserted.size() - e.removed;
    }
    QByteArray out;
    out.reserve(std::max<qsizetype>(size, 0));
    qsizetype at = 0;
    for (const Edit& e : edits_) {
        const qsizetype pos = std::clamp(e.pos, at, src_.size());
        out.append(QByteArrayView(src_.constData() + at, pos - at));
        out.append(e.inserted);
        at = std::min(src_.size(), pos + e.removed);
    }
    out.append(QByteArrayView(src_.constData() + at, src_.size() - at));
    src_ = std::move(out);
    edits_.clear();
    parsed_ = false;
}

void RtfDocument::RemoveToken(qsizetype pos, qsizetype end) {
    const bool keepBlank = end > pos && src_[end - 1] == ' ' && end < src_.size() &&
                           EndsInOpenControlWord(src_, pos) && NeedsDelimiterBefore(QByteArray(1, src_[end]));
    edits_.push_back({pos, end - pos, keepBlank ? QByteArray(" ") : QByteArray()});
}

qsizetype RtfDocument::EndOfMainText() const {
    return rootEnd_ >= 0 ? rootEnd_ : src_.size();
}

qsizetype RtfDocument::SourceOffsetOfText(qsizetype pos) const {
    if (pos >= text_.size() || runs_.empty()) {
        return EndOfMainText();
    }
    auto it = std::upper_bound(runs_.begin(), runs_.end(), pos,
                               [](qsizetype p, const Run& r) { return p < r.textPos; });
    const Run& r = *(it - 1);
    return r.literal ? r.srcPos + (pos - r.textPos) : r.srcPos;
}

QByteArray RtfDocument::KeptClosingBraces(qsizetype from, qsizetype to, qsizetype* openedAndLeftOpen) const {
    QByteArray kept;
    const char* d = src_.constData();
    qsizetype depth = 0;
    qsizetype i = from;
    while (i < to) {
        const rtf::Token t = rtf::ReadToken(d, to, i);
        if (t.kind == rtf::Token::Open) {
            ++depth;
        } else if (t.kind == rtf::Token::Close) {
            if (depth == 0) {
                kept.append('}');
            } else {
                --depth;
            }
        } else if (t.kind == rtf::Token::Word && t.word == "bin") {
            i = std::min(to, t.end + (t.hasParam && t.param > 0 ? t.param : 0));
            continue;
        }
        i = t.end;
    }
    if (openedAndLeftOpen) {
        *openedAndLeftOpen = depth;
    }
    return kept;
}

void RtfDocument::DeleteToEnd(qsizetype pos) {
    EnsureParsed();
    if (pos < 0 || pos >= text_.size()) {
        return;
    }
    const qsizetype from = SourceOffsetOfText(pos);
    const qsizetype to = EndOfMainText();
    qsizetype leftOpen = 0;
    Queue(from, to - from, KeptClosingBraces(from, to, &leftOpen));
    // Groups of a document cut short that began in the deleted part are gone with it.
    openGroupsAtEnd_ -= leftOpen;
    mainTextEnd_ = std::min(mainTextEnd_, pos);
}

void RtfDocument::DeleteText(qsizetype from, qsizetype to) {
    EnsureParsed();
    from = std::max<qsizetype>(0, from);
    to = std::min(to, text_.size());
    if (from >= to) {
        return;
    }
    qsizetype lastKept = -1;
    for (const auto& [a, z] : CharacterSources(from, to, &lastKept)) {
        QueueRemoval(a, z);
    }
    if (to >= mainTextEnd_) {
        mainTextEnd_ = lastKept >= 0 ? lastKept + 1 : from;
    }
}

void RtfDocument::QueueRemoval(qsizetype from, qsizetype to) {
    const bool keepBlank = to < src_.size() && EndsInOpenControlWord(src_, from) &&
                           NeedsDelimiterBefore(QByteArray(1, src_[to]));
    edits_.push_back({from, to - from, keepBlank ? QByteArray(" ") : QByteArray()});
}

std::vector<std::pair<qsizetype, qsizetype>> RtfDocument::CharacterSources(qsizetype from, qsizetype to,
                                                                           qsizetype* lastKept) const {
    std::vector<std::pair<qsizetype, qsizetype>> sources;
    for (qsizetype p = from; p < to;) {
        auto it = std::upper_bound(runs_.begin(), runs_.end(), p,
                                   [](qsizetype q, const Run& r) { return q < r.textPos; });
        const Run& r = *(it - 1);
        const qsizetype runLength = r.literal ? r.srcEnd - r.srcPos : 1;
        const qsizetype a = p - r.textPos;
        const qsizetype z = std::min(runLength, to - r.textPos);
        const QChar ch = text_.at(p);
        if (!r.literal && (ch == u'\a' || ch == u'\f')) {
            if (lastKept) {
                *lastKept = p;
            }
        } else {
            sources.emplace_back(r.literal ? r.srcPos + a : r.srcPos, r.literal ? r.srcPos + z : r.srcEnd);
        }
        p = r.textPos + z;
    }
    return sources;
}

namespace {
// Paragraph and character formatting back to the defaults: no table cell, list, frame,
// right-to-left direction or hidden text carries over into what follows.
const QByteArray kPlainFormatting = QByteArrayLiteral("\\pard\\plain\\ltrpar ");
} // namespace

bool RtfDocument::EndsInOpenParagraph() const {
    if (tail_ != Tail::Parsed) {
        return tail_ == Tail::Open;
    }
    const QChar last = mainTextEnd_ > 0 ? text_.at(mainTextEnd_ - 1) : QChar(u'\r');
    return last != u'\r' && last != u'\f' && last != u'\a';
}

QByteArray RtfDocument::EndOfStandIns() const {
    // A last character written as \uN may still be waiting for stand-ins (a writer that wrote
    // fewer than its \ucN says): an empty group ends the wait, so that nothing appended is taken
    // for one.
    if (tail_ != Tail::Parsed || mainTextEnd_ <= 0 || runs_.empty()) {
        return {};
    }
    auto it = std::upper_bound(runs_.begin(), runs_.end(), mainTextEnd_ - 1,
                               [](qsizetype p, const Run& r) { return p < r.textPos; });
    const Run& r = *(it - 1);
    const QByteArrayView source(src_.constData() + r.srcPos, r.srcEnd - r.srcPos);
    const bool unicode =
        !r.literal && source.startsWith("\\u") && (source.size() == 2 || !rtf::IsLetter(source.at(2)));
    return unicode ? QByteArrayLiteral("{}") : QByteArray();
}

void RtfDocument::AppendContinuousSectionBreak() {
    if (!parsed_ && edits_.empty()) {
        Parse();
    }
    // An unfinished last paragraph is ended by the break itself, so that it keeps its own
    // formatting; otherwise the formatting is reset first, so that the break does not end a
    // table row or a list item of its own. (The groups of a document cut short are closed
    // first: the break must not fall into a hidden group.)
    const QByteArray closing = EndOfStandIns() + ClosingForAppend();
    const QByteArray sectionBreak = QByteArrayLiteral("\\sect\\sectd\\sbknone ");
    Queue(EndOfMainText(), 0,
          closing +
              (EndsInOpenParagraph() ? sectionBreak + kPlainFormatting : kPlainFormatting + sectionBreak));
    tail_ = Tail::Plain;
}

QByteArray RtfDocument::ClosingForAppend() {
    // A document cut short leaves groups open at its end; what is appended belongs to the root.
    if (closedOpenGroups_ || (openGroupsAtEnd_ <= 1 && incompleteTail_ < 0) || rootEnd_ >= 0) {
        return {};
    }
    closedOpenGroups_ = true;
    if (incompleteTail_ >= 0) {
        // A token cut off by the end of the file would swallow what follows it.
        edits_.push_back({incompleteTail_, src_.size() - incompleteTail_, {}});
    }
    return QByteArray(std::max<qsizetype>(0, openGroupsAtEnd_ - 1), '}');
}

int RtfDocument::BlackColourIndex() {
    if (blackIndex_ >= 0) {
        return blackIndex_;
    }
    const bool tableCut = std::any_of(edits_.begin(), edits_.end(), [&](const Edit& e) {
        return e.removed > 0 && colortblEnd_ >= e.pos && colortblEnd_ < e.pos + e.removed;
    });
    if (colortblEnd_ >= 0 && !tableCut) {
        Queue(colortblEnd_, 0, QByteArrayLiteral("\\red0\\green0\\blue0;"));
        blackIndex_ = colourCount_;
    } else {
        Queue(fonttblOrHeaderEnd_, 0, QByteArrayLiteral("{\\colortbl;\\red0\\green0\\blue0;}"));
        blackIndex_ = 1;
    }
    return blackIndex_;
}

void RtfDocument::AppendRun(const QString& text, int pointSize) {
    if (!parsed_ && edits_.empty()) {
        Parse();
    }
    const int colour = BlackColourIndex();
    QByteArray run = QByteArrayLiteral("{\\uc1\\fs") + QByteArray::number(pointSize * 2) + "\\cf" +
                     QByteArray::number(colour) + ' ' + Escape(text) + '}';
    // After the document's own last paragraph, in plain formatting.
    const QByteArray closing = EndOfStandIns() + ClosingForAppend();
    const QByteArray start = tail_ == Tail::Plain    ? closing
                             : EndsInOpenParagraph() ? closing + "\\par" + kPlainFormatting
                                                     : closing + kPlainFormatting;
    Queue(EndOfMainText(), 0, start + run);
    tail_ = text.isEmpty() || text.endsWith(u'\n') ? Tail::Closed : Tail::Open;
}

int RtfDocument::HalfPointsAt(qsizetype pos) {
    EnsureParsed();
    if (pos < 0 || pos >= text_.size()) {
        return 0;
    }
    auto it = std::upper_bound(runs_.begin(), runs_.end(), pos,
                               [](qsizetype p, const Run& r) { return p < r.textPos; });
    return (it - 1)->halfPoints;
}

qsizetype RtfDocument::LastSectionStart() {
    EnsureParsed();
    return sections_.size() > 1 ? sections_.back().textStart : -1;
}

bool RtfDocument::LastSectionContinuous() {
    EnsureParsed();
    return sections_.size() > 1 && sections_.back().continuous;
}

QList<RtfDocument::Bookmark> RtfDocument::Bookmarks() {
    EnsureParsed();
    QList<Bookmark> out;
    std::vector<bool> used(bookmarkEnds_.size(), false);
    for (const BookmarkMark& s : bookmarkStarts_) {
        Bookmark b{s.name, {}, s.textPos, s.textPos};
        for (size_t k = 0; k < bookmarkEnds_.size(); ++k) {
            if (!used[k] && bookmarkEnds_[k].name == s.name && bookmarkEnds_[k].groupStart > s.groupStart) {
                used[k] = true;
                b.end = std::max(s.textPos, bookmarkEnds_[k].textPos);
                break;
            }
        }
        b.text = text_.mid(b.start, b.end - b.start);
        out.append(b);
    }
    return out;
}

bool RtfDocument::SetBookmarkText(int index, const QString& text) {
    const QList<Bookmark> marks = Bookmarks();
    if (index < 0 || index >= marks.size()) {
        return false;
    }
    const Bookmark& b = marks.at(index);
    // Table and section structure inside a bookmark stays; only characters go.
    const auto removals = CharacterSources(b.start, b.end);
    const qsizetype insertAt =
        removals.empty() ? bookmarkStarts_[static_cast<size_t>(index)].groupEnd : removals.front().first;
    // A document may count a \u's stand-in characters otherwise (\uc2 in East Asian reports).
    const bool wide = std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x80; });
    // The new text goes where the old began, ahead of the removals at the same place.
    Queue(insertAt, 0, wide ? "{\\uc1 " + Escape(text) + '}' : Escape(text));
    for (const auto& [from, to] : removals) {
        QueueRemoval(from, to);
    }
    ApplyEdits();
    return true;
}

int RtfDocument::SectionCount() {
    EnsureParsed();
    return static_cast<int>(sections_.size());
}

bool RtfDocument::SectionProtectedForForms(int index) {
    EnsureParsed();
    if (index < 0 || index >= static_cast<int>(sections_.size())) {
        return false;
    }
    const auto& unlocked = sections_[static_cast<size_t>(index)].unlocked;
    if (unlocked.empty()) {
        return true;
    }
    const Keyword& last = unlocked.back();
    return last.hasParam && last.param == 0;
}

void RtfDocument::SetSectionProtectedForForms(int index, bool protectedForForms) {
    if (!parsed_ && edits_.empty()) {
        Parse();
    }
    if (!parsed_ || index < 0 || index >= static_cast<int>(sections_.size())) {
        return;
    }
    const Section& s = sections_[static_cast<size_t>(index)];
    for (const Keyword& k : s.unlocked) {
        RemoveToken(k.pos, k.end);
    }
    if (!protectedForForms) {
        Queue(s.sectdEnd >= 0 ? s.sectdEnd : s.start, 0, QByteArrayLiteral("\\sectunlocked1 "));
    }
}

int RtfDocument::ProtectionType() {
    EnsureParsed();
    int level = -1;
    bool enforced = false;
    for (const Keyword& k : protection_) {
        if (k.word == "formprot") {
            return AllowOnlyFormFields;
        }
        if (k.word == "revprot") {
            return AllowOnlyRevisions;
        }
        if (k.word == "annotprot") {
            return AllowOnlyComments;
        }
        if (k.word == "readprot") {
            return AllowOnlyReading;
        }
        if (k.word == "protlevel" && k.hasParam) {
            level = k.param;
        }
        if (k.word == "enforceprot") {
            enforced = !k.hasParam || k.param != 0;
        }
    }
    return enforced && level >= 0 && level <= 3 ? level : NoProtection;
}

void RtfDocument::ProtectForForms() {
    if (!parsed_ && edits_.empty()) {
        Parse();
    }
    Queue(bodyStart_, 0, QByteArrayLiteral("\\formprot "));
}

void RtfDocument::Unprotect() {
    EnsureParsed();
    for (const Keyword& k : protection_) {
        RemoveToken(k.pos, k.end);
    }
}

QByteArray RtfDocument::Escape(const QString& text) {
    QByteArray out;
    out.reserve(text.size() + 16);
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == u'\n' || u == u'\r') {
            out.append("\\par ");
        } else if (u == u'\t') {
            out.append("\\tab ");
        } else if (u == u'\\' || u == u'{' || u == u'}') {
            out.append('\\').append(static_cast<char>(u));
        } else if (u >= 0x20 && u < 0x80) {
            out.append(static_cast<char>(u));
        } else if (u >= 0x80) {
            out.append("\\u")
                .append(QByteArray::number(static_cast<int>(static_cast<int16_t>(u))))
                .append('?');
        }
    }
    return out;
}

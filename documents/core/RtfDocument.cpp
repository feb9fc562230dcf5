#include "documents/core/RtfDocument.h"

#include "documents/core/RtfCodePage.h"
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

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Destinations whose text is not part of the main text. Any group naming one of them is
// skipped, as is every group marked with "\*". Every control word is looked up: sorted, so
// that the look-up is a binary search.
bool IsHiddenDestination(QByteArrayView w) {
    // clang-format off
    static constexpr std::array<std::string_view, 62> kHidden = {
        "aftncn", "aftnsep", "aftnsepc", "annotation", "atnauthor", "atnid", "author", "bkmkend",
        "bkmkstart", "colorschememapping", "colortbl", "comment", "datastore", "do", "doccomm", "docvar",
        "filetbl", "fldinst", "fonttbl", "footer", "footerf", "footerl", "footerr", "footnote", "ftncn",
        "ftnsep", "ftnsepc", "generator", "header", "headerf", "headerl", "headerr", "info", "keywords",
        "latentstyles", "listoverridetable", "listtable", "listtext", "nonshppict", "objclass", "objdata",
        "objname", "operator", "pgdsctbl", "pict", "pntext", "pntxta", "pntxtb", "revtbl", "rsidtbl",
        "shpinst", "shprslt", "stylesheet", "subject", "tc", "template", "themedata", "title", "txe",
        "userprops", "xe", "xmlnstbl"};
    // clang-format on
    static_assert(std::is_sorted(kHidden.begin(), kHidden.end()));
    return std::binary_search(kHidden.begin(), kHidden.end(),
                              std::string_view(w.data(), static_cast<size_t>(w.size())));
}

bool IsProtectionWord(QByteArrayView w) {
    return w == "formprot" || w == "revprot" || w == "annotprot" || w == "readprot" || w == "enforceprot" ||
           w == "protlevel";
}

int HexValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

struct Token {
    enum Kind { Open, Close, Word, Hex, Symbol, Text, Skip } kind;
    qsizetype end;
    QByteArrayView word;
    int param = 0;
    bool hasParam = false;
    char symbol = 0;
};

constexpr int kMaxWordLength = 32;
constexpr int kMaxParamDigits = 10;

// Reads the token at i (i < n); plain text is returned one byte at a time.
Token ReadToken(const char* d, qsizetype n, qsizetype i) {
    const char c = d[i];
    if (c == '{') {
        return {Token::Open, i + 1, {}};
    }
    if (c == '}') {
        return {Token::Close, i + 1, {}};
    }
    if (c != '\\') {
        return {Token::Text, i + 1, {}};
    }
    qsizetype p = i + 1;
    if (p >= n) {
        return {Token::Skip, n, {}};
    }
    if (IsLetter(d[p])) {
        const qsizetype ws = p;
        while (p < n && IsLetter(d[p]) && p - ws < kMaxWordLength) {
            ++p;
        }
        Token t{Token::Word, p, QByteArrayView(d + ws, p - ws)};
        bool negative = false;
        if (p < n && d[p] == '-' && p + 1 < n && IsDigit(d[p + 1])) {
            negative = true;
            ++p;
        }
        long long value = 0;
        int digits = 0;
        while (p < n && IsDigit(d[p]) && digits < kMaxParamDigits) {
            value = value * 10 + (d[p] - '0');
            ++p;
            ++digits;
        }
        if (digits > 0) {
            t.hasParam = true;
            value = std::clamp(negative ? -value : value, -2147483647LL, 2147483647LL);
            t.param = static_cast<int>(value);
        }
        if (p < n && d[p] == ' ') {
            ++p;
        }
        t.end = p;
        return t;
    }
    if (d[p] == '\'') {
        // Only hex digits belong to it: a brace after "\'" still opens or closes a group.
        const int hi = p + 1 < n ? HexValue(d[p + 1]) : -1;
        const int lo = hi >= 0 && p + 2 < n ? HexValue(d[p + 2]) : -1;
        Token t{Token::Hex, p + 1 + (hi >= 0 ? 1 : 0) + (lo >= 0 ? 1 : 0), {}};
        t.param = (hi < 0 || lo < 0) ? -1 : hi * 16 + lo;
        return t;
    }
    Token t{Token::Symbol, p + 1, {}};
    t.symbol = d[p];
    return t;
}

// True when the bytes just before pos end a control word that has no delimiter yet, so that
// text written at pos would run into it.
bool EndsInOpenControlWord(const QByteArray& src, qsizetype pos) {
    qsizetype k = pos - 1;
    while (k >= 0 && (IsLetter(src[k]) || IsDigit(src[k]) || src[k] == '-')) {
        --k;
    }
    if (k < 0 || k == pos - 1 || src[k] != '\\' || !IsLetter(src[k + 1])) {
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
    return IsLetter(c) || IsDigit(c) || c == ' ' || c == '-';
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

bool RtfDocument::LooksLikeRtf(const QByteArray& head) {
    return head.startsWith('{');
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

void RtfDocument::Parse() {
    struct Group {
        bool skip = true;
        bool first = true;
        bool starred = false;
        bool inFontTable = false; // the font table or a font defined in it
        int uc = 1;
        int font = -1;          // \fN in effect, -1 for the default font
        qint16 halfPoints = 24; // \fsN in effect
        const RtfCodePage* cp = nullptr;
        enum { None, BookmarkStart, BookmarkEnd, ColourTable, FontTable } dest = None;
        qsizetype start = 0;
    };
    text_.clear();
    runs_.clear();
    rootEnd_ = -1;
    incompleteTail_ = -1;
    bodyStart_ = -1;
    colortblEnd_ = -1;
    colourCount_ = 0;
    blackIndex_ = -1;
    sections_.assign(1, Section{});
    protection_.clear();
    bookmarkStarts_.clear();
    bookmarkEnds_.clear();

    const char* d = src_.constData();
    const qsizetype n = src_.size();
    std::vector<Group> stack;
    Group cur;
    int documentCodePage = 1252;
    int defaultFont = -1;
    int definingFont = -1;
    std::map<int, int> fontCodePages; // font number to the code page of its \fcharset
    auto pageOf = [&](int font) {
        const auto it = fontCodePages.find(font < 0 ? defaultFont : font);
        return RtfCodePages::Get(it != fontCodePages.end() && it->second > 0 ? it->second : documentCodePage);
    };
    cur.cp = RtfCodePages::Get(documentCodePage);
    int pendingSkip = 0;
    QString destText;
    int red = -1, green = -1, blue = -1;
    qsizetype afterHeader = -1; // end of the \rtf1 word, or of the font table

    auto put = [&](QChar ch, qsizetype from, qsizetype to) {
        if (bodyStart_ < 0) {
            bodyStart_ = from;
        }
        runs_.push_back({text_.size(), from, to, false, cur.halfPoints});
        text_.append(ch);
    };
    auto skipOne = [&](qsizetype to, int count = 1) {
        // A character standing in for the preceding \u: it belongs to that character's source.
        pendingSkip = std::max(0, pendingSkip - count);
        if (!runs_.empty() && !runs_.back().literal) {
            runs_.back().srcEnd = to;
        }
    };
    // Double-byte code pages: a lead byte waits for the byte after it; the pair is one character
    // (and one stand-in of a \u, whatever its \uc count: a \uc1 or a \uc2 writer alike).
    struct Lead {
        int byte = -1;
        qsizetype from = 0, to = 0;
        bool skipped = false;
        const RtfCodePage* cp = nullptr;
    } lead;
    auto flushLead = [&]() {
        if (lead.byte < 0) {
            return;
        }
        if (lead.skipped) {
            skipOne(lead.to);
        } else {
            put(QChar(u'\uFFFD'), lead.from, lead.to);
        }
        lead.byte = -1;
    };
    auto putByte = [&](unsigned char b, qsizetype from, qsizetype to) {
        if (lead.byte >= 0) {
            if (lead.cp->IsTrailByte(b)) {
                if (lead.skipped) {
                    skipOne(to, 2);
                } else {
                    put(lead.cp->DecodePair(static_cast<unsigned char>(lead.byte), b), lead.from, to);
                }
                lead.byte = -1;
                return;
            }
            flushLead();
        }
        if (cur.cp->IsLeadByte(b)) {
            lead = {b, from, to, pendingSkip > 0, cur.cp};
        } else if (pendingSkip > 0) {
            skipOne(to);
        } else {
            put(cur.cp->Decode(b), from, to);
        }
    };

    qsizetype i = 0;
    while (i < n) {
        const char c = d[i];
        if (stack.empty() && c != '{') {
            ++i;
            continue;
        }
        if (!stack.empty() && c != '\\' && c != '{' && c != '}') {
            if (c == '\r' || c == '\n' || c == '\0') {
                ++i;
                continue;
            }
            if (cur.skip) {
                if (cur.dest == Group::None) {
                    // Hidden text (pictures are most of a large report): run to the next token. The
                    // window grows from small, so a short run costs little and a long one is
                    // searched in few large steps: linear either way.
                    qsizetype j = i + 1;
                    qsizetype window = 64;
                    for (;;) {
                        const qsizetype windowEnd = std::min<qsizetype>(n, j + window);
                        const char* stop = d + windowEnd;
                        for (const char special : {'\\', '{', '}'}) {
                            const void* hit =
                                std::memchr(d + j, special, static_cast<size_t>(stop - (d + j)));
                            if (hit) {
                                stop = static_cast<const char*>(hit);
                            }
                        }
                        if (stop < d + windowEnd || windowEnd == n) {
                            i = stop - d;
                            break;
                        }
                        j = windowEnd;
                        window = std::min<qsizetype>(window * 2, 1 << 16);
                    }
                    continue;
                }
                if (cur.dest == Group::ColourTable && c == ';') {
                    if (red == 0 && green == 0 && blue == 0 && blackIndex_ < 0) {
                        blackIndex_ = colourCount_;
                    }
                    ++colourCount_;
                    red = green = blue = -1;
                } else if (cur.dest == Group::BookmarkStart || cur.dest == Group::BookmarkEnd) {
                    if (destText.size() < 256) {
                        destText.append(cur.cp->Decode(static_cast<unsigned char>(c)));
                    }
                }
                ++i;
                continue;
            }
            cur.first = false;
            if (pendingSkip > 0 || lead.byte >= 0 || static_cast<unsigned char>(c) >= 0x80) {
                putByte(static_cast<unsigned char>(c), i, i + 1);
                ++i;
                continue;
            }
            qsizetype j = i;
            while (j < n && d[j] != '\\' && d[j] != '{' && d[j] != '}' && d[j] != '\r' && d[j] != '\n' &&
                   d[j] != '\0' && static_cast<unsigned char>(d[j]) < 0x80) {
                ++j;
            }
            if (bodyStart_ < 0) {
                bodyStart_ = i;
            }
            runs_.push_back({text_.size(), i, j, true, cur.halfPoints});
            text_.append(QLatin1StringView(d + i, j - i));
            i = j;
            continue;
        }
        const Token t = ReadToken(d, n, i);
        const bool escapedByte =
            t.kind == Token::Symbol && (t.symbol == '\\' || t.symbol == '{' || t.symbol == '}');
        if (lead.byte >= 0 && t.kind != Token::Hex && !escapedByte) {
            flushLead(); // only a byte may follow a lead byte
        }
        switch (t.kind) {
        case Token::Open: {
            stack.push_back(cur);
            const bool root = stack.size() == 1;
            cur.first = true;
            cur.starred = false;
            cur.dest = Group::None;
            cur.start = i;
            if (root) {
                cur.skip = false;
            }
            pendingSkip = 0;
            break;
        }
        case Token::Close: {
            if (cur.dest == Group::BookmarkStart || cur.dest == Group::BookmarkEnd) {
                BookmarkMark mark{destText.trimmed(), text_.size(), cur.start, t.end};
                (cur.dest == Group::BookmarkStart ? bookmarkStarts_ : bookmarkEnds_)
                    .push_back(std::move(mark));
            } else if (cur.dest == Group::ColourTable) {
                colortblEnd_ = i;
            }
            const bool fontTableDone = cur.dest == Group::FontTable && stack.size() == 2;
            if (fontTableDone) {
                afterHeader = t.end;
            }
            const bool root = stack.size() == 1;
            cur = stack.back();
            stack.pop_back();
            pendingSkip = 0;
            if (fontTableDone && cur.font < 0) {
                cur.cp = pageOf(-1); // the default font's code page, now that its charset is known
            }
            if (root) {
                rootEnd_ = i;
                i = n; // what follows the root group is not the document
                continue;
            }
            break;
        }
        case Token::Word: {
            const QByteArrayView w = t.word;
            if (w == "bin") {
                // Binary data: its bytes are not tokens.
                const qsizetype len = t.hasParam && t.param > 0 ? t.param : 0;
                if (t.end + len > n) {
                    incompleteTail_ = i;
                }
                i = std::min(n, t.end + len);
                continue;
            }
            if (stack.size() == 1 && afterHeader < 0 && w == "rtf") {
                afterHeader = t.end;
            }
            const bool parentSkip = stack.size() > 1 && stack.back().skip;
            if (cur.first && cur.starred && !parentSkip && (w == "bkmkstart" || w == "bkmkend")) {
                cur.dest = w == "bkmkstart" ? Group::BookmarkStart : Group::BookmarkEnd;
                destText.clear();
            }
            if (w == "colortbl" && !parentSkip && stack.size() > 1) {
                cur.dest = Group::ColourTable;
                colourCount_ = 0;
                red = green = blue = -1;
            } else if (w == "fonttbl") {
                cur.dest = Group::FontTable;
                cur.inFontTable = true;
            }
            if (IsHiddenDestination(w) && stack.size() > 1) {
                cur.skip = true;
            }
            cur.first = false;
            if (cur.skip) {
                if (cur.dest == Group::ColourTable) {
                    if (w == "red") {
                        red = t.param;
                    } else if (w == "green") {
                        green = t.param;
                    } else if (w == "blue") {
                        blue = t.param;
                    }
                } else if (cur.inFontTable && t.hasParam) {
                    if (w == "f") {
                        definingFont = t.param;
                    } else if (w == "fcharset" && definingFont >= 0 && fontCodePages.size() < 4096) {
                        fontCodePages[definingFont] = RtfCodePage::ForCharset(t.param);
                    }
                }
                break;
            }
            if (w == "ansicpg" && t.hasParam) {
                documentCodePage = t.param;
                cur.cp = pageOf(cur.font);
                break;
            }
            if (w == "deff" && t.hasParam) {
                defaultFont = t.param;
                if (cur.font < 0) {
                    cur.cp = pageOf(-1);
                }
                break;
            }
            if (w == "uc") {
                cur.uc = std::clamp(t.param, 0, 16);
                break;
            }
            if (IsProtectionWord(w)) {
                protection_.push_back({i, t.end, w.toByteArray(), t.param, t.hasParam});
                break;
            }
            if (bodyStart_ < 0 && (w == "sectd" || w == "pard" || w == "plain")) {
                bodyStart_ = i;
            }
            if (w == "sectd") {
                if (sections_.back().sectdEnd < 0) {
                    sections_.back().sectdEnd = t.end;
                }
                sections_.back().continuous = false;
                break;
            }
            if (w == "sbknone" || w == "sbkcol" || w == "sbkpage" || w == "sbkeven" || w == "sbkodd") {
                sections_.back().continuous = w == "sbknone";
                break;
            }
            if (w == "sectunlocked") {
                sections_.back().unlocked.push_back({i, t.end, w.toByteArray(), t.param, t.hasParam});
                break;
            }
            if (pendingSkip > 0) {
                skipOne(t.end);
                break;
            }
            if (w == "f" || w == "plain") {
                cur.font = w == "f" && t.hasParam ? t.param : -1;
                cur.cp = pageOf(cur.font);
                if (w == "plain") {
                    cur.halfPoints = 24;
                }
                break;
            }
            if (w == "fs") {
                cur.halfPoints = static_cast<qint16>(t.hasParam ? std::clamp(t.param, 1, 32767) : 24);
                break;
            }
            if (w == "u") {
                const int v = t.param < 0 ? t.param + 65536 : t.param;
                put(QChar(static_cast<char16_t>(std::clamp(v, 0, 0xFFFF))), i, t.end);
                pendingSkip = cur.uc;
            } else if (w == "par") {
                put(QChar(u'\r'), i, t.end);
            } else if (w == "sect") {
                put(QChar(u'\f'), i, t.end);
                if (sections_.size() < 100000) {
                    sections_.push_back(Section{t.end, -1, {}, text_.size(), false});
                }
            } else if (w == "page") {
                put(QChar(u'\f'), i, t.end);
            } else if (w == "line") {
                put(QChar(u'\v'), i, t.end);
            } else if (w == "tab") {
                put(QChar(u'\t'), i, t.end);
            } else if (w == "cell" || w == "nestcell" || w == "row" || w == "nestrow") {
                put(QChar(u'\a'), i, t.end);
            } else if (w == "emdash") {
                put(QChar(u'\u2014'), i, t.end);
            } else if (w == "endash") {
                put(QChar(u'\u2013'), i, t.end);
            } else if (w == "bullet") {
                put(QChar(u'\u2022'), i, t.end);
            } else if (w == "lquote") {
                put(QChar(u'\u2018'), i, t.end);
            } else if (w == "rquote") {
                put(QChar(u'\u2019'), i, t.end);
            } else if (w == "ldblquote") {
                put(QChar(u'\u201C'), i, t.end);
            } else if (w == "rdblquote") {
                put(QChar(u'\u201D'), i, t.end);
            }
            break;
        }
        case Token::Hex:
            if (t.param < 0 && t.end >= n) {
                incompleteTail_ = i;
            }
            cur.first = false;
            if (cur.skip) {
                if ((cur.dest == Group::BookmarkStart || cur.dest == Group::BookmarkEnd) && t.param >= 0 &&
                    destText.size() < 256) {
                    destText.append(cur.cp->Decode(static_cast<unsigned char>(t.param)));
                }
                break;
            }
            if (t.param >= 0) {
                putByte(static_cast<unsigned char>(t.param), i, t.end);
            } else {
                flushLead();
                if (pendingSkip > 0) {
                    skipOne(t.end);
                }
            }
            break;
        case Token::Symbol:
            if (t.symbol == '*') {
                if (cur.first && stack.size() > 1) {
                    cur.starred = true;
                    cur.skip = true;
                }
                break;
            }
            cur.first = false;
            if (cur.skip) {
                if ((cur.dest == Group::BookmarkStart || cur.dest == Group::BookmarkEnd) &&
                    (t.symbol == '\\' || t.symbol == '{' || t.symbol == '}') && destText.size() < 256) {
                    destText.append(QLatin1Char(t.symbol));
                }
                break;
            }
            if (escapedByte) {
                putByte(static_cast<unsigned char>(t.symbol), i, t.end); // may be a trail byte
                break;
            }
            if (pendingSkip > 0) {
                skipOne(t.end);
                break;
            }
            switch (t.symbol) {
            case '~':
                put(QChar(u'\u00A0'), i, t.end);
                break;
            case '_':
                put(QChar(u'\u2011'), i, t.end);
                break;
            case '\r':
            case '\n':
                put(QChar(u'\r'), i, t.end);
                break;
            default:
                break;
            }
            break;
        case Token::Skip:
            incompleteTail_ = i;
            break;
        case Token::Text:
            break;
        }
        i = t.end;
    }
    flushLead();
    if (bodyStart_ < 0) {
        bodyStart_ = EndOfMainText();
    }
    sections_.front().start = bodyStart_;
    openGroupsAtEnd_ = rootEnd_ >= 0 ? 0 : static_cast<qsizetype>(stack.size());
    closedOpenGroups_ = false;
    fonttblOrHeaderEnd_ = afterHeader < 0 ? std::min<qsizetype>(1, n) : afterHeader;
    mainTextEnd_ = text_.size();
    tail_ = Tail::Parsed;
    parsed_ = true;
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
        const Token t = ReadToken(d, to, i);
        if (t.kind == Token::Open) {
            ++depth;
        } else if (t.kind == Token::Close) {
            if (depth == 0) {
                kept.append('}');
            } else {
                --depth;
            }
        } else if (t.kind == Token::Word && t.word == "bin") {
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
        !r.literal && source.startsWith("\\u") && (source.size() == 2 || !IsLetter(source.at(2)));
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

#include "documents/core/RtfCodePage.h"
#include "documents/core/RtfDocument.h"
#include "documents/core/RtfToken.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

// One pass over an RTF source: the main text and where each of its characters came from, the
// sections, protection words, bookmarks and colour table the engine edits. Each kind of token has
// its handler; the state they share (the group stack, code pages, a pending lead byte, the \u
// stand-ins still to skip) is the parser's.
class RtfDocument::Parser {
public:
    explicit Parser(RtfDocument& doc) : doc_(doc), d_(doc.src_.constData()), n_(doc.src_.size()) {}
    void Run();

private:
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
        bool InBookmarkName() const { return dest == BookmarkStart || dest == BookmarkEnd; }
    };
    // Double-byte code pages: a lead byte waits for the byte after it; the pair is one character
    // (and one stand-in of a \u, whatever its \uc count: a \uc1 or a \uc2 writer alike).
    struct Lead {
        int byte = -1;
        qsizetype from = 0, to = 0;
        bool skipped = false;
        const RtfCodePage* cp = nullptr;
    };

    void Reset();
    void Finish();
    const RtfCodePage* PageOf(int font) const;
    void Put(QChar ch, qsizetype from, qsizetype to);
    void SkipOne(qsizetype to, int count = 1);
    void FlushLead();
    void PutByte(unsigned char b, qsizetype from, qsizetype to);

    qsizetype Text(qsizetype i);
    qsizetype SkipHiddenRun(qsizetype i) const;
    void HiddenByte(char c);
    void Open(qsizetype i);
    bool Close(qsizetype i, qsizetype end);
    bool Word(const rtf::Token& t, qsizetype i, qsizetype* next);
    void DestinationWord(QByteArrayView w);
    void TableValueWord(const rtf::Token& t);
    bool StateWord(const rtf::Token& t, qsizetype i);
    void CharacterWord(QByteArrayView w, qsizetype i, qsizetype end);
    void Hex(const rtf::Token& t, qsizetype i);
    void Symbol(const rtf::Token& t, qsizetype i, bool escapedByte);

    RtfDocument& doc_;
    const char* d_;
    qsizetype n_;
    std::vector<Group> stack_;
    Group cur_;
    int documentCodePage_ = 1252;
    int defaultFont_ = -1;
    int definingFont_ = -1;
    std::map<int, int> fontCodePages_; // font number to the code page of its \fcharset
    int pendingSkip_ = 0;
    QString destText_;
    int red_ = -1, green_ = -1, blue_ = -1;
    qsizetype afterHeader_ = -1; // end of the \rtf1 word, or of the font table
    Lead lead_;
};

void RtfDocument::Parse() {
    Parser(*this).Run();
}

void RtfDocument::Parser::Run() {
    Reset();
    qsizetype i = 0;
    while (i < n_) {
        const char c = d_[i];
        if (stack_.empty() && c != '{') {
            ++i;
            continue;
        }
        if (!stack_.empty() && c != '\\' && c != '{' && c != '}') {
            i = Text(i);
            continue;
        }
        const rtf::Token t = rtf::ReadToken(d_, n_, i);
        const bool escapedByte =
            t.kind == rtf::Token::Symbol && (t.symbol == '\\' || t.symbol == '{' || t.symbol == '}');
        if (lead_.byte >= 0 && t.kind != rtf::Token::Hex && !escapedByte) {
            FlushLead(); // only a byte may follow a lead byte
        }
        switch (t.kind) {
        case rtf::Token::Open:
            Open(i);
            break;
        case rtf::Token::Close:
            if (Close(i, t.end)) {
                i = n_; // what follows the root group is not the document
                continue;
            }
            break;
        case rtf::Token::Word: {
            qsizetype next = t.end;
            if (Word(t, i, &next)) {
                i = next;
                continue;
            }
            break;
        }
        case rtf::Token::Hex:
            Hex(t, i);
            break;
        case rtf::Token::Symbol:
            Symbol(t, i, escapedByte);
            break;
        case rtf::Token::Skip:
            doc_.incompleteTail_ = i;
            break;
        case rtf::Token::Text:
            break;
        }
        i = t.end;
    }
    Finish();
}

void RtfDocument::Parser::Reset() {
    doc_.text_.clear();
    doc_.runs_.clear();
    doc_.rootEnd_ = -1;
    doc_.incompleteTail_ = -1;
    doc_.bodyStart_ = -1;
    doc_.colortblEnd_ = -1;
    doc_.colourCount_ = 0;
    doc_.blackIndex_ = -1;
    doc_.sections_.assign(1, Section{});
    doc_.protection_.clear();
    doc_.bookmarkStarts_.clear();
    doc_.bookmarkEnds_.clear();
    cur_.cp = RtfCodePages::Get(documentCodePage_);
}

void RtfDocument::Parser::Finish() {
    FlushLead();
    if (doc_.bodyStart_ < 0) {
        doc_.bodyStart_ = doc_.EndOfMainText();
    }
    doc_.sections_.front().start = doc_.bodyStart_;
    doc_.openGroupsAtEnd_ = doc_.rootEnd_ >= 0 ? 0 : static_cast<qsizetype>(stack_.size());
    doc_.closedOpenGroups_ = false;
    doc_.fonttblOrHeaderEnd_ = afterHeader_ < 0 ? std::min<qsizetype>(1, n_) : afterHeader_;
    doc_.mainTextEnd_ = doc_.text_.size();
    doc_.tail_ = Tail::Parsed;
    doc_.parsed_ = true;
}

const RtfCodePage* RtfDocument::Parser::PageOf(int font) const {
    const auto it = fontCodePages_.find(font < 0 ? defaultFont_ : font);
    return RtfCodePages::Get(it != fontCodePages_.end() && it->second > 0 ? it->second : documentCodePage_);
}

void RtfDocument::Parser::Put(QChar ch, qsizetype from, qsizetype to) {
    if (doc_.bodyStart_ < 0) {
        doc_.bodyStart_ = from;
    }
    doc_.runs_.push_back({doc_.text_.size(), from, to, false, cur_.halfPoints});
    doc_.text_.append(ch);
}

void RtfDocument::Parser::SkipOne(qsizetype to, int count) {
    // A character standing in for the preceding \u: it belongs to that character's source.
    pendingSkip_ = std::max(0, pendingSkip_ - count);
    if (!doc_.runs_.empty() && !doc_.runs_.back().literal) {
        doc_.runs_.back().srcEnd = to;
    }
}

void RtfDocument::Parser::FlushLead() {
    if (lead_.byte < 0) {
        return;
    }
    if (lead_.skipped) {
        SkipOne(lead_.to);
    } else {
        Put(QChar(u'\uFFFD'), lead_.from, lead_.to);
    }
    lead_.byte = -1;
}

void RtfDocument::Parser::PutByte(unsigned char b, qsizetype from, qsizetype to) {
    if (lead_.byte >= 0) {
        if (lead_.cp->IsTrailByte(b)) {
            if (lead_.skipped) {
                SkipOne(to, 2);
            } else {
                Put(lead_.cp->DecodePair(static_cast<unsigned char>(lead_.byte), b), lead_.from, to);
            }
            lead_.byte = -1;
            return;
        }
        FlushLead();
    }
    if (cur_.cp->IsLeadByte(b)) {
        lead_ = {b, from, to, pendingSkip_ > 0, cur_.cp};
    } else if (pendingSkip_ > 0) {
        SkipOne(to);
    } else {
        Put(cur_.cp->Decode(b), from, to);
    }
}

// A byte outside any control word, inside the root group. Returns where the next token starts.
qsizetype RtfDocument::Parser::Text(qsizetype i) {
    const char c = d_[i];
    if (c == '\r' || c == '\n' || c == '\0') {
        return i + 1;
    }
    if (cur_.skip) {
        if (cur_.dest == Group::None) {
            return SkipHiddenRun(i);
        }
        HiddenByte(c);
        return i + 1;
    }
    cur_.first = false;
    if (pendingSkip_ > 0 || lead_.byte >= 0 || static_cast<unsigned char>(c) >= 0x80) {
        PutByte(static_cast<unsigned char>(c), i, i + 1);
        return i + 1;
    }
    qsizetype j = i;
    while (j < n_ && d_[j] != '\\' && d_[j] != '{' && d_[j] != '}' && d_[j] != '\r' && d_[j] != '\n' &&
           d_[j] != '\0' && static_cast<unsigned char>(d_[j]) < 0x80) {
        ++j;
    }
    if (doc_.bodyStart_ < 0) {
        doc_.bodyStart_ = i;
    }
    doc_.runs_.push_back({doc_.text_.size(), i, j, true, cur_.halfPoints});
    doc_.text_.append(QLatin1StringView(d_ + i, j - i));
    return j;
}

// Hidden text (pictures are most of a large report): run to the next token. The window grows
// from small, so a short run costs little and a long one is searched in few large steps: linear
// either way.
qsizetype RtfDocument::Parser::SkipHiddenRun(qsizetype i) const {
    qsizetype j = i + 1;
    qsizetype window = 64;
    for (;;) {
        const qsizetype windowEnd = std::min<qsizetype>(n_, j + window);
        const char* stop = d_ + windowEnd;
        for (const char special : {'\\', '{', '}'}) {
            const void* hit = std::memchr(d_ + j, special, static_cast<size_t>(stop - (d_ + j)));
            if (hit) {
                stop = static_cast<const char*>(hit);
            }
        }
        if (stop < d_ + windowEnd || windowEnd == n_) {
            return stop - d_;
        }
        j = windowEnd;
        window = std::min<qsizetype>(window * 2, 1 << 16);
    }
}

// A byte of a skipped destination the engine reads: a colour table entry's end, a bookmark name.
void RtfDocument::Parser::HiddenByte(char c) {
    if (cur_.dest == Group::ColourTable && c == ';') {
        if (red_ == 0 && green_ == 0 && blue_ == 0 && doc_.blackIndex_ < 0) {
            doc_.blackIndex_ = doc_.colourCount_;
        }
        ++doc_.colourCount_;
        red_ = green_ = blue_ = -1;
    } else if (cur_.InBookmarkName()) {
        if (destText_.size() < 256) {
            destText_.append(cur_.cp->Decode(static_cast<unsigned char>(c)));
        }
    }
}

void RtfDocument::Parser::Open(qsizetype i) {
    stack_.push_back(cur_);
    const bool root = stack_.size() == 1;
    cur_.first = true;
    cur_.starred = false;
    cur_.dest = Group::None;
    cur_.start = i;
    if (root) {
        cur_.skip = false;
    }
    pendingSkip_ = 0;
}

// Returns true when the group closed is the root: the document ends there.
bool RtfDocument::Parser::Close(qsizetype i, qsizetype end) {
    if (cur_.InBookmarkName()) {
        BookmarkMark mark{destText_.trimmed(), doc_.text_.size(), cur_.start, end};
        (cur_.dest == Group::BookmarkStart ? doc_.bookmarkStarts_ : doc_.bookmarkEnds_)
            .push_back(std::move(mark));
    } else if (cur_.dest == Group::ColourTable) {
        doc_.colortblEnd_ = i;
    }
    const bool fontTableDone = cur_.dest == Group::FontTable && stack_.size() == 2;
    if (fontTableDone) {
        afterHeader_ = end;
    }
    const bool root = stack_.size() == 1;
    cur_ = stack_.back();
    stack_.pop_back();
    pendingSkip_ = 0;
    if (fontTableDone && cur_.font < 0) {
        cur_.cp = PageOf(-1); // the default font's code page, now that its charset is known
    }
    if (root) {
        doc_.rootEnd_ = i;
    }
    return root;
}

// Returns true when the word moved the position itself (to *next): binary data is not tokens.
bool RtfDocument::Parser::Word(const rtf::Token& t, qsizetype i, qsizetype* next) {
    const QByteArrayView w = t.word;
    if (w == "bin") {
        const qsizetype len = t.hasParam && t.param > 0 ? t.param : 0;
        if (t.end + len > n_) {
            doc_.incompleteTail_ = i;
        }
        *next = std::min(n_, t.end + len);
        return true;
    }
    if (stack_.size() == 1 && afterHeader_ < 0 && w == "rtf") {
        afterHeader_ = t.end;
    }
    DestinationWord(w);
    cur_.first = false;
    if (cur_.skip) {
        TableValueWord(t);
        return false;
    }
    if (StateWord(t, i)) {
        return false;
    }
    if (pendingSkip_ > 0) {
        SkipOne(t.end);
        return false;
    }
    if (w == "u") {
        const int v = t.param < 0 ? t.param + 65536 : t.param;
        Put(QChar(static_cast<char16_t>(std::clamp(v, 0, 0xFFFF))), i, t.end);
        pendingSkip_ = cur_.uc;
        return false;
    }
    CharacterWord(w, i, t.end);
    return false;
}

// Words that make the group a destination the engine reads, or one it skips.
void RtfDocument::Parser::DestinationWord(QByteArrayView w) {
    const bool parentSkip = stack_.size() > 1 && stack_.back().skip;
    if (cur_.first && cur_.starred && !parentSkip && (w == "bkmkstart" || w == "bkmkend")) {
        cur_.dest = w == "bkmkstart" ? Group::BookmarkStart : Group::BookmarkEnd;
        destText_.clear();
    }
    if (w == "colortbl" && !parentSkip && stack_.size() > 1) {
        cur_.dest = Group::ColourTable;
        doc_.colourCount_ = 0;
        red_ = green_ = blue_ = -1;
    } else if (w == "fonttbl") {
        cur_.dest = Group::FontTable;
        cur_.inFontTable = true;
    }
    if (rtf::IsHiddenDestination(w) && stack_.size() > 1) {
        cur_.skip = true;
    }
}

// Inside a skipped group: a colour's components, a font's number and character set.
void RtfDocument::Parser::TableValueWord(const rtf::Token& t) {
    const QByteArrayView w = t.word;
    if (cur_.dest == Group::ColourTable) {
        if (w == "red") {
            red_ = t.param;
        } else if (w == "green") {
            green_ = t.param;
        } else if (w == "blue") {
            blue_ = t.param;
        }
    } else if (cur_.inFontTable && t.hasParam) {
        if (w == "f") {
            definingFont_ = t.param;
        } else if (w == "fcharset" && definingFont_ >= 0 && fontCodePages_.size() < 4096) {
            fontCodePages_[definingFont_] = RtfCodePage::ForCharset(t.param);
        }
    }
}

// Words that set state and put no character: code pages, fonts and sizes, \uc, protection,
// section properties. Returns true when the word was one of them.
bool RtfDocument::Parser::StateWord(const rtf::Token& t, qsizetype i) {
    const QByteArrayView w = t.word;
    if (w == "ansicpg" && t.hasParam) {
        documentCodePage_ = t.param;
        cur_.cp = PageOf(cur_.font);
        return true;
    }
    if (w == "deff" && t.hasParam) {
        defaultFont_ = t.param;
        if (cur_.font < 0) {
            cur_.cp = PageOf(-1);
        }
        return true;
    }
    if (w == "uc") {
        cur_.uc = std::clamp(t.param, 0, 16);
        return true;
    }
    if (rtf::IsProtectionWord(w)) {
        doc_.protection_.push_back({i, t.end, w.toByteArray(), t.param, t.hasParam});
        return true;
    }
    if (doc_.bodyStart_ < 0 && (w == "sectd" || w == "pard" || w == "plain")) {
        doc_.bodyStart_ = i;
    }
    Section& section = doc_.sections_.back();
    if (w == "sectd") {
        if (section.sectdEnd < 0) {
            section.sectdEnd = t.end;
        }
        section.continuous = false;
        return true;
    }
    if (w == "sbknone" || w == "sbkcol" || w == "sbkpage" || w == "sbkeven" || w == "sbkodd") {
        section.continuous = w == "sbknone";
        return true;
    }
    if (w == "sectunlocked") {
        section.unlocked.push_back({i, t.end, w.toByteArray(), t.param, t.hasParam});
        return true;
    }
    if (pendingSkip_ > 0) {
        return false; // a stand-in of the preceding \u, not a font change
    }
    if (w == "f" || w == "plain") {
        cur_.font = w == "f" && t.hasParam ? t.param : -1;
        cur_.cp = PageOf(cur_.font);
        if (w == "plain") {
            cur_.halfPoints = 24;
        }
        return true;
    }
    if (w == "fs") {
        cur_.halfPoints = static_cast<qint16>(t.hasParam ? std::clamp(t.param, 1, 32767) : 24);
        return true;
    }
    return false;
}

namespace {

// The control words that stand for one character of the main text.
struct CharacterOfWord {
    QByteArrayView word;
    char16_t character;
};
constexpr CharacterOfWord kCharacterWords[] = {
    {"par", u'\r'},        {"sect", u'\f'},       {"page", u'\f'},          {"line", u'\v'},
    {"tab", u'\t'},        {"cell", u'\a'},       {"nestcell", u'\a'},      {"row", u'\a'},
    {"nestrow", u'\a'},    {"emdash", u'\u2014'}, {"endash", u'\u2013'},    {"bullet", u'\u2022'},
    {"lquote", u'\u2018'}, {"rquote", u'\u2019'}, {"ldblquote", u'\u201C'}, {"rdblquote", u'\u201D'},
};

} // namespace

void RtfDocument::Parser::CharacterWord(QByteArrayView w, qsizetype i, qsizetype end) {
    const auto* found = std::find_if(std::begin(kCharacterWords), std::end(kCharacterWords),
                                     [&](const CharacterOfWord& c) { return c.word == w; });
    if (found == std::end(kCharacterWords)) {
        return;
    }
    Put(QChar(found->character), i, end);
    // A section break also starts the next section.
    if (w == "sect" && doc_.sections_.size() < 100000) {
        doc_.sections_.push_back(Section{end, -1, {}, doc_.text_.size(), false});
    }
}

void RtfDocument::Parser::Hex(const rtf::Token& t, qsizetype i) {
    if (t.param < 0 && t.end >= n_) {
        doc_.incompleteTail_ = i;
    }
    cur_.first = false;
    if (cur_.skip) {
        if (cur_.InBookmarkName() && t.param >= 0 && destText_.size() < 256) {
            destText_.append(cur_.cp->Decode(static_cast<unsigned char>(t.param)));
        }
        return;
    }
    if (t.param >= 0) {
        PutByte(static_cast<unsigned char>(t.param), i, t.end);
    } else {
        FlushLead();
        if (pendingSkip_ > 0) {
            SkipOne(t.end);
        }
    }
}

void RtfDocument::Parser::Symbol(const rtf::Token& t, qsizetype i, bool escapedByte) {
    if (t.symbol == '*') {
        if (cur_.first && stack_.size() > 1) {
            cur_.starred = true;
            cur_.skip = true;
        }
        return;
    }
    cur_.first = false;
    if (cur_.skip) {
        if (cur_.InBookmarkName() && escapedByte && destText_.size() < 256) {
            destText_.append(QLatin1Char(t.symbol));
        }
        return;
    }
    if (escapedByte) {
        PutByte(static_cast<unsigned char>(t.symbol), i, t.end); // may be a trail byte
        return;
    }
    if (pendingSkip_ > 0) {
        SkipOne(t.end);
        return;
    }
    switch (t.symbol) {
    case '~':
        Put(QChar(u'\u00A0'), i, t.end);
        break;
    case '_':
        Put(QChar(u'\u2011'), i, t.end);
        break;
    case '\r':
    case '\n':
        Put(QChar(u'\r'), i, t.end);
        break;
    default:
        break;
    }
}

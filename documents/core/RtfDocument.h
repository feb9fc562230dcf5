#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// A report in RTF, edited in place. The source bytes are kept as they are; the parser maps the
// main text (what a word processor's Content text shows: body paragraphs, tables, field
// results, without headers, footers, tables of fonts and colours, pictures, field instructions
// or hidden destinations) back to source offsets, so that an edit touches only the bytes it
// must and everything else survives byte for byte.
//
// Edits are queued against the current parse and applied together (one pass over the source)
// before the next query or the save; queries after an edit see the edited document.
//
// Main text: a paragraph (\par) is "\r", a section break (\sect) or page break "\f", a
// manual line break "\v", a tab "\t", the end of a table cell or row "\a".
class RtfDocument final {
public:
    // Word's protection types.
    enum Protection {
        NoProtection = -1,
        AllowOnlyRevisions = 0,
        AllowOnlyComments = 1,
        AllowOnlyFormFields = 2,
        AllowOnlyReading = 3
    };

    struct Bookmark {
        QString name;
        QString text;        // the main text it spans
        qsizetype start = 0; // main-text positions
        qsizetype end = 0;
    };

    RtfDocument() = default;
    explicit RtfDocument(QByteArray source);

    // Reads the file; false (and an empty document) when it cannot be read.
    bool Load(const QString& path);
    // Writes the document over path atomically (beside it, then renamed over it). Refuses,
    // returning false, when another program holds the file.
    bool Save(const QString& path);

    // The source with every queued edit applied.
    const QByteArray& Source();
    // True when the bytes begin with "{" (what the desk takes for RTF).

    QString MainText();
    // First occurrence of needle in the main text from its start, not case-sensitive unless
    // told; -1 when absent.
    qsizetype Find(const QString& needle, Qt::CaseSensitivity cs = Qt::CaseInsensitive);

    // Deletes the main text from position pos to the end: every character, paragraph mark,
    // table, picture and field from there on, keeping everything before it and every group
    // balanced.
    void DeleteToEnd(qsizetype pos);
    // Deletes the characters of the main text from position from up to to (exclusive): text
    // and paragraph marks go; groups, formatting, table cells and section breaks stay, so what
    // follows keeps its own structure.
    void DeleteText(qsizetype from, qsizetype to);

    // What is appended starts in plain formatting whatever state the document ends in (a table
    // row, a list item, a frame, right-to-left or hidden text): an unfinished last paragraph is
    // ended first, keeping its own formatting, and the paragraph and character properties are
    // reset.
    // Appends a continuous section break at the end of the main text.
    void AppendContinuousSectionBreak();
    // Appends text at the end of the main text as a run of the given size (points) in black
    // (colour 0). "\n" in text is a paragraph mark.
    void AppendRun(const QString& text, int pointSize = 8);

    // The size of the main-text character at pos in half-points (\fsN); 0 when out of range.
    int HalfPointsAt(qsizetype pos);
    // Where the last section begins in the main text (just after its section break); -1 when
    // the document has one section. Whether that break is continuous (\sbknone).
    qsizetype LastSectionStart();
    bool LastSectionContinuous();

    QList<Bookmark> Bookmarks();
    // Replaces the main text the bookmark spans with text; the bookmark then spans the new
    // text. False when index is out of range.
    bool SetBookmarkText(int index, const QString& text);

    int SectionCount();
    bool SectionProtectedForForms(int index);
    void SetSectionProtectedForForms(int index, bool protectedForForms);

    int ProtectionType();
    void ProtectForForms();
    void Unprotect();

    // RTF for text: braces and backslashes escaped, "\n" and "\r" as \par, tabs as \tab,
    // everything outside ASCII as \uN with a "?" fallback.
    static QByteArray Escape(const QString& text);

private:
    struct Run {
        qsizetype textPos; // first main-text character of the run
        qsizetype srcPos;  // where its source begins
        qsizetype srcEnd;  // where its source ends
        bool literal;      // one source byte per character; otherwise one character for the token
        qint16 halfPoints; // font size
    };
    struct Keyword {
        qsizetype pos;
        qsizetype end;
        QByteArray word;
        int param;
        bool hasParam;
    };
    struct Section {
        qsizetype start = 0;     // source offset where its properties may be written
        qsizetype sectdEnd = -1; // end of its \sectd, when it has one
        std::vector<Keyword> unlocked;
        qsizetype textStart = 0; // main-text position where it begins
        bool continuous = false; // its break is \sbknone
    };
    struct BookmarkMark {
        QString name;
        qsizetype textPos;
        qsizetype groupStart;
        qsizetype groupEnd;
    };
    struct Edit {
        qsizetype pos;
        qsizetype removed;
        QByteArray inserted;
    };

    class Parser; // one pass over the source: RtfParse.cpp
    friend class Parser;
    void Parse();
    void EnsureParsed();
    void Queue(qsizetype pos, qsizetype removed, QByteArray inserted);
    // Removes a control word, keeping a blank where the words around it would otherwise merge.
    void RemoveToken(qsizetype pos, qsizetype end);
    // Removes source bytes, keeping a blank where a control word would run into what follows.
    void QueueRemoval(qsizetype from, qsizetype to);
    // The source ranges of the characters of main text [from, to), table and section structure
    // left out; lastKept is the last structure character left in the range, or -1.
    std::vector<std::pair<qsizetype, qsizetype>> CharacterSources(qsizetype from, qsizetype to,
                                                                  qsizetype* lastKept = nullptr) const;
    // Whether the main text, once the queued edits are done, ends inside a paragraph.
    bool EndsInOpenParagraph() const;
    // "{}" when the main text ends in a \uN character, whose stand-ins may be incomplete.
    QByteArray EndOfStandIns() const;
    void ApplyEdits();
    qsizetype SourceOffsetOfText(qsizetype pos) const;
    // Where text appended at the end of the main text goes.
    qsizetype EndOfMainText() const;
    int BlackColourIndex(); // queues the colour-table change when black is missing
    QByteArray KeptClosingBraces(qsizetype from, qsizetype to, qsizetype* openedAndLeftOpen = nullptr) const;
    QByteArray ClosingForAppend();

    QByteArray src_;
    bool parsed_ = false;
    std::vector<Edit> edits_;

    QString text_;
    std::vector<Run> runs_;
    qsizetype rootEnd_ = -1;     // the root group's closing brace, -1 when it never closes
    qsizetype bodyStart_ = 0;    // where the document's formatting ends and the first section begins
    qsizetype colortblEnd_ = -1; // the colour table's closing brace
    int colourCount_ = 0;
    int blackIndex_ = -1;
    qsizetype fonttblOrHeaderEnd_ = 0; // where a missing colour table goes
    qsizetype openGroupsAtEnd_ = 0;    // groups left open by a document cut short
    bool closedOpenGroups_ = false;
    qsizetype incompleteTail_ = -1; // a token cut off by the end of the file
    qsizetype mainTextEnd_ = 0;     // the end of the main text once queued deletions are done
    // How queued appends end the main text: as parsed, after a paragraph mark, inside a
    // paragraph, or after a section break in plain formatting.
    enum class Tail { Parsed, Closed, Open, Plain } tail_ = Tail::Parsed;
    std::vector<Section> sections_;
    std::vector<Keyword> protection_;
    std::vector<BookmarkMark> bookmarkStarts_;
    std::vector<BookmarkMark> bookmarkEnds_;
};

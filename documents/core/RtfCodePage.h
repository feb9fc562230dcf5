#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <map>
#include <memory>

class QStringDecoder;

// A Windows code page as RTF uses it for "\'hh" bytes and 8-bit text: single-byte pages through
// a table, and the four double-byte pages of East Asian reports (932, 936, 949, 950), where a
// lead byte and the byte after it make one character.
class RtfCodePage final {
public:
    explicit RtfCodePage(int codePage);
    ~RtfCodePage();
    RtfCodePage(const RtfCodePage&) = delete;
    RtfCodePage& operator=(const RtfCodePage&) = delete;

    int Number() const { return number_; }
    bool IsLeadByte(unsigned char b) const { return lead_ && lead_->lead[b]; }
    bool IsTrailByte(unsigned char b) const { return lead_ && lead_->trail[b]; }

    // One byte on its own (an ASCII byte, or a single-byte page's upper half).
    QChar Decode(unsigned char b) const { return b < 0x80 ? QChar(b) : QChar(high_[b - 0x80]); }
    // A lead byte and its trail byte; U+FFFD when the page has no character for them.
    QChar DecodePair(unsigned char lead, unsigned char trail) const;
    // A run of bytes, double-byte characters joined.
    QString DecodeBytes(const QByteArray& bytes) const;

    // The code page a font's "\fcharsetN" stands for; 0 when the document's own page applies.
    static int ForCharset(int charset);

private:
    struct LeadTable {
        std::array<bool, 256> lead{};
        std::array<bool, 256> trail{};
    };
    int number_;
    std::array<char16_t, 128> high_{};
    std::unique_ptr<LeadTable> lead_;
    std::unique_ptr<QStringDecoder> decoder_;
};

// The code pages met while reading documents, made once each per thread (a converter is not
// to be shared between threads) and kept: a report is read many times over while it is signed.
class RtfCodePages final {
public:
    static const RtfCodePage* Get(int codePage);
};

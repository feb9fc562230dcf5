#include "documents/core/RtfCodePage.h"

#include <QStringDecoder>

#include <span>
#include <utility>

namespace {

// The upper half of Windows-1252, the page of most reports, without a converter.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t kReplacement = 0xFFFD;

QByteArray ConverterName(int codePage) {
    switch (codePage) {
    case 437:
        return "IBM437";
    case 850:
        return "IBM850";
    case 10000:
        return "macintosh";
    default:
        return QByteArray("windows-") + QByteArray::number(codePage);
    }
}

struct ByteRange {
    int from;
    int to;
};

} // namespace

RtfCodePage::RtfCodePage(int codePage) : number_(codePage <= 0 ? 1252 : codePage) {
    for (int b = 0; b < 128; ++b) {
        high_[static_cast<size_t>(b)] = static_cast<char16_t>(0x80 + b);
    }
    if (number_ == 1252) {
        std::copy(kCp1252High.begin(), kCp1252High.end(), high_.begin());
        return;
    }
    decoder_ = std::make_unique<QStringDecoder>(ConverterName(number_));
    if (!decoder_->isValid()) {
        decoder_.reset();
        number_ = 1252;
        std::copy(kCp1252High.begin(), kCp1252High.end(), high_.begin());
        return;
    }
    // Which bytes lead a double-byte character, and which may follow one.
    static constexpr ByteRange k932Lead[] = {{0x81, 0x9F}, {0xE0, 0xFC}};
    static constexpr ByteRange k932Trail[] = {{0x40, 0x7E}, {0x80, 0xFC}};
    static constexpr ByteRange kWideLead[] = {{0x81, 0xFE}};
    static constexpr ByteRange k936Trail[] = {{0x40, 0x7E}, {0x80, 0xFE}};
    static constexpr ByteRange k949Trail[] = {{0x41, 0x5A}, {0x61, 0x7A}, {0x81, 0xFE}};
    static constexpr ByteRange k950Trail[] = {{0x40, 0x7E}, {0xA1, 0xFE}};
    std::span<const ByteRange> leads;
    std::span<const ByteRange> trails;
    switch (number_) {
    case 932:
        leads = k932Lead;
        trails = k932Trail;
        break;
    case 936:
        leads = kWideLead;
        trails = k936Trail;
        break;
    case 949:
        leads = kWideLead;
        trails = k949Trail;
        break;
    case 950:
        leads = kWideLead;
        trails = k950Trail;
        break;
    default:
        break;
    }
    if (!leads.empty()) {
        lead_ = std::make_unique<LeadTable>();
        for (const ByteRange& r : leads) {
            for (int b = r.from; b <= r.to; ++b) {
                lead_->lead[static_cast<size_t>(b)] = true;
            }
        }
        for (const ByteRange& r : trails) {
            for (int b = r.from; b <= r.to; ++b) {
                lead_->trail[static_cast<size_t>(b)] = true;
            }
        }
    }
    for (int b = 0; b < 128; ++b) {
        const char byte = static_cast<char>(0x80 + b);
        if (IsLeadByte(static_cast<unsigned char>(byte))) {
            high_[static_cast<size_t>(b)] = kReplacement; // a lead byte alone is no character
            continue;
        }
        const QString s = decoder_->decode(QByteArrayView(&byte, 1));
        decoder_->resetState();
        if (s.size() == 1) {
            high_[static_cast<size_t>(b)] = s.at(0).unicode();
        }
    }
}

RtfCodePage::~RtfCodePage() = default;

QChar RtfCodePage::DecodePair(unsigned char lead, unsigned char trail) const {
    if (!decoder_) {
        return QChar(kReplacement);
    }
    const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    const QString s = decoder_->decode(QByteArrayView(bytes, 2));
    decoder_->resetState();
    return s.size() == 1 ? s.at(0) : QChar(kReplacement);
}

QString RtfCodePage::DecodeBytes(const QByteArray& bytes) const {
    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes.at(i));
        if (IsLeadByte(b) && i + 1 < bytes.size() &&
            IsTrailByte(static_cast<unsigned char>(bytes.at(i + 1)))) {
            out.append(DecodePair(b, static_cast<unsigned char>(bytes.at(i + 1))));
            ++i;
        } else {
            out.append(Decode(b));
        }
    }
    return out;
}

int RtfCodePage::ForCharset(int charset) {
    static constexpr std::pair<int, int> kCharsets[] = {
        {0, 1252},   {77, 10000}, {128, 932},  {129, 949},  {134, 936},  {136, 950},
        {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257},
        {204, 1251}, {222, 874},  {238, 1250}, {254, 437},  {255, 850}};
    for (const auto& [set, page] : kCharsets) {
        if (set == charset) {
            return page;
        }
    }
    return 0;
}

const RtfCodePage* RtfCodePages::Get(int codePage) {
    // Bounded: a document naming many pages gets the common one for the rest.
    thread_local std::map<int, std::unique_ptr<RtfCodePage>> pages;
    const int key = codePage <= 0 ? 1252 : codePage;
    auto it = pages.find(key);
    if (it == pages.end()) {
        if (pages.size() >= 32 && key != 1252) {
            return Get(1252);
        }
        it = pages.emplace(key, std::make_unique<RtfCodePage>(key)).first;
    }
    return it->second.get();
}

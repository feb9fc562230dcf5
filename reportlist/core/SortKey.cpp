#include "reportlist/core/SortKey.h"

#include "reportlist/core/DateTimeReader.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QVarLengthArray>

#include <algorithm>
#include <numeric>

namespace SortKey {
namespace {

// Numbers longer than this do not fit 64 bits; they are compared digit by digit.
constexpr qsizetype kMaxShortNumber = 18;

int Unit(QChar c) {
    return c.unicode();
}
int Unit(char c) {
    return static_cast<quint8>(c);
}
bool IsDigit(int unit) {
    return unit >= '0' && unit <= '9';
}

template <typename Text> bool AllDigits(Text text) {
    return std::all_of(text.begin(), text.end(), [](auto c) { return IsDigit(Unit(c)); });
}

template <typename Text> Text WithoutLeadingZeros(Text text) {
    qsizetype i = 0;
    while (i < text.size() && Unit(text[i]) == '0') {
        ++i;
    }
    return text.sliced(i);
}

// Compares two digit strings by value, without a length limit.
template <typename Text> int CompareDigits(Text a, Text b) {
    a = WithoutLeadingZeros(a);
    b = WithoutLeadingZeros(b);
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (Unit(a[i]) != Unit(b[i])) {
            return Unit(a[i]) < Unit(b[i]) ? -1 : 1;
        }
    }
    return 0;
}

template <typename Text> qint64 LeadingIntegerOf(Text text) {
    qsizetype i = 0;
    while (i < text.size() && (Unit(text[i]) == ' ' || Unit(text[i]) == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (Unit(text[i]) == '-' || Unit(text[i]) == '+')) {
        negative = Unit(text[i]) == '-';
        ++i;
    }
    qint64 value = 0;
    for (int digits = 0; i < text.size() && IsDigit(Unit(text[i])) && digits < kMaxShortNumber;
         ++i, ++digits) {
        value = value * 10 + (Unit(text[i]) - '0');
    }
    return negative ? -value : value;
}

int Sign(qint64 v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

QString Decode(CellBytes cell) {
    return cell.utf8 ? QString::fromUtf8(cell.bytes) : QString::fromLatin1(cell.bytes);
}

// A cell's text as UTF-16 for the date reader: Latin-1 is widened on the stack (the texts that
// may be dates are short), UTF-8 decoded.
class Utf16 {
public:
    explicit Utf16(CellBytes cell) {
        if (cell.utf8) {
            decoded_ = QString::fromUtf8(cell.bytes);
            view_ = decoded_;
            return;
        }
        widened_.resize(cell.bytes.size());
        std::transform(cell.bytes.begin(), cell.bytes.end(), widened_.begin(),
                       [](char c) { return static_cast<char16_t>(Unit(c)); });
        view_ = QStringView(widened_.constData(), widened_.size());
    }
    Utf16(const Utf16&) = delete;
    Utf16& operator=(const Utf16&) = delete;
    QStringView View() const { return view_; }

private:
    QVarLengthArray<char16_t, 80> widened_;
    QString decoded_;
    QStringView view_;
};

QCollator MakeCollator(const QLocale& locale) {
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    collator.setNumericMode(false);
    return collator;
}

} // namespace

std::optional<qint64> ParseDateTime(QStringView text, const QLocale& locale) {
    return DateTimeReader(locale).Read(text);
}

qint64 LeadingInteger(QStringView text) {
    return LeadingIntegerOf(text);
}

int Compare(const QString& a, const QString& b, bool labelColumn, const QLocale& locale) {
    if (labelColumn) {
        return Sign(LeadingInteger(a) - LeadingInteger(b));
    }
    if (AllDigits(QStringView(a)) && AllDigits(QStringView(b))) {
        return CompareDigits(QStringView(a), QStringView(b));
    }
    const DateTimeReader reader(locale);
    bool onlyLocaleA = false;
    bool onlyLocaleB = false;
    reader.Read(a, false, &onlyLocaleA);
    reader.Read(b, false, &onlyLocaleB);
    const bool localeFirst = onlyLocaleA || onlyLocaleB;
    const auto da = reader.Read(a, localeFirst);
    const auto db = da ? reader.Read(b, localeFirst) : std::nullopt;
    if (da && db) {
        return Sign(*da - *db);
    }
    return Sign(MakeCollator(locale).compare(a, b));
}

ColumnKeys::ColumnKeys(qsizetype count, const CellSource& cellAt, bool labelColumn, const QLocale& locale)
    : keys_(static_cast<size_t>(count)), locale_(locale) {
    if (labelColumn) {
        for (qsizetype i = 0; i < count; ++i) {
            keys_[size_t(i)] = {LeadingIntegerOf(cellAt(i).bytes), 0, Number};
        }
        return;
    }
    ReadNumbersAndDates(cellAt, locale);
    qsizetype numbers = 0;
    qsizetype longNumbers = 0;
    qsizetype dates = 0;
    for (const Key& key : keys_) {
        numbers += key.kind == Number || key.kind == LongNumber ? 1 : 0;
        longNumbers += key.kind == LongNumber ? 1 : 0;
        dates += key.kind == Date ? 1 : 0;
    }
    if (longNumbers > 0) {
        RankLongNumbers(cellAt);
    }
    if (numbers == count || dates == count) {
        mode_ = Mode::Values;
        return;
    }
    RankTexts(cellAt, locale);
    // With no pair of numbers or dates every comparison is by text.
    mode_ = numbers <= 1 && dates <= 1 ? Mode::Ranks : Mode::Mixed;
}

void ColumnKeys::ReadNumbersAndDates(const CellSource& cellAt, const QLocale& locale) {
    const DateTimeReader reader(locale);
    const auto count = static_cast<qsizetype>(keys_.size());
    // One reading for the whole column (see DateTimeReader::Read): the server's forms first,
    // unless some cell is a date only the locale reads.
    bool localeFirst = false;
    for (qsizetype i = 0; i < count; ++i) {
        const CellBytes cell = cellAt(i);
        Key& key = keys_[size_t(i)];
        if (AllDigits(cell.bytes)) {
            key.kind = cell.bytes.size() > kMaxShortNumber ? LongNumber : Number;
            key.value = key.kind == Number ? LeadingIntegerOf(cell.bytes) : 0;
            continue;
        }
        bool onlyLocale = false;
        if (const auto when = reader.Read(Utf16(cell).View(), false, &onlyLocale)) {
            key = {*when, 0, Date};
        }
        localeFirst = localeFirst || onlyLocale;
    }
    if (!localeFirst) {
        return;
    }
    for (qsizetype i = 0; i < count; ++i) {
        Key& key = keys_[size_t(i)];
        if (key.kind == Number || key.kind == LongNumber) {
            continue;
        }
        const auto when = reader.Read(Utf16(cellAt(i)).View(), true);
        key = when ? Key{*when, 0, Date} : Key{};
    }
}

void ColumnKeys::RankLongNumbers(const CellSource& cellAt) {
    // Every number of the column becomes its place among them, so that a long number compares
    // with a short one by value, as the short ones compare among themselves.
    struct Digits {
        QByteArray text;
        qint32 cell;
    };
    std::vector<Digits> numbers;
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i].kind == Number || keys_[i].kind == LongNumber) {
            numbers.push_back({WithoutLeadingZeros(cellAt(qsizetype(i)).bytes).toByteArray(), qint32(i)});
        }
    }
    std::sort(numbers.begin(), numbers.end(), [](const Digits& a, const Digits& b) {
        return CompareDigits(QByteArrayView(a.text), QByteArrayView(b.text)) < 0;
    });
    qint64 rank = 0;
    for (size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0 && numbers[i - 1].text != numbers[i].text) {
            ++rank;
        }
        keys_[size_t(numbers[i].cell)].value = rank;
        keys_[size_t(numbers[i].cell)].kind = Number;
    }
}

void ColumnKeys::RankTexts(const CellSource& cellAt, const QLocale& locale) {
    // Collation keys per distinct text: columns repeat their texts a lot (names, places, status
    // dots), and equal texts need only one. Texts are told apart by their bytes; the same bytes
    // read differently in Latin-1 and UTF-8, so each encoding has its own table.
    QHash<QByteArrayView, qint32> idOf[2];
    std::vector<QString> distinct;
    for (size_t i = 0; i < keys_.size(); ++i) {
        const CellBytes cell = cellAt(qsizetype(i));
        QHash<QByteArrayView, qint32>& ids = idOf[cell.utf8 ? 1 : 0];
        auto it = ids.constFind(cell.bytes);
        if (it == ids.cend()) {
            it = ids.insert(cell.bytes, static_cast<qint32>(distinct.size()));
            distinct.push_back(Decode(cell));
        }
        keys_[i].rank = *it;
    }
    const QCollator collator = MakeCollator(locale);
    std::vector<QCollatorSortKey> sortKeys;
    sortKeys.reserve(distinct.size());
    for (const QString& text : distinct) {
        sortKeys.push_back(collator.sortKey(text));
    }
    std::vector<qint32> byCollation(distinct.size());
    std::iota(byCollation.begin(), byCollation.end(), 0);
    std::sort(byCollation.begin(), byCollation.end(),
              [&](qint32 x, qint32 y) { return sortKeys[size_t(x)].compare(sortKeys[size_t(y)]) < 0; });
    std::vector<qint32> rankOf(distinct.size());
    qint32 rank = 0;
    for (size_t i = 0; i < byCollation.size(); ++i) {
        // Texts the collation holds equal share a rank, so they keep their order.
        if (i > 0 && sortKeys[size_t(byCollation[i - 1])].compare(sortKeys[size_t(byCollation[i])]) != 0) {
            ++rank;
        }
        rankOf[size_t(byCollation[i])] = rank;
    }
    for (Key& key : keys_) {
        key.rank = rankOf[size_t(key.rank)];
    }
}

bool ColumnKeys::Fits(qsizetype count, const QLocale& locale) const {
    return static_cast<qsizetype>(keys_.size()) == count && locale_ == locale;
}

QList<int> ColumnKeys::Order(const std::vector<qint32>& cells, bool ascending) const {
    // The sort moves these small items and never looks at a text.
    struct Item {
        qint64 value;
        qint32 rank;
        qint32 index;
        Kind kind;
    };
    std::vector<Item> items(cells.size());
    for (size_t i = 0; i < cells.size(); ++i) {
        const Key& key = keys_[size_t(cells[i])];
        items[i] = {key.value, key.rank, static_cast<qint32>(i), key.kind};
    }
    auto sortBy = [&](auto compare) {
        if (ascending) {
            std::stable_sort(items.begin(), items.end(),
                             [&](const Item& x, const Item& y) { return compare(x, y) < 0; });
        } else {
            std::stable_sort(items.begin(), items.end(),
                             [&](const Item& x, const Item& y) { return compare(x, y) > 0; });
        }
    };
    switch (mode_) {
    case Mode::Values:
        sortBy([](const Item& a, const Item& b) { return Sign(a.value - b.value); });
        break;
    case Mode::Ranks:
        sortBy([](const Item& a, const Item& b) { return a.rank - b.rank; });
        break;
    case Mode::Mixed:
        sortBy([](const Item& a, const Item& b) {
            if (a.kind == b.kind && (a.kind == Number || a.kind == Date)) {
                return Sign(a.value - b.value);
            }
            return Sign(qint64(a.rank) - b.rank);
        });
        break;
    }
    QList<int> order;
    order.reserve(static_cast<qsizetype>(items.size()));
    for (const Item& item : items) {
        order.append(item.index);
    }
    return order;
}

QList<int> SortOrder(const QStringList& texts, bool labelColumn, bool ascending, const QLocale& locale) {
    std::vector<QByteArray> utf8;
    utf8.reserve(static_cast<size_t>(texts.size()));
    for (const QString& text : texts) {
        utf8.push_back(text.toUtf8());
    }
    const ColumnKeys keys(
        texts.size(),
        [&](qsizetype i) {
            return CellBytes{utf8[size_t(i)], true};
        },
        labelColumn, locale);
    std::vector<qint32> cells(utf8.size());
    std::iota(cells.begin(), cells.end(), 0);
    return keys.Order(cells, ascending);
}

} // namespace SortKey

#pragma once

#include <QString>
#include <QStringList>

// How the contact list reads a line of the address book. The server delivers
// key~Company~First name~Middle name~Last name~Fax~E-Mail~Telephone with one blank for an
// empty field, so the fields keep their places through the split: the contact is named by
// its key and company, and shows its fax number, last name and first name.
struct Contact {
    QString key;   // field 1
    QString label; // field 2, the company
    QString first; // field 3
    QString last;  // field 5
    QString fax;   // field 6
    int fields = 0;

    static constexpr int kFirstField = 3;
    static constexpr int kLastField = 5;
    static constexpr int kFaxField = 6;

    static Contact FromLine(const QString& line);
    // What the list shows for the fax number: two blanks before it, nothing when the line is
    // too short to have one.
    QString FaxCell() const;
    // key~label~fax number, as the fax queue takes a recipient.
    QString RecipientEntry() const;
};

namespace ContactBook {

// At most 10,000 lines are read; a line over 64 KiB is skipped whole and logged.
inline constexpr qsizetype kMaxLines = 10000;

// The lines of the book file from its start up to the first empty line, without those whose key
// the names rule refuses (counted in refused).
QStringList ReadLines(const QString& path, int* refused = nullptr);

} // namespace ContactBook

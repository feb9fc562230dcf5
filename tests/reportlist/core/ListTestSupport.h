#pragma once

// Shared by the report list's tests: readable Qt texts in failures and file lists from bytes.
#include "reportlist/core/FileListFormat.h"
#include "tests/support/QStringPrinting.h"

#include <QBuffer>
#include <QString>

#include <ostream>

inline ParsedFileList Parse(const QByteArray& text, bool pending = false) {
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return ParseFileList(buffer, pending);
}

// Four reports; each row's privileges (n ones), owner ("un") and flags are tied to its file
// name "Rn", so that a test can tell whether they travelled with the row. Columns: 0 row
// number, 1-5 status dots, then these fields.
inline const QByteArray kFourReports =
    "Privileges~100000|Owner~u1|Activity Indicator~00000|Filename~R1|DictationDate~12/01/2023|Pages~10|"
    "LastName~delta\n"
    "Privileges~110000|Owner~u2|Activity Indicator~10001|Filename~R2|DictationDate~01/15/2024|Pages~|"
    "LastName~Bravo\n"
    "Privileges~111000|Owner~u3|Activity Indicator~01000|Filename~R3|DictationDate~02/03/2023|Pages~2|"
    "LastName~alpha\n"
    "Privileges~111100|Owner~u4|Activity Indicator~10000|Filename~R4|DictationDate~06/30/2023|Pages~33|"
    "LastName~Charlie\n";
inline constexpr int kFilenameColumn = 6;
inline constexpr int kDateColumn = 7;
inline constexpr int kPagesColumn = 8;
inline constexpr int kLastNameColumn = 9;

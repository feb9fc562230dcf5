#pragma once

// Shared by the report list's tests: readable Qt texts in failures, file lists from bytes, the
// texts a list shows and files to read.
#include "reportlist/core/FileListFormat.h"
#include "reportlist/core/ReportListModel.h"
#include "tests/support/Files.h"
#include "tests/support/QStringPrinting.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

inline ParsedFileList Parse(const QByteArray& text, bool pending = false) {
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return ParseFileList(buffer, pending);
}

// A list's rows, the cells of columns first to last (-1: the last one) with "~" between them.
inline QStringList Texts(const ReportListModel* model, int first = 0, int last = -1) {
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int c = first; c <= (last < 0 ? model->columnCount() - 1 : last); ++c) {
            cells.append(model->CellText(row, c));
        }
        texts.append(cells.join('~'));
    }
    return texts;
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

#pragma once

#include <QString>
#include <QStringList>

// The user's custom properties as the server lists them: per line, available names, "|", and
// selected names, each name followed by "~". A part without any "~" lists nothing.
struct CustomPropertyList {
    QStringList available;
    QStringList selected;

    // At most 1,000 lines are read; a line over 64 KiB is skipped whole and logged.
    static constexpr qsizetype kMaxLines = 1000;

    // The i-th name of a line's part goes to row i of its list, so the names of a later line
    // come before those of an earlier one.
    static CustomPropertyList Read(const QString& path);
};

#include "dialogs/search/SearchChoice.h"

#include "reportlist/core/FileListFormat.h"

QString DescribeSearch(const SearchChoice& choice) {
    const QString dateFormat = QStringLiteral("MM/dd/yyyy"); // as the filters show dates
    QString text =
        CaptionForKey(choice.demographic) + QStringLiteral(" = ") + choice.value + QStringLiteral(", ");
    text += choice.scope == SearchChoice::Scope::All ? QStringLiteral("all care providers") : choice.provider;
    // Without the date box the server looks at every date, whatever the pickers held.
    text += choice.dated ? QStringLiteral(", ") + choice.from.toString(dateFormat) + QStringLiteral(" to ") +
                               choice.to.toString(dateFormat)
                         : QStringLiteral(", any date");
    if (choice.archive) {
        text += QStringLiteral(", archive included");
    }
    return text;
}
